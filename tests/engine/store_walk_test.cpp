// The walk over accounts, folder trees and mail folders, with a message level that copies each message
// file's bytes through unchanged.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/mailbox_converter.h"
#include "engine/messages.h"
#include "engine/progress_monitor.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace boxferry {
namespace {

namespace fs = std::filesystem;
using test::DescribeTree;
using test::RecordingView;
using test::TempDir;
using test::WriteFile;

// Copies each message file into the mbox as it stands: the walk's own bytes, no Thunderbird form to
// read back.
class PassThroughConverter : public MailboxConverter {
 public:
  explicit PassThroughConverter(ProgressMonitor* monitor) : MailboxConverter(monitor) { check_ = false; }

  int ConvertMessage(const std::string& messagePath, const std::string&, const std::string& folderName,
                     const std::string& fileName, const std::string&, platform::File& mboxFile) override {
    seen.push_back(folderName + "/" + fileName);
    if (beforeMessage) beforeMessage(fileName);
    const std::string bytes = test::ReadFile(messagePath);
    mboxFile.WriteAll(bytes.data(), bytes.size());
    return 0;
  }

  std::vector<std::string> seen;
  std::function<void(const std::string&)> beforeMessage;
};

const std::string kIniHead = "[Property]\r\n";
std::string Ini(const std::string& title, const std::string& type = "") {
  return kIniHead + "Title=" + title + "\r\n" + (type.empty() ? "" : "Type=" + type + "\r\n");
}

class StoreWalkTest : public ::testing::Test {
 public:
  fs::path In() const { return dir_ / "in"; }
  fs::path Out() const { return dir_ / "out"; }
  void SetUp() override { fs::create_directories(Out()); }
  void Put(const std::string& rel, const std::string& bytes) { WriteFile(In() / rel, bytes); }
  void Dir(const std::string& rel) { fs::create_directories(In() / rel); }
  // As the dialog does: both folders chosen (Ready), then Start.
  int Run() {
    monitor_.SetState(kReady);
    return converter_.Convert(In().string(), Out().string());
  }
  std::string Tree() const { return DescribeTree(Out()); }
  std::vector<std::string> Boxes() const { return view_.Matching("box"); }
  std::string OnlyBox() const {
    const auto boxes = Boxes();
    return boxes.size() == 1 ? boxes[0] : "boxes: " + std::to_string(boxes.size());
  }
  static std::string Box(int id) { return "box 16 " + MessageText(id); }

  TempDir dir_;
  RecordingView view_;
  ProgressMonitor monitor_;
  PassThroughConverter converter_{&monitor_};
};

// Shift_JIS bytes of 仕事 (work).
const std::string kWorkSjis = "\x8E\x64\x8E\x96";

// One account with an Inbox, a container holding a mail folder, and an empty mail folder.
TEST_F(StoreWalkTest, AccountWithContainerAndEmptyFolderGivesTheExactTreeAndCounters) {
  Put("Account1/Account.ini", Ini("Work"));
  Put("Account1/Inbox.box/1.ALM", "one\r\n");
  Put("Account1/Inbox.box/2.ALM", "two\r\n");
  Put("Account1/Archive.box/Entry.ini", Ini("Old", "Subfolder"));
  Put("Account1/Archive.box/Jan.box/Entry.ini", Ini("January"));
  Put("Account1/Archive.box/Jan.box/3.ALM", "three\r\n");
  Dir("Account1/Empty.box");
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(Tree(),
            "Work = \"\"\n"
            "Work.sbd/\n"
            "Work.sbd/Old = \"\"\n"
            "Work.sbd/Old.sbd/\n"
            "Work.sbd/Old.sbd/January = \"three\r\n\"\n"
            "Work.sbd/郵便受け = \"one\r\ntwo\r\n\"\n");
  EXPECT_EQ(monitor_.accountCount(), 1);
  EXPECT_EQ(monitor_.folderCount(), 4);
  EXPECT_EQ(monitor_.fileCount(), 3);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"box 64 変換完了!"});
  EXPECT_EQ(monitor_.state(), kReady);
  EXPECT_EQ(monitor_.statusText(), "変換完了!");
  EXPECT_EQ(monitor_.currentPath(), "");
  EXPECT_EQ(monitor_.accountName(), "");
  // Archive.box is counted after its subtree: Archive, Empty, Inbox in name order, Jan inside Archive.
  EXPECT_EQ(converter_.seen, (std::vector<std::string>{"January/3.ALM", "郵便受け/1.ALM", "郵便受け/2.ALM"}));
}

struct TitleCase {
  const char* name;
  std::string dirName;
  std::string ini;  // empty: no Entry.ini
  std::string output;
};

void PrintTo(const TitleCase& c, std::ostream* os) {
  *os << c.name;
}

class FolderTitleTest : public StoreWalkTest, public ::testing::WithParamInterface<TitleCase> {};

TEST_P(FolderTitleTest, ResolvesTheOutputName) {
  const TitleCase& c = GetParam();
  Put("Account1/Account.ini", Ini("A"));
  if (!c.ini.empty()) Put("Account1/" + c.dirName + "/Entry.ini", c.ini);
  Put("Account1/" + c.dirName + "/1.ALM", "m");
  ASSERT_EQ(Run(), 0) << OnlyBox();
  // A UTF-8 name: on Windows a path made from a plain std::string would not be read as UTF-8.
  EXPECT_EQ(test::ReadFile(Out() / "A.sbd" / std::u8string(c.output.begin(), c.output.end())), "m");
}

INSTANTIATE_TEST_SUITE_P(
    Titles, FolderTitleTest,
    ::testing::Values(TitleCase{"InboxFallback", "Inbox.box", "", "郵便受け"},
                      TitleCase{"InboxAnyCase", "INBOX.BOX", "", "郵便受け"},
                      TitleCase{"InboxEmptyTitle", "inbox.box", Ini(""), "郵便受け"},
                      TitleCase{"OutboxFallback", "outbox.Box", "", "送信箱"},
                      TitleCase{"InboxWithTitle", "Inbox.box", Ini("Mine"), "Mine"},
                      TitleCase{"OtherKeepsDirName", "Misc.box", "", "Misc.box"},
                      TitleCase{"SlashColonStar", "a.box", Ini("a/b:c*d"), "a_b_c_d"},
                      TitleCase{"QuestionHashPercent", "b.box", Ini("what? #1 100%"), "what_ _1 100_"},
                      TitleCase{"ShiftJisWithBackslashByte", "c.box", Ini("\x95\x5C\x83\x7C"), "表ポ"},
                      TitleCase{"LongTitleCut", "d.box", Ini(std::string(56, 'x')), std::string(55, 'x')},
                      TitleCase{"LeadingDot", "e.box", Ini(".mail"), "_mail"},
                      TitleCase{"DeviceName", "f.box", Ini("aux"), "aux_"},
                      TitleCase{"DotDot", "g.box", Ini(".."), "__"},
                      TitleCase{"TypeOtherIsMailFolder", "h.box", Ini("H", "Mail"), "H"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StoreWalkTest, AccountWithoutTitleUsesItsDirectoryName) {
  Put("AccountX/Account.ini", "[Property]\r\nTitle=\r\n");
  Put("account2/Account.ini", "[Other]\r\nTitle=no\r\n");
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(Tree(), "AccountX = \"\"\nAccountX.sbd/\naccount2 = \"\"\naccount2.sbd/\n");
}

TEST_F(StoreWalkTest, SubfolderInAnyCaseIsAContainerWhoseOwnMessagesAreIgnored) {
  Put("Account1/Account.ini", Ini("A"));
  Put("Account1/c.box/Entry.ini", Ini("C", "SUBFOLDER"));
  Put("Account1/c.box/own.ALM", "ignored");
  Put("Account1/c.box/d.box/Entry.ini", Ini("D", "subfolder"));
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(Tree(),
            "A = \"\"\nA.sbd/\nA.sbd/C = \"\"\nA.sbd/C.sbd/\nA.sbd/C.sbd/D = \"\"\nA.sbd/C.sbd/D.sbd/\n");
  EXPECT_EQ(monitor_.folderCount(), 2);
  EXPECT_EQ(monitor_.fileCount(), 0);
}

TEST_F(StoreWalkTest, NonMatchingKindsAreSkippedWithoutCounting) {
  Put("Account1/Account.ini", Ini("A"));
  Put("Account1/file.box", "not a directory");
  Put("Account1/m.box/dir.ALM/x", "a directory named like a message");
  Put("Account1/m.box/1.alm", "lower-case ending");
  Put("Account1/m.box/note.txt", "not a message");
  Put("AccountFile", "a file named like an account");
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(Tree(), "A = \"\"\nA.sbd/\nA.sbd/m.box = \"lower-case ending\"\n");
  EXPECT_EQ(monitor_.folderCount(), 1);
  EXPECT_EQ(monitor_.fileCount(), 1);
}

TEST_F(StoreWalkTest, SameTitleFoldersAppendAndContainerFileIsReused) {
  Put("Account1/Account.ini", Ini("A"));
  Put("Account1/a.box/Entry.ini", Ini("Sub", "Subfolder"));
  Put("Account1/b.box/Entry.ini", Ini("Sub"));
  Put("Account1/b.box/1.ALM", "first\r\n");
  Put("Account1/c.box/Entry.ini", Ini("Sub"));
  Put("Account1/c.box/1.ALM", "second\r\n");
  ASSERT_EQ(Run(), 0) << OnlyBox();
  EXPECT_EQ(test::ReadFile(Out() / "A.sbd" / "Sub"), "first\r\nsecond\r\n");
  EXPECT_TRUE(fs::is_directory(Out() / "A.sbd" / "Sub.sbd"));
}

struct FailureCase {
  const char* name;
  std::function<void(StoreWalkTest&)> arrange;
  int message;
  std::string treeAfter;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.name;
}

class WalkFailureTest : public StoreWalkTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(WalkFailureTest, StopsWithTheMessageAndKeepsWhatWasWritten) {
  GetParam().arrange(*this);
  EXPECT_NE(Run(), 0);
  EXPECT_EQ(OnlyBox(), Box(GetParam().message));
  EXPECT_EQ(monitor_.state(), kReady);  // Finish always follows
  EXPECT_EQ(Tree(), GetParam().treeAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, WalkFailureTest,
    ::testing::Values(
        FailureCase{"NoInputFolder", [](StoreWalkTest&) {}, kMsgNoAccounts, ""},
        FailureCase{"NoAccountDirectories", [](StoreWalkTest& t) { t.Put("Other/x", ""); }, kMsgNoAccounts,
                    ""},
        FailureCase{"OnlyFilesNamedAccount", [](StoreWalkTest& t) { t.Put("Account.txt", ""); },
                    kMsgNoAccounts, ""},
        FailureCase{"MissingAccountIni",
                    [](StoreWalkTest& t) {
                      t.Put("Account1/Account.ini", Ini("First"));
                      t.Put("Account1/Inbox.box/1.ALM", "kept");
                      t.Dir("Account2/Inbox.box");
                    },
                    kMsgAccountIniFailed, "First = \"\"\nFirst.sbd/\nFirst.sbd/郵便受け = \"kept\"\n"},
        FailureCase{"AccountDirectoryExists",
                    [](StoreWalkTest& t) {
                      t.Put("Account1/Account.ini", Ini("Work"));
                      fs::create_directory(t.Out() / "Work.sbd");
                    },
                    kMsgFolderCreateFailed, "Work.sbd/\n"},
        FailureCase{"AccountFileExists",
                    [](StoreWalkTest& t) {
                      t.Put("Account1/Account.ini", Ini("Work"));
                      WriteFile(t.Out() / "Work", "old");
                    },
                    kMsgFileCreateFailed, "Work = \"old\"\nWork.sbd/\n"},
        FailureCase{"TwoAccountsSameTitle",
                    [](StoreWalkTest& t) {
                      t.Put("Account1/Account.ini", Ini("Same"));
                      t.Put("Account1/m.box/1.ALM", "one");
                      t.Put("Account2/Account.ini", Ini("Same"));
                    },
                    kMsgFolderCreateFailed, "Same = \"\"\nSame.sbd/\nSame.sbd/m.box = \"one\"\n"},
        FailureCase{"TwoContainersSameTitle",
                    [](StoreWalkTest& t) {
                      t.Put("Account1/Account.ini", Ini("A"));
                      t.Put("Account1/a.box/Entry.ini", Ini("C", "Subfolder"));
                      t.Put("Account1/b.box/Entry.ini", Ini("C", "Subfolder"));
                    },
                    kMsgFolderCreateFailed, "A = \"\"\nA.sbd/\nA.sbd/C = \"\"\nA.sbd/C.sbd/\n"},
        FailureCase{"MailFolderThenContainerSameTitle",
                    [](StoreWalkTest& t) {
                      t.Put("Account1/Account.ini", Ini("A"));
                      t.Put("Account1/a.box/Entry.ini", Ini("C"));
                      t.Put("Account1/a.box/1.ALM", "mail");
                      t.Put("Account1/b.box/Entry.ini", Ini("C", "Subfolder"));
                    },
                    kMsgFileCreateFailed, "A = \"\"\nA.sbd/\nA.sbd/C = \"mail\"\nA.sbd/C.sbd/\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StoreWalkTest, UnwritableOutputFolderStopsWith105) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes anywhere; the read-only case runs as a normal user";
  Put("Account1/Account.ini", Ini("A"));
  fs::permissions(Out(), fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_NE(Run(), 0);
  EXPECT_EQ(OnlyBox(), Box(kMsgFolderCreateFailed));
}

TEST_F(StoreWalkTest, MissingAccountIniShowsTheTriedPath) {
  Dir("Account1");
  EXPECT_NE(Run(), 0);
  EXPECT_EQ(monitor_.currentPath(), (In() / "Account1" / "Account.ini").string());
  EXPECT_EQ(monitor_.accountCount(), 0);
}

// A cancel clicked while a message is converted (a nested handler run by the monitor's pump) takes
// effect after that message: it is complete in the mbox, counted, and nothing after it is read.
TEST_F(StoreWalkTest, CancelFromNestedHandlerStopsAfterTheCurrentFile) {
  Put("Account1/Account.ini", Ini("A"));
  for (const char* name : {"1.ALM", "2.ALM", "3.ALM"}) Put(std::string("Account1/m.box/") + name, name);
  Put("Account2/Account.ini", Ini("B"));
  bool clickPending = false;
  converter_.beforeMessage = [&](const std::string& file) { clickPending = (file == "2.ALM"); };
  view_.onPump = [&] {
    if (clickPending) {
      clickPending = false;
      monitor_.SetState(kCancelling);
    }
  };
  EXPECT_NE(Run(), 0);
  EXPECT_EQ(converter_.seen, (std::vector<std::string>{"m.box/1.ALM", "m.box/2.ALM"}));
  EXPECT_EQ(test::ReadFile(Out() / "A.sbd" / "m.box"), "1.ALM2.ALM");
  EXPECT_EQ(monitor_.fileCount(), 2);
  EXPECT_EQ(monitor_.folderCount(), 0);
  EXPECT_EQ(monitor_.accountCount(), 0);
  EXPECT_EQ(Boxes(), std::vector<std::string>{Box(kMsgCancelled)});
  EXPECT_EQ(monitor_.statusText(), "処理を中断しました.");
  EXPECT_FALSE(fs::exists(Out() / "B.sbd"));
}

TEST_F(StoreWalkTest, LinkLoopsAreSkipped) {
  Put("Account1/Account.ini", Ini("A"));
  Put("Account1/c.box/Entry.ini", Ini("C", "Subfolder"));
  Put("Account1/c.box/m.box/1.ALM", "x");
  std::error_code linkError;
  fs::create_directory_symlink("..", In() / "Account1/c.box/loop.box", linkError);
  // Wine, and Windows without the privilege, make no symbolic links.
  if (linkError) GTEST_SKIP() << "no symbolic links here: " << linkError.message();
  fs::create_directory_symlink(".", In() / "Account1/c.box/self.box");
  fs::create_directory_symlink(In() / "Account1", In() / "Account1/up.box");
  ASSERT_EQ(Run(), 0) << OnlyBox();
  EXPECT_EQ(test::ReadFile(Out() / "A.sbd" / "C.sbd" / "m.box"), "x");
}

TEST_F(StoreWalkTest, NoDescriptorLeaksOnAnyWayOut) {
  const int before = test::OpenDescriptorCount();
  Put("Account1/Account.ini", Ini("A"));
  Put("Account1/m.box/1.ALM", "x");
  Put("Account2/Account.ini", Ini("A"));
  EXPECT_NE(Run(), 0);
  EXPECT_EQ(test::OpenDescriptorCount(), before);
}

}  // namespace
}  // namespace boxferry
