// A boxferry-cli run killed with SIGKILL in the middle of a folder: every mbox finished before the kill is
// complete, byte for byte what an uninterrupted run writes, and the mbox in progress holds a prefix of it
// (output is flushed per message file, so it ends after a whole message or inside the one being written).
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "faults/fault_fixture.h"

namespace boxferry::faults {
namespace {

#ifdef BOXFERRY_CLI

using test::ReadFile;

class InterruptedRun : public FaultTest {
 public:
  void SetUp() override {
    FaultTest::SetUp();
    Put("Account1/Account.ini", Ini("A"));
    for (int i = 0; i < 20; ++i) Put("Account1/A.box/" + std::to_string(1000 + i) + ".ALM", Message("a"));
    // Large enough that the kill lands while this folder is written.
    std::string big = "Subject: big\r\nContent-Type: text/plain; charset=iso-2022-jp\r\n\r\n";
    while (big.size() < 256 * 1024)
      big += "\x82\xA0\x82\xA2 line of text " + std::to_string(big.size()) + "\r\n";
    for (int i = 0; i < 150; ++i) Put("Account1/B.box/" + std::to_string(1000 + i) + ".ALM", big);
    for (int i = 0; i < 5; ++i) Put("Account1/C.box/" + std::to_string(1000 + i) + ".ALM", Message("c"));
  }
};

TEST_F(InterruptedRun, EarlierMboxesStayComplete) {
  // What an uninterrupted run writes.
  const fs::path reference = dir_ / "reference";
  fs::create_directories(reference);
  monitor_.SetState(kReady);
  ASSERT_EQ(converter_.Convert(In().string(), reference.string()), 0);

  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    freopen("/dev/null", "w", stdout);
    freopen("/dev/null", "w", stderr);
    execl(BOXFERRY_CLI, BOXFERRY_CLI, In().c_str(), Out().c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  // Kill as soon as the second folder's mbox has data: the first is closed by then.
  const fs::path second = Out() / "A.sbd" / "B.box";
  bool killed = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline) {
    std::error_code ec;
    if (fs::exists(second, ec) && fs::file_size(second, ec) > 0) {
      killed = kill(pid, SIGKILL) == 0;
      break;
    }
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) break;  // ended before it could be killed
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(killed) << "the run ended before the second folder was written";
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

  EXPECT_EQ(ReadFile(Out() / "A.sbd" / "A.box"), ReadFile(reference / "A.sbd" / "A.box"));
  const std::string partial = ReadFile(second);
  const std::string full = ReadFile(reference / "A.sbd" / "B.box");
  EXPECT_TRUE(partial.starts_with("From - \r\n"));
  EXPECT_TRUE(full.starts_with(partial)) << partial.size() << " of " << full.size();
  EXPECT_LT(partial.size(), full.size()) << "the kill came after the folder was complete";
  EXPECT_FALSE(fs::exists(Out() / "A.sbd" / "C.box"));
}

#endif

}  // namespace
}  // namespace boxferry::faults
