// kMsgVerifyFailed: the mbox a folder became does not hold, to Thunderbird, one message for every file
// converted. The check reads the bytes back from disk and trusts nothing of the writer; a writer fault is
// planted so that it really reaches the disk.
#include <algorithm>
#include <string>
#include <vector>

#include "engine/conversion_report.h"
#include "engine/folder_names.h"
#include "faults/fault_fixture.h"

namespace boxferry::faults {
namespace {

using test::ReadFile;

enum class Fault {
  kNone,
  kDroppedSeparator,      // the second message is written without its separator
  kSeparatorAndOneField,  // the second message is written without the status lines
  kExtraMessage,          // one message too many
};

// Writes each file as the converter would (separator, status lines, the file's bytes), with one fault.
class FaultyWriter : public MailboxConverter {
 public:
  FaultyWriter(ProgressMonitor* monitor, Fault fault) : MailboxConverter(monitor), fault_(fault) {}

  int ConvertMessage(const std::string& messagePath, const std::string&, const std::string&,
                     const std::string&, const std::string&, platform::File& mbox) override {
    ++written_;
    std::string bytes = "From - \r\nX-Mozilla-Status: 0000\r\nX-Mozilla-Status2: 00000000\r\n";
    if (written_ == 2 && fault_ == Fault::kDroppedSeparator) bytes.clear();
    if (written_ == 2 && fault_ == Fault::kSeparatorAndOneField) bytes = "From - \r\n";
    bytes += ReadFile(messagePath);
    if (written_ == 2 && fault_ == Fault::kExtraMessage) bytes += bytes;
    return mbox.WriteAll(bytes.data(), bytes.size()) ? 0 : -1;
  }

 private:
  Fault fault_;
  int written_ = 0;
};

struct FaultCase {
  const char* name;
  Fault fault;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << c.name;
}

class Verification : public FaultTest, public ::testing::WithParamInterface<FaultCase> {
 protected:
  void PutFolder() {
    Put("Account1/Account.ini", Ini("A"));
    Put("Account1/Box.box/Entry.ini", Ini("Box"));
    Put("Account1/Box.box/1.ALM", Message("one"));
    Put("Account1/Box.box/2.ALM", "Subject: two\r\n\r\nbody\r\n");  // one field only
    Put("Account1/Box.box/3.ALM", Message("three"));
  }
};

TEST_P(Verification, AWriterFaultStopsTheRunWith122AtThatFolder) {
  PutFolder();
  Put("Account1/Later.box/1.ALM", Message("later"));
  FaultyWriter writer(&monitor_, GetParam().fault);
  monitor_.SetState(kReady);
  ExpectStoppedWith(writer.Convert(In().string(), Out().string()), kMsgVerifyFailed);
  const fs::path mbox = Out() / "A.sbd" / "Box";
  EXPECT_EQ(monitor_.currentPath(), mbox.string());
  EXPECT_EQ(monitor_.accountName(), "A");
  EXPECT_EQ(monitor_.folderName(), "Box");
  EXPECT_EQ(monitor_.fileCount(), 3);  // every file was converted; the check comes after the last
  EXPECT_FALSE(fs::exists(Out() / "A.sbd" / "Later.box"));
  EXPECT_FALSE(ReadFile(mbox).empty());  // nothing written is taken back
}

INSTANTIATE_TEST_SUITE_P(Faults, Verification,
                         ::testing::Values(FaultCase{"DroppedSeparator", Fault::kDroppedSeparator},
                                           FaultCase{"SeparatorFollowedByOneField",
                                                     Fault::kSeparatorAndOneField},
                                           FaultCase{"ExtraMessage", Fault::kExtraMessage}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Verification, TheWritersOwnOutputPassesAndIsRecorded) {
  PutFolder();
  ConversionReport report;
  converter_.SetReport(&report);
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(report.folders.size(), 1u);
  EXPECT_EQ(report.folders[0].filesConverted, 3);
  EXPECT_EQ(report.folders[0].messagesVerified, 3);
}

// A second folder of the same title is appended behind the first: the count before it is what the mbox
// already held.
TEST_F(Verification, AFolderAppendedToAnEarlierOneIsCountedFromWhatItHeld) {
  PutFolder();
  Put("Account1/Same.box/Entry.ini", Ini("Box"));
  Put("Account1/Same.box/1.ALM", Message("four"));
  ConversionReport report;
  converter_.SetReport(&report);
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(report.folders.size(), 2u);
  EXPECT_FALSE(report.folders[0].appended);
  EXPECT_TRUE(report.folders[1].appended);
  EXPECT_EQ(report.folders[1].messagesVerified, 1);
}

// The mbox is gone when it is to be read back (another program removed it): kMsgFileReadFailed naming it.
TEST_F(Verification, AnMboxThatCannotBeReadBackStopsWith107) {
  PutFolder();
  const fs::path mbox = Out() / "A.sbd" / "Box";
  view_.onPump = [&] {
    if (monitor_.fileName() == "3.ALM" && fs::exists(mbox)) fs::remove(mbox);
  };
  ExpectStoppedWith(Run(), kMsgFileReadFailed);
  EXPECT_EQ(monitor_.currentPath(), mbox.string());
  EXPECT_EQ(monitor_.failure().path, mbox.string());
}

// What the report holds of a run: the titles that changed and why, what was passed over and why, and the
// characters that had to become GETA MARK (one of the source's own is not counted).
TEST_F(FaultTest, TheReportSaysWhatChangedWhatWasSkippedAndWhatCouldNotBeSent) {
  Put("Account1/Account.ini", Ini("Trash"));
  Put("Account1/Dev.box/Entry.ini", Ini("NUL .log"));
  Put("Account1/Dev.box/1.ALM",
      "Subject: x \xF0\x40\x81\xAC\r\nContent-Type: text/plain; "
      "charset=iso-2022-jp\r\n\r\n\xF0\x40\x81\xAC\xF0\x41\r\n");
  Put("Account1/Dev.box/2.ALM.ALM/keep", "a directory named like a message");
  Put("Account1/Odd.box/Entry.ini", Ini("a?b"));
  Put("Account1/Odd.box/1.ALM", Message("odd"));
  Put("Account1/Plain.box", "a file named like a folder");
  Put("Account1/Loop.box/Entry.ini", Ini("Loop", "Subfolder"));
  fs::create_directory_symlink(In() / "Account1" / "Loop.box", In() / "Account1" / "Loop.box" / "Back.box");
  Put("AccountList.txt", "a file named like an account");
  ConversionReport report;
  converter_.SetReport(&report);
  ASSERT_EQ(Run(), 0);

  using R = ConversionReport;
  std::vector<std::string> renames;
  for (const R::Rename& r : report.renames)
    renames.push_back(r.title + " -> " + r.output + " " + std::to_string(r.rules));
  EXPECT_EQ(renames, (std::vector<std::string>{"Trash -> Trash_ " + std::to_string(kNameRole),
                                               "NUL .log -> NUL_ .log " + std::to_string(kNameDeviceName),
                                               "a?b -> a_b " + std::to_string(kNameUnsafeCharacter)}));
  std::vector<std::string> skipped;
  for (const R::Skipped& k : report.skipped) {
    skipped.push_back(k.path.substr(In().string().size() + 1) + " " +
                      std::to_string(static_cast<int>(k.reason)));
  }
  std::sort(skipped.begin(), skipped.end());
  EXPECT_EQ(
      skipped,
      (std::vector<std::string>{
          "Account1/Dev.box/2.ALM.ALM " + std::to_string(static_cast<int>(R::SkipReason::kAlmDirectory)),
          "Account1/Loop.box/Back.box " + std::to_string(static_cast<int>(R::SkipReason::kLinkLoop)),
          "Account1/Plain.box " + std::to_string(static_cast<int>(R::SkipReason::kBoxFile)),
          "AccountList.txt " + std::to_string(static_cast<int>(R::SkipReason::kAccountFile))}));
  ASSERT_EQ(report.unencodable.size(), 1u);
  EXPECT_EQ(report.unencodable[0].file, (In() / "Account1" / "Dev.box" / "1.ALM").string());
  EXPECT_EQ(report.unencodable[0].characters, 3);  // two in the body, one in the Subject
  ASSERT_EQ(report.folders.size(), 2u);
  EXPECT_EQ(report.folders[0].output, (Out() / "Trash_.sbd" / "NUL_ .log").string());
}

}  // namespace
}  // namespace boxferry::faults
