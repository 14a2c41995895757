// What a front end shows beside a failure message: the path concerned and the system's reason, each made
// by a real condition of the file system.
#include <cerrno>
#include <functional>
#include <ostream>
#include <string>

#include "faults/fault_fixture.h"
#include "platform/platform.h"

namespace boxferry::faults {
namespace {

struct DetailCase {
  const char* name;
  int messageId;
  int systemError;  // errno; 0 when the system reported nothing
  // Prepares the store and the output; returns the path the detail must name.
  std::function<fs::path(FaultTest&)> make;
};

void PrintTo(const DetailCase& c, std::ostream* os) {
  *os << c.name;
}

class FailureDetailTest : public FaultTest, public ::testing::WithParamInterface<DetailCase> {};

TEST_P(FailureDetailTest, NamesThePathAndTheReason) {
  const DetailCase& c = GetParam();
  const fs::path expected = c.make(*this);
  if (expected.empty()) GTEST_SKIP() << "the condition cannot be made here";
  ExpectStoppedWith(Run(), c.messageId);
  EXPECT_EQ(monitor_.failure().path, expected.string());
  EXPECT_EQ(monitor_.failure().systemError, c.systemError)
      << platform::ErrorText(monitor_.failure().systemError);
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, FailureDetailTest,
    ::testing::Values(DetailCase{"NoAccountFolder", kMsgNoAccounts, 0,
                                 [](FaultTest& t) {
                                   fs::create_directories(t.In() / "Mail");
                                   return t.In();
                                 }},
                      DetailCase{"InputMissing", kMsgNoAccounts, ENOENT,
                                 [](FaultTest& t) {
                                   fs::remove_all(t.In());
                                   return t.In();
                                 }},
                      DetailCase{"AccountIniMissing", kMsgAccountIniFailed, ENOENT,
                                 [](FaultTest& t) {
                                   t.Put("Account1/Inbox.box/1.ALM", Message("one"));
                                   return t.In() / "Account1" / "Account.ini";
                                 }},
                      DetailCase{"AccountFolderExists", kMsgFolderCreateFailed, EEXIST,
                                 [](FaultTest& t) {
                                   t.Put("Account1/Account.ini", Ini("A"));
                                   fs::create_directories(t.Out() / "A.sbd");
                                   return t.Out() / "A.sbd";
                                 }},
                      DetailCase{"SubFolderExists", kMsgFolderCreateFailed, EEXIST,
                                 [](FaultTest& t) {
                                   t.Put("Account1/Account.ini", Ini("A"));
                                   t.Put("Account1/Sub.box/Entry.ini", Ini("Sub", "Subfolder"));
                                   t.view_.onPump = [&t] {
                                     std::error_code ec;
                                     if (fs::is_directory(t.Out() / "A.sbd"))
                                       fs::create_directory(t.Out() / "A.sbd" / "Sub.sbd", ec);
                                   };
                                   return t.Out() / "A.sbd" / "Sub.sbd";
                                 }},
                      DetailCase{"MessageLinkDangles", kMsgFileOpenFailed, ENOENT,
                                 [](FaultTest& t) {
                                   t.Put("Account1/Account.ini", Ini("A"));
                                   fs::create_directories(t.In() / "Account1" / "Inbox.box");
                                   fs::create_symlink(t.In() / "gone",
                                                      t.In() / "Account1" / "Inbox.box" / "1.ALM");
                                   return t.In() / "Account1" / "Inbox.box" / "1.ALM";
                                 }},
                      DetailCase{"DiskFull", kMsgFileWriteFailed, ENOSPC,
                                 [](FaultTest& t) {
                                   if (!fs::exists("/dev/full")) return fs::path();
                                   t.Put("Account1/Account.ini", Ini("A"));
                                   t.Put("Account1/Inbox.box/1.ALM", Message("one"));
                                   t.view_.onPump = [&t] {
                                     std::error_code ec;
                                     if (fs::is_directory(t.Out() / "A.sbd") &&
                                         !fs::is_symlink(t.Out() / "A.sbd" / "郵便受け"))
                                       fs::create_symlink("/dev/full", t.Out() / "A.sbd" / "郵便受け", ec);
                                   };
                                   return t.Out() / "A.sbd" / "郵便受け";
                                 }}),
    [](const auto& info) { return std::string(info.param.name); });

// Messages that report no failure carry no detail, even after one that did.
TEST_F(FaultTest, CompletionAndCancellationCarryNoDetail) {
  ExpectStoppedWith(Run(), kMsgNoAccounts);
  EXPECT_FALSE(monitor_.failure().path.empty());
  Put("Account1/Account.ini", Ini("A"));
  Put("Account1/Inbox.box/1.ALM", Message("one"));
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(monitor_.failure().path, "");
  EXPECT_EQ(monitor_.failure().systemError, 0);
}

}  // namespace
}  // namespace boxferry::faults
