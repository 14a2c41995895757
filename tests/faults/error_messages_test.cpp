// Every message a run can stop with, each made by a real condition of the file system: the exact text and
// icon, the run stopped at that point, and what was converted before it intact.
#include <sys/stat.h>
#include <unistd.h>

#include <ostream>
#include <string>
#include <vector>

#include "faults/fault_fixture.h"

namespace boxferry::faults {
namespace {

using test::ReadFile;

// kMsgNoAccounts: no account folder

struct NoAccountCase {
  const char* name;
  void (*make)(const fs::path& in);
};

void PrintTo(const NoAccountCase& c, std::ostream* os) {
  *os << c.name;
}

class NoAccounts : public FaultTest, public ::testing::WithParamInterface<NoAccountCase> {};

TEST_P(NoAccounts, StopsWith121AndCreatesNothing) {
  GetParam().make(In());
  ExpectStoppedWith(Run(), kMsgNoAccounts);
  EXPECT_TRUE(fs::is_empty(Out()));
  EXPECT_EQ(monitor_.accountCount() + monitor_.folderCount() + monitor_.fileCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, NoAccounts,
    ::testing::Values(
        NoAccountCase{"InputMissing", [](const fs::path& in) { fs::remove_all(in); }},
        NoAccountCase{"NoAccountEntry",
                      [](const fs::path& in) { fs::create_directories(in / "Mail" / "Inbox.box"); }},
        NoAccountCase{"InputIsAFile",
                      [](const fs::path& in) {
                        fs::remove_all(in);
                        test::WriteFile(in, "not a folder");
                      }},
        // The user chose one account folder, not the folder above it.
        NoAccountCase{"AnAccountFolderChosen",
                      [](const fs::path& in) {
                        test::WriteFile(in / "Account.ini", Ini("Work"));
                        test::WriteFile(in / "Inbox.box" / "1.ALM", Message("one"));
                      }},
        NoAccountCase{"OnlyFilesNamedAccount",
                      [](const fs::path& in) {
                        test::WriteFile(in / "Account1", "a file");
                        test::WriteFile(in / "accounts.txt", "a list");
                      }},
        NoAccountCase{"AccountLinkBackToTheInput",
                      [](const fs::path& in) { fs::create_directory_symlink(in, in / "Account1"); }}),
    [](const auto& info) { return std::string(info.param.name); });

// kMsgAccountIniFailed: Account.ini cannot be opened

struct IniCase {
  const char* name;
  void (*make)(const fs::path& account);
};

void PrintTo(const IniCase& c, std::ostream* os) {
  *os << c.name;
}

class AccountIniUnreadable : public FaultTest, public ::testing::WithParamInterface<IniCase> {};

TEST_P(AccountIniUnreadable, StopsWith113AfterTheEarlierAccount) {
  Put("Account1/Account.ini", Ini("First"));
  Put("Account1/Inbox.box/1.ALM", Message("one"));
  Put("Account2/Inbox.box/1.ALM", Message("two"));
  Put("Account3/Account.ini", Ini("Third"));
  Put("Account3/Inbox.box/1.ALM", Message("three"));
  GetParam().make(In() / "Account2");

  ExpectStoppedWith(Run(), kMsgAccountIniFailed);
  EXPECT_EQ(monitor_.currentPath(), (In() / "Account2" / "Account.ini").string());
  EXPECT_EQ(ReadFile(Out() / "First.sbd" / "郵便受け"), MboxOf({Message("one")}));
  EXPECT_FALSE(fs::exists(Out() / "Third.sbd"));
  EXPECT_EQ(monitor_.accountCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, AccountIniUnreadable,
    ::testing::Values(
        IniCase{"Missing", [](const fs::path&) {}},
        IniCase{"IsADirectory", [](const fs::path& a) { fs::create_directories(a / "Account.ini"); }},
        IniCase{"DanglingLink",
                [](const fs::path& a) { fs::create_symlink(a / "gone.ini", a / "Account.ini"); }},
        IniCase{"LinkLoop",
                [](const fs::path& a) { fs::create_symlink(a / "Account.ini", a / "Account.ini"); }}),
    [](const auto& info) { return std::string(info.param.name); });

// kMsgFolderCreateFailed: a .sbd directory cannot be created

TEST_F(FaultTest, ExistingAccountFolderStopsWith105AndIsNotTouched) {
  Put("Account1/Account.ini", Ini("First"));
  Put("Account1/Inbox.box/1.ALM", Message("one"));
  Put("Account2/Account.ini", Ini("Second"));
  Put("Account2/Inbox.box/1.ALM", Message("two"));
  test::WriteFile(Out() / "Second.sbd" / "郵便受け", "earlier run");

  ExpectStoppedWith(Run(), kMsgFolderCreateFailed);
  EXPECT_EQ(monitor_.accountName(), "Second");
  EXPECT_EQ(monitor_.currentPath(), (Out() / "Second.sbd").string());
  EXPECT_EQ(ReadFile(Out() / "First.sbd" / "郵便受け"), MboxOf({Message("one")}));
  EXPECT_EQ(ReadFile(Out() / "Second.sbd" / "郵便受け"), "earlier run");
  EXPECT_FALSE(fs::exists(Out() / "Second"));
}

TEST_F(FaultTest, TwoAccountsOfOneTitleStopWith105AtTheSecond) {
  Put("Account1/Account.ini", Ini("Same"));
  Put("Account1/Inbox.box/1.ALM", Message("one"));
  Put("Account2/Account.ini", Ini("Same"));
  Put("Account2/Inbox.box/1.ALM", Message("two"));
  ExpectStoppedWith(Run(), kMsgFolderCreateFailed);
  EXPECT_EQ(ReadFile(Out() / "Same.sbd" / "郵便受け"), MboxOf({Message("one")}));
  EXPECT_EQ(monitor_.accountCount(), 1);
}

TEST_F(FaultTest, TwoContainersOfOneTitleStopWith105AtTheSecond) {
  Put("Account1/Account.ini", Ini("A"));
  Put("Account1/A.box/Entry.ini", Ini("Box", "Subfolder"));
  Put("Account1/A.box/In.box/1.ALM", Message("one"));
  Put("Account1/B.box/Entry.ini", Ini("Box", "Subfolder"));
  Put("Account1/B.box/In.box/1.ALM", Message("two"));
  Put("Account1/C.box/1.ALM", Message("three"));
  ExpectStoppedWith(Run(), kMsgFolderCreateFailed);
  EXPECT_EQ(ReadFile(Out() / "A.sbd" / "Box.sbd" / "In.box"), MboxOf({Message("one")}));
  EXPECT_FALSE(fs::exists(Out() / "A.sbd" / "C.box"));
  // The box names the folder that could not be made, not the last one that was.
  EXPECT_EQ(monitor_.currentPath(), (Out() / "A.sbd" / "Box.sbd").string());
  EXPECT_EQ(monitor_.failure().path, (Out() / "A.sbd" / "Box.sbd").string());
}

// The output folder is a file, as when a path's folder was replaced by a file: mkdir fails with ENOTDIR.
TEST_F(FaultTest, OutputThatIsAFileStopsWith105) {
  Put("Account1/Account.ini", Ini("First"));
  Put("Account1/Inbox.box/1.ALM", Message("one"));
  out_ = dir_ / "plain-file";
  test::WriteFile(out_, "x");
  ExpectStoppedWith(Run(), kMsgFolderCreateFailed);
  EXPECT_EQ(ReadFile(out_), "x");
}

// A read-only file system (EROFS): permissions do not stop root, a read-only mount does.
TEST_F(FaultTest, ReadOnlyOutputStopsWith105) {
  Put("Account1/Account.ini", Ini("First"));
  Put("Account1/Inbox.box/1.ALM", Message("one"));
  out_ = dir_ / "ro";
  if (geteuid() != 0) {
    fs::create_directories(out_);
    fs::permissions(out_, fs::perms::owner_read | fs::perms::owner_exec);
    ExpectStoppedWith(Run(), kMsgFolderCreateFailed);
    return;
  }
  ScratchMount mount(out_, "ro,size=64k");
  if (!mount.mounted()) GTEST_SKIP() << "cannot mount a read-only tmpfs: " << mount.error();
  ExpectStoppedWith(Run(), kMsgFolderCreateFailed);
  EXPECT_TRUE(fs::is_empty(out_));
}

// kMsgFileCreateFailed: an output file cannot be created

TEST_F(FaultTest, ExistingAccountFileStopsWith106AfterItsFolder) {
  Put("Account1/Account.ini", Ini("First"));
  Put("Account1/Inbox.box/1.ALM", Message("one"));
  test::WriteFile(Out() / "First", "earlier run");
  ExpectStoppedWith(Run(), kMsgFileCreateFailed);
  EXPECT_EQ(monitor_.currentPath(), (Out() / "First").string());
  EXPECT_EQ(ReadFile(Out() / "First"), "earlier run");
  EXPECT_TRUE(fs::is_directory(Out() / "First.sbd"));
  EXPECT_TRUE(fs::is_empty(Out() / "First.sbd"));
}

TEST_F(FaultTest, ContainerAfterMailFolderOfOneTitleStopsWith106) {
  Put("Account1/Account.ini", Ini("A"));
  Put("Account1/A.box/Entry.ini", Ini("Same"));
  Put("Account1/A.box/1.ALM", Message("one"));
  Put("Account1/B.box/Entry.ini", Ini("Same", "Subfolder"));
  Put("Account1/B.box/In.box/1.ALM", Message("two"));
  ExpectStoppedWith(Run(), kMsgFileCreateFailed);
  EXPECT_EQ(ReadFile(Out() / "A.sbd" / "Same"), MboxOf({Message("one")}));
  EXPECT_TRUE(fs::is_directory(Out() / "A.sbd" / "Same.sbd"));
  EXPECT_EQ(monitor_.currentPath(), (Out() / "A.sbd" / "Same").string());
  EXPECT_EQ(monitor_.folderName(), "Same");
}

// A folder of the mbox's name appears (another program made it) once the folder is being converted: the
// box names the mbox that could not be made, not the folder it was to be read from.
TEST_F(FaultTest, MboxNameTakenByAFolderStopsWith106AtTheMbox) {
  Put("Account1/Account.ini", Ini("A"));
  Put("Account1/A.box/Entry.ini", Ini("Box"));
  Put("Account1/A.box/1.ALM", Message("one"));
  const fs::path mbox = Out() / "A.sbd" / "Box";
  view_.onPump = [&] {
    if (monitor_.folderName() == "Box" && !fs::exists(mbox)) fs::create_directory(mbox);
  };
  ExpectStoppedWith(Run(), kMsgFileCreateFailed);
  EXPECT_EQ(monitor_.currentPath(), mbox.string());
  EXPECT_TRUE(fs::is_empty(mbox));
}

// The output file system runs out of inodes (ENOSPC on creation) when the second account's mbox is made.
TEST_F(FaultTest, NoRoomForTheMboxFileStopsWith106) {
  Put("Account1/Account.ini", Ini("First"));
  Put("Account1/Inbox.box/1.ALM", Message("one"));
  Put("Account2/Account.ini", Ini("Second"));
  Put("Account2/Inbox.box/1.ALM", Message("two"));
  out_ = dir_ / "small";
  // The root, then First.sbd, First, First.sbd/郵便受け, Second.sbd and Second: no inode is left after them.
  ScratchMount mount(out_, "size=1m,nr_inodes=6");
  if (!mount.mounted()) GTEST_SKIP() << "cannot mount a tmpfs: " << mount.error();
  ExpectStoppedWith(Run(), kMsgFileCreateFailed);
  EXPECT_EQ(ReadFile(out_ / "First.sbd" / "郵便受け"), MboxOf({Message("one")}));
  // The account's own file was made; its folder's mbox was not.
  EXPECT_TRUE(fs::exists(out_ / "Second"));
  EXPECT_TRUE(fs::is_empty(out_ / "Second.sbd"));
  EXPECT_EQ(monitor_.currentPath(), (out_ / "Second.sbd" / "郵便受け").string());
  EXPECT_EQ(monitor_.accountCount(), 1);
}

// kMsgFileReadFailed: reading a message file fails

// A file that claims more bytes than it yields (sysfs reports 4096 for a few bytes of text): the reader
// takes the short read for a file that shrank while it was read.
TEST_F(FaultTest, FileYieldingFewerBytesThanItsSizeStopsWith107) {
  std::string shrinking;
  for (const char* candidate : {"/sys/kernel/mm/transparent_hugepage/enabled", "/sys/power/state",
                                "/sys/devices/system/cpu/online", "/sys/kernel/profiling"}) {
    struct stat st;
    if (stat(candidate, &st) == 0 && S_ISREG(st.st_mode) &&
        static_cast<std::size_t>(st.st_size) > ReadFile(candidate).size() && !ReadFile(candidate).empty()) {
      shrinking = candidate;
      break;
    }
  }
  if (shrinking.empty()) GTEST_SKIP() << "no file here reports more bytes than it holds";
  const std::string content = ReadFile(shrinking);
  Put("Account1/Account.ini", Ini("A"));
  Put("Account1/Inbox.box/1.ALM", Message("one"));
  fs::create_symlink(shrinking, In() / "Account1" / "Inbox.box" / "2.ALM");
  Put("Account1/Inbox.box/3.ALM", Message("three"));

  ExpectStoppedWith(Run(), kMsgFileReadFailed);
  // The separator and the complete lines read before the error stay; the third file is not read.
  const std::string mbox = ReadFile(Out() / "A.sbd" / "郵便受け");
  const std::string first = MboxOf({Message("one")});
  ASSERT_TRUE(mbox.starts_with(first + std::string(kSeparatorAndStatus))) << mbox;
  // At most the few bytes the file really holds follow, never the 4096 it claims.
  EXPECT_LT(mbox.size() - first.size(), 200 + content.size());
  EXPECT_EQ(mbox.find("three"), std::string::npos);
  EXPECT_EQ(monitor_.fileCount(), 1);
}

// Another program replaces a message file by a folder between the listing and the reading: the open
// succeeds, the read fails (EISDIR).
TEST_F(FaultTest, FileReplacedByAFolderStopsWith107) {
  Put("Account1/Account.ini", Ini("A"));
  Put("Account1/Inbox.box/1.ALM", Message("one"));
  Put("Account1/Inbox.box/2.ALM", Message("two"));
  Put("Account1/Inbox.box/3.ALM", Message("three"));
  const fs::path second = In() / "Account1" / "Inbox.box" / "2.ALM";
  view_.onPump = [&] {
    if (monitor_.fileName() == "2.ALM" && fs::is_regular_file(second)) {
      fs::remove(second);
      fs::create_directory(second);
    }
  };
  ExpectStoppedWith(Run(), kMsgFileReadFailed);
  // The separator and status lines of the failed file stay, nothing more.
  const std::string rest = ReadFile(Out() / "A.sbd" / "郵便受け").substr(MboxOf({Message("one")}).size());
  EXPECT_EQ(rest, kSeparatorAndStatus);
  EXPECT_EQ(monitor_.fileCount(), 1);
}

// kMsgFileWriteFailed: writing the mbox fails

// The mbox path leads to /dev/full (every write: ENOSPC). The link is planted when the account's folder
// appears, as another program could.
TEST_F(FaultTest, MboxOnDevFullStopsWith108) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  Put("Account1/Account.ini", Ini("First"));
  Put("Account1/Inbox.box/1.ALM", Message("one"));
  Put("Account2/Account.ini", Ini("Second"));
  Put("Account2/Inbox.box/1.ALM", Message("two"));
  Put("Account2/Inbox.box/2.ALM", Message("three"));
  view_.onPump = [&] {
    const fs::path link = Out() / "Second.sbd" / "郵便受け";
    std::error_code ec;
    if (fs::is_directory(Out() / "Second.sbd") && !fs::is_symlink(link))
      fs::create_symlink("/dev/full", link, ec);
  };
  ExpectStoppedWith(Run(), kMsgFileWriteFailed);
  EXPECT_EQ(ReadFile(Out() / "First.sbd" / "郵便受け"), MboxOf({Message("one")}));
  EXPECT_EQ(monitor_.fileCount(), 1);
  EXPECT_EQ(fs::status(Out() / "Second.sbd" / "郵便受け").type(), fs::file_type::character);
}

// The output file system fills up in the middle of a large message (ENOSPC on a write).
TEST_F(FaultTest, FullFileSystemStopsWith108) {
  Put("Account1/Account.ini", Ini("A"));
  Put("Account1/A.box/1.ALM", Message("one"));
  std::string big = "Subject: big\r\nFrom: sender@example.com\r\n\r\n";
  while (big.size() < 400 * 1024) big += std::string(70, 'x') + "\r\n";
  Put("Account1/B.box/1.ALM", big);
  Put("Account1/C.box/1.ALM", Message("three"));
  out_ = dir_ / "small";
  ScratchMount mount(out_, "size=128k");
  if (!mount.mounted()) GTEST_SKIP() << "cannot mount a tmpfs: " << mount.error();
  ExpectStoppedWith(Run(), kMsgFileWriteFailed);
  EXPECT_EQ(ReadFile(out_ / "A.sbd" / "A.box"), MboxOf({Message("one")}));
  const std::string partial = ReadFile(out_ / "A.sbd" / "B.box");
  EXPECT_TRUE(MboxOf({big}).starts_with(partial)) << partial.size();
  EXPECT_LT(partial.size(), MboxOf({big}).size());
  EXPECT_FALSE(fs::exists(out_ / "A.sbd" / "C.box"));
}

// kMsgTranscodeFailed: none can be caused

// The transcoder is total: every byte sequence converts (undefined codes become U+30FB, characters
// without a cell 〓), so no input can make it fail. Hostile bytes in every transcoded place end in 111.
TEST_F(FaultTest, NoBytesMakeTheTranscoderFail) {
  std::string every;
  for (int b = 0; b < 256; ++b) {
    if (b != '\r' && b != '\n') every += static_cast<char>(b);
  }
  const std::string odd = "\x81\x80\x85\x40\xF0\x40\xFC\xFC\x80\xA0\xFD\xFE\xFF\x82";  // lone lead at the end
  const std::string message = "Subject: " + every + "\r\nX-Odd: " + odd +
                              "\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
                              "--b\r\nContent-Type: text/plain; charset=iso-2022-jp\r\nX-Part: " +
                              every + "\r\n\r\n" + every + "\r\n" + odd +
                              "\r\n--b\r\nContent-Type: message/rfc822\r\n\r\nSubject: " + odd +
                              "\r\nContent-Type: text/plain; charset=ISO-2022-JP\r\n\r\n" + every + odd +
                              "\r\n--b--\r\n";
  Put("Account1/Account.ini", Ini("A"));
  Put("Account1/Inbox.box/1.ALM", message);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"box 64 " + MessageText(kMsgCompleted)});
  EXPECT_TRUE(ReadFile(Out() / "A.sbd" / "郵便受け").starts_with("From - \r\n"));
}

// kMsgFileOpenFailed: a message file cannot be opened

struct OpenCase {
  const char* name;
  void (*make)(const fs::path& file);
};

void PrintTo(const OpenCase& c, std::ostream* os) {
  *os << c.name;
}

class MessageUnopenable : public FaultTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(MessageUnopenable, StopsWith112AndWritesNothingOfIt) {
  Put("Account1/Account.ini", Ini("A"));
  Put("Account1/Inbox.box/1.ALM", Message("one"));
  GetParam().make(In() / "Account1" / "Inbox.box" / "2.ALM");
  Put("Account1/Inbox.box/3.ALM", Message("three"));
  ExpectStoppedWith(Run(), kMsgFileOpenFailed);
  EXPECT_EQ(monitor_.fileName(), "2.ALM");
  EXPECT_EQ(ReadFile(Out() / "A.sbd" / "郵便受け"), MboxOf({Message("one")}));
  EXPECT_EQ(monitor_.fileCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, MessageUnopenable,
    ::testing::Values(OpenCase{"DanglingLink",
                               [](const fs::path& f) { fs::create_symlink(f.parent_path() / "gone", f); }},
                      OpenCase{"LinkLoop", [](const fs::path& f) { fs::create_symlink(f, f); }},
                      OpenCase{"LinkThroughAFile",
                               [](const fs::path& f) {
                                 test::WriteFile(f.parent_path() / "plain", "x");
                                 fs::create_symlink(f.parent_path() / "plain" / "inside", f);
                               }}),
    [](const auto& info) { return std::string(info.param.name); });

// kMsgCancelled: the user cancels

TEST_F(FaultTest, CancelFinishesTheCurrentFileThenStops) {
  Put("Account1/Account.ini", Ini("A"));
  for (const char* n : {"1", "2", "3"}) Put(std::string("Account1/Inbox.box/") + n + ".ALM", Message(n));
  Put("Account2/Account.ini", Ini("B"));
  Put("Account2/Inbox.box/1.ALM", Message("b"));
  bool pressed = false;  // the box of 119 pumps messages too, while the state is still Running
  view_.onPump = [&] {
    if (!pressed && monitor_.IsRunning() && monitor_.fileName() == "2.ALM") {
      pressed = true;
      monitor_.SetState(kCancelling);
    }
  };
  EXPECT_EQ(Run(), -1);
  EXPECT_EQ(Boxes(), std::vector<std::string>{StopBox(kMsgCancelled)});
  EXPECT_EQ(monitor_.state(), kReady);
  EXPECT_EQ(ReadFile(Out() / "A.sbd" / "郵便受け"), MboxOf({Message("1"), Message("2")}));
  EXPECT_EQ(monitor_.fileCount(), 2);
  EXPECT_EQ(monitor_.folderCount(), 0);
  EXPECT_FALSE(fs::exists(Out() / "B.sbd"));
}

}  // namespace
}  // namespace boxferry::faults
