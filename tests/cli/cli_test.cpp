// boxferry-cli as a user runs it: arguments, exit status, what goes to standard output and error.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/console_view.h"
#include "engine/messages.h"
#include "engine/progress_monitor.h"
#include "engine/progress_view.h"

extern char** environ;

namespace boxferry {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

void WriteAll(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

struct Outcome {
  int exitCode = -1;
  std::string out;
  std::string err;
};

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("boxferry-cli-" + std::to_string(getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "out");
  }
  void TearDown() override { fs::remove_all(root_); }

  // A store with one account (title 仕事 in Shift_JIS) and one folder of messages.
  fs::path MakeStore(const std::vector<std::string>& messages) {
    const fs::path account = root_ / "in" / "Account1";
    fs::create_directories(account / "Inbox.box");
    WriteAll(account / "Account.ini", "[Property]\r\nTitle=\x8e\x64\x8e\x96\r\n");
    for (std::size_t i = 0; i < messages.size(); ++i) {
      WriteAll(account / "Inbox.box" / ("0000000" + std::to_string(i + 1) + ".ALM"), messages[i]);
    }
    return root_ / "in";
  }

  pid_t Start(const std::vector<std::string>& args) {
    std::vector<std::string> all = {BOXFERRY_CLI};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, (root_ / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, (root_ / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }

  Outcome Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    Outcome o;
    o.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    o.out = ReadAll(root_ / "stdout");
    o.err = ReadAll(root_ / "stderr");
    return o;
  }

  Outcome Run(const std::vector<std::string>& args) { return Wait(Start(args)); }

  fs::path root_;
};

std::string LastLine(const std::string& text) {
  std::string body = text;
  if (!body.empty() && body.back() == '\n') body.pop_back();
  return body.substr(body.rfind('\n') == std::string::npos ? 0 : body.rfind('\n') + 1);
}

// Message text as the console shows it: lines joined by LF.
std::string Shown(int id) {
  std::string text = MessageText(id);
  for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, "\n");
  return text + "\n";
}

TEST_F(Cli, VersionAndHelp) {
  Outcome o = Run({"--version"});
  EXPECT_EQ(o.exitCode, 0);
  EXPECT_EQ(o.out, "Boxferry Version 1.0.1\n");
  o = Run({"--help"});
  EXPECT_EQ(o.exitCode, 0);
  EXPECT_NE(o.out.find("boxferry-cli INPUT OUTPUT"), std::string::npos);
}

TEST_F(Cli, UsageErrorsExitWith2AndSayWhy) {
  const fs::path in = MakeStore({"S: x\r\n"});
  const std::string out = (root_ / "out").string();
  const struct {
    std::vector<std::string> args;
    std::string why;
  } cases[] = {
      {{}, "入力フォルダと出力フォルダを指定してください"},
      {{in.string()}, "入力フォルダと出力フォルダを指定してください"},
      {{in.string(), out, out}, "入力フォルダと出力フォルダを指定してください"},
      {{"--bogus", in.string(), out}, "不明なオプションです: --bogus"},
      {{(root_ / "nope").string(), out}, "入力フォルダがありません"},
      {{in.string(), (root_ / "nope").string()}, "出力フォルダがありません"},
      {{in.string(), (in / "Account1" / "Account.ini").string()}, "出力フォルダがありません"},
      {{out, out}, "入力フォルダと出力フォルダが同じです"},
  };
  for (const auto& c : cases) {
    const Outcome o = Run(c.args);
    EXPECT_EQ(o.exitCode, 2) << c.why;
    EXPECT_NE(o.err.find(c.why), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("boxferry-cli INPUT OUTPUT"), std::string::npos);
    EXPECT_EQ(o.out, "");
  }
  EXPECT_TRUE(fs::is_empty(root_ / "out"));
}

TEST_F(Cli, CompletedRun) {
  const fs::path in =
      MakeStore({"Subject: a\r\nTo: x\r\n\r\nFrom me\r\n", "Subject: b\r\nTo: x\r\n\r\nbody"});
  const Outcome o = Run({in.string(), (root_ / "out").string()});
  EXPECT_EQ(o.exitCode, 0);
  EXPECT_EQ(LastLine(o.out), "アカウント数：1  フォルダ数：1  ファイル数：2");
  EXPECT_EQ(o.err, Shown(kMsgCompleted));  // no status line when standard error is not a terminal
  EXPECT_EQ(
      ReadAll(root_ / "out" / "仕事.sbd" / "郵便受け"),
      "From - \r\nSubject: a\r\nTo: x\r\n\r\n>From me\r\nFrom - \r\nSubject: b\r\nTo: x\r\n\r\nbody\r\n");
}

TEST_F(Cli, FailedRunShowsTheWholeMessage) {
  fs::create_directories(root_ / "empty");
  const Outcome o = Run({(root_ / "empty").string(), (root_ / "out").string()});
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_EQ(o.err, Shown(kMsgNoAccounts));
  EXPECT_EQ(LastLine(o.out), "アカウント数：0  フォルダ数：0  ファイル数：0");
}

// Ctrl-C in the middle of a run: the run stops after the file in hand with message 119, and the counters
// say exactly what the mbox holds.
TEST_F(Cli, InterruptCancelsAfterTheCurrentFile) {
  constexpr int kMessages = 20000;
  const fs::path in = MakeStore({"Subject: 1\r\nTo: x\r\n\r\nbody\r\n"});
  const fs::path inbox = in / "Account1" / "Inbox.box";
  const std::string message = ReadAll(inbox / "00000001.ALM");
  for (int i = 2; i <= kMessages; ++i) {
    std::ofstream(inbox / ("m" + std::to_string(i) + ".ALM"), std::ios::binary) << message;
  }
  const fs::path mbox = root_ / "out" / "仕事.sbd" / "郵便受け";
  const pid_t pid = Start({in.string(), (root_ / "out").string()});
  for (int i = 0; i < 20000 && !(fs::exists(mbox) && fs::file_size(mbox) > 0); ++i) usleep(500);
  ASSERT_EQ(kill(pid, SIGINT), 0);
  const Outcome o = Wait(pid);
  ASSERT_EQ(o.exitCode, 130) << "the run ended before the interrupt arrived";
  EXPECT_EQ(o.err, Shown(kMsgCancelled));
  const std::string out = ReadAll(mbox);
  std::size_t separators = 0;
  for (std::size_t pos = 0; (pos = out.find("From - \r\n", pos)) != std::string::npos; pos += 9) ++separators;
  EXPECT_EQ(out.size(), separators * ("From - \r\n" + message).size());  // only whole messages
  EXPECT_LT(separators, static_cast<std::size_t>(kMessages));
  EXPECT_EQ(LastLine(o.out), "アカウント数：0  フォルダ数：0  ファイル数：" + std::to_string(separators));
}

TEST(ConsoleView, StatusLineShowsCountersAndCurrentFile) {
  ProgressMonitor monitor;
  cli::ConsoleView view(monitor, false);
  SetMainWindow(&view);
  monitor.AddCounts(1, 2, 3);
  monitor.SetCurrent("a", "受信箱", "00000001.ALM", "/x");
  SetMainWindow(nullptr);
  EXPECT_EQ(view.StatusLine(), "アカウント数：1  フォルダ数：2  ファイル数：3  受信箱/00000001.ALM");
}

TEST(ConsoleView, StatusLineFitsOneTerminalLine) {
  ProgressMonitor monitor;
  cli::ConsoleView view(monitor, false);
  SetMainWindow(&view);
  std::string folder;
  for (int i = 0; i < 50; ++i) folder += "受";
  monitor.SetCurrent("a", folder.c_str(), "00000001.ALM", "/x");
  SetMainWindow(nullptr);
  const std::string line = view.StatusLine();
  std::size_t columns = 0;
  for (unsigned char c : line) {
    if (c < 0x80)
      columns += 1;
    else if (c >= 0xC0)
      columns += 2;  // every non-ASCII character here is wide
  }
  EXPECT_LE(columns, 79u);
  EXPECT_GE(columns, 78u);
  EXPECT_TRUE(line.starts_with("アカウント数：0  フォルダ数：0  ファイル数：0  受受")) << line;
}

// A Ctrl-C that arrives before the run has started is kept until the run is there to be cancelled.
TEST(ConsoleView, InterruptWaitsForTheRun) {
  ProgressMonitor monitor;
  cli::ConsoleView view(monitor, false);
  cli::ConsoleView::RaiseInterrupt();
  view.DispatchPendingMessages();
  EXPECT_FALSE(view.cancelled());
  EXPECT_EQ(monitor.state(), kNotReady);
  monitor.SetState(kReady);
  monitor.SetState(kRunning);
  view.DispatchPendingMessages();
  EXPECT_TRUE(view.cancelled());
  EXPECT_EQ(monitor.state(), kCancelling);
}

}  // namespace
}  // namespace boxferry
