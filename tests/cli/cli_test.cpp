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
#include <string>
#include <vector>

#include "cli/console_view.h"
#include "engine/messages.h"
#include "engine/progress_monitor.h"
#include "engine/progress_view.h"
#include "support/temp_dir.h"

extern char** environ;

namespace boxferry {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int exitCode = -1;
  std::string out;
  std::string err;
};

class Cli : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(root_ / "out"); }

  // A store with one account (title 仕事 in Shift_JIS) and one folder of messages.
  fs::path MakeStore(const std::vector<std::string>& messages) {
    const fs::path account = root_ / "in" / "Account1";
    fs::create_directories(account / "Inbox.box");
    test::WriteFile(account / "Account.ini", "[Property]\r\nTitle=\x8e\x64\x8e\x96\r\n");
    for (std::size_t i = 0; i < messages.size(); ++i) {
      test::WriteFile(account / "Inbox.box" / ("0000000" + std::to_string(i + 1) + ".ALM"), messages[i]);
    }
    return root_ / "in";
  }

  // How a run is started besides its arguments.
  struct Setup {
    std::string cwd;         // empty: the test's own
    std::string home;        // empty: the test's own HOME
    std::string stdoutPath;  // empty: a file the test reads back
  };
  static Setup InFolder(const fs::path& cwd) { return {cwd.string(), "", ""}; }
  static Setup WithHome(const fs::path& home) { return {"", home.string(), ""}; }

  pid_t Start(const std::vector<std::string>& args, const Setup& setup = {}) {
    std::vector<std::string> all = {BOXFERRY_CLI};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
      if (setup.home.empty() || !std::string(*e).starts_with("HOME=")) env.emplace_back(*e);
    }
    if (!setup.home.empty()) env.push_back("HOME=" + setup.home);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string out = setup.stdoutPath.empty() ? (root_ / "stdout").string() : setup.stdoutPath;
    fs::remove(root_ / "stdout");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (root_ / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    if (!setup.cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, setup.cwd.c_str());
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }

  Outcome Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    Outcome o;
    o.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    o.out = test::ReadFile(root_ / "stdout");
    o.err = test::ReadFile(root_ / "stderr");
    return o;
  }

  Outcome Run(const std::vector<std::string>& args, const Setup& setup = {}) {
    return Wait(Start(args, setup));
  }

  test::TempDir dir_;
  const fs::path root_ = dir_.path();
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

TEST_F(Cli, VersionInTheGnuFormAndHelp) {
  Outcome o = Run({"--version"});
  EXPECT_EQ(o.exitCode, 0);
  EXPECT_TRUE(
      o.out.starts_with("boxferry-cli (Boxferry) 1.0.1\nCopyright (C) 2026 The Boxferry developers\n"))
      << o.out;
  EXPECT_NE(o.out.find("無保証"), std::string::npos);  // the terms of use follow
  const Outcome help = Run({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(help.out.starts_with("使い方: boxferry-cli [オプション] INPUT OUTPUT\n")) << help.out;
  for (const char* option : {"-h, --help", "--version", "--thunderbird"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  }
  // -h is --help, and both answer even after a mistake in the other arguments.
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"-h"}, {"a", "b", "c", "--help"}, {"--bogus", "-h"}}) {
    o = Run(args);
    EXPECT_EQ(o.exitCode, 0) << args[0];
    EXPECT_EQ(o.out, help.out) << args[0];
    EXPECT_EQ(o.err, "");
  }
}

// Output that cannot be written is a failure, not a success with nothing shown.
TEST_F(Cli, StandardOutputThatCannotBeWrittenFails) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  const fs::path in = MakeStore({"Subject: a\r\nTo: x\r\n\r\nbody\r\n"});
  const std::vector<std::vector<std::string>> runs = {
      {"--help"}, {"--version"}, {"--thunderbird"}, {in.string(), (root_ / "out").string()}};
  for (const auto& args : runs) {
    const Outcome o = Run(args, {"", root_.string(), "/dev/full"});
    EXPECT_EQ(o.exitCode, 1) << args[0];
    EXPECT_NE(o.err.find("標準出力に書き込めません"), std::string::npos) << args[0] << ": " << o.err;
  }
}

// A mistake in the arguments: one line saying what, one saying where help is, nothing else.
TEST_F(Cli, UsageErrorsAreOneLineAndWhereHelpIs) {
  const fs::path in = MakeStore({"S: x\r\n"});
  const std::string out = (root_ / "out").string();
  const struct {
    std::vector<std::string> args;
    std::string why;
  } cases[] = {
      {{}, "入力フォルダと出力フォルダを指定して下さい."},
      {{in.string()}, "出力フォルダを指定して下さい."},
      {{in.string(), out, "third"}, "引数が多すぎます: third"},
      {{in.string(), out, "a", "b"}, "引数が多すぎます: a"},
      {{"--bogus", in.string(), out}, "不明なオプションです: --bogus"},
      {{"--thunderbird", out}, "--thunderbird にフォルダは指定できません: " + out},
      {{"--", "--help"}, "出力フォルダを指定して下さい."},  // after "--" a name, not an option
  };
  for (const auto& c : cases) {
    const Outcome o = Run(c.args);
    EXPECT_EQ(o.exitCode, 2) << c.why;
    EXPECT_EQ(o.err, "boxferry-cli: " + c.why + "\n詳しくは 'boxferry-cli --help' を実行して下さい.\n");
    EXPECT_EQ(o.out, "");
  }
  EXPECT_TRUE(fs::is_empty(root_ / "out"));
}

// A folder that cannot be used: which one, the path and the system's reason, in one line.
TEST_F(Cli, FolderErrorsNameThePathAndTheReason) {
  const fs::path in = MakeStore({"S: x\r\n"});
  const std::string out = (root_ / "out").string();
  const std::string file = (in / "Account1" / "Account.ini").string();
  const std::string missing = (root_ / "nope").string();
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{missing, out}, "入力フォルダを開けません: " + missing + ": No such file or directory"},
      {{file, out}, "入力フォルダを開けません: " + file + ": Not a directory"},
      {{in.string(), file}, "出力フォルダがフォルダではありません: " + file},
      {{in.string(), missing + "/new"},
       "出力フォルダもそれを入れるフォルダもありません: " + missing + ": No such file or directory"},
  };
  for (const auto& c : cases) {
    const Outcome o = Run(c.args);
    EXPECT_EQ(o.exitCode, 2) << c.err;
    EXPECT_EQ(o.err, "boxferry-cli: " + c.err + "\n");
    EXPECT_EQ(o.out, "");
  }
  EXPECT_FALSE(fs::exists(missing));
}

// Every spelling of the store, a folder inside it or a link to it is refused before anything is written.
TEST_F(Cli, AnOutputInTheStoreIsRefusedAndTheStoreStaysUntouched) {
  const fs::path in = MakeStore({"Subject: a\r\nTo: x\r\n\r\nbody\r\n"});
  fs::create_directory_symlink(in, root_ / "link");
  const std::string before = test::DescribeTree(in);
  const std::string abs = fs::absolute(in).string();
  const struct {
    std::string input;
    std::string output;
  } cases[] = {
      {"in", "in/"},    {"in", "./in"}, {"in", abs},    {"in", "in/."},          {"in", "in/Account1"},
      {"in", "in/new"}, {"in", "link"}, {"link", "in"}, {"in", "link/Account1"},
  };
  for (const auto& c : cases) {
    const Outcome o = Run({c.input, c.output}, InFolder(root_));
    EXPECT_EQ(o.exitCode, 2) << c.output;
    EXPECT_EQ(o.err, Shown(kMsgOutputInsideInput) + c.output + "\n") << c.output;
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(test::DescribeTree(in), before) << c.output;
  }
}

TEST_F(Cli, AMissingOutputFolderIsMadeWhenItsParentExists) {
  const fs::path in = MakeStore({"Subject: a\r\nTo: x\r\n\r\nbody\r\n"});
  const Outcome o = Run({in.string(), (root_ / "out" / "新しいフォルダ").string()});
  EXPECT_EQ(o.exitCode, 0) << o.err;
  EXPECT_TRUE(fs::is_regular_file(root_ / "out" / "新しいフォルダ" / "仕事.sbd" / "郵便受け"));
}

// After the box text: the path concerned and the system's reason.
TEST_F(Cli, AFailureNamesThePathAndTheSystemsReason) {
  const fs::path in = MakeStore({"Subject: a\r\nTo: x\r\n\r\nbody\r\n"});
  fs::create_directories(root_ / "out" / "仕事.sbd");
  const Outcome o = Run({in.string(), (root_ / "out").string()});
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_EQ(o.err, Shown(kMsgFolderCreateFailed) + (root_ / "out" / "仕事.sbd").string() + ": File exists\n");
}

// A home with one Thunderbird profile as Thunderbird leaves it; `store` is "berkeleystore" or "maildirstore".
fs::path MakeProfile(const fs::path& home, const std::string& store) {
  const fs::path profile = home / ".thunderbird" / "x1y2.default-release";
  fs::create_directories(profile / "Mail" / "Local Folders");
  test::WriteFile(home / ".thunderbird" / "profiles.ini",
                  "[Profile0]\nName=default-release\nIsRelative=1\nPath=x1y2.default-release\nDefault=1\n");
  test::WriteFile(profile / "prefs.js",
                  "user_pref(\"mail.accountmanager.localfoldersserver\", \"server1\");\n"
                  "user_pref(\"mail.server.server1.directory-rel\", \"[ProfD]Mail/Local Folders\");\n"
                  "user_pref(\"mail.server.server1.storeContractID\", \"@mozilla.org/msgstore/" +
                      store + ";1\");\n");
  return profile;
}

TEST_F(Cli, ListsThunderbirdsProfilesAndWhetherItRuns) {
  const fs::path home = root_ / "home";
  fs::create_directories(home);
  Outcome o = Run({"--thunderbird"}, WithHome(home));
  EXPECT_EQ(o.exitCode, 0);
  EXPECT_NE(o.out.find("Thunderbirdのプロファイルが見つかりませんでした"), std::string::npos) << o.out;

  const fs::path profile = MakeProfile(home, "berkeleystore");
  o = Run({"--thunderbird"}, WithHome(home));
  EXPECT_EQ(o.exitCode, 0);
  EXPECT_EQ(o.out,
            "プロファイル: default-release (既定)\n"
            "  プロファイルのフォルダ: " +
                profile.string() +
                "\n"
                "  ローカルフォルダ: " +
                (profile / "Mail" / "Local Folders").string() +
                "\n"
                "  形式: mbox (フォルダ単位)\n"
                "  Thunderbird: 起動していません\n");
  fs::create_symlink("127.0.0.1:" + std::to_string(getpid()), profile / "lock");
  MakeProfile(home, "maildirstore");
  o = Run({"--thunderbird"}, WithHome(home));
  EXPECT_NE(o.out.find("  形式: maildir (メッセージ単位)"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("  Thunderbird: 起動中"), std::string::npos) << o.out;
}

// Straight into Local Folders, refused before anything is written while Thunderbird runs or when the
// folder keeps mail in maildir form.
TEST_F(Cli, ARunningOrMaildirProfileIsRefusedBeforeWriting) {
  const fs::path in = MakeStore({"Subject: a\r\nTo: x\r\n\r\nbody\r\n"});
  const fs::path home = root_ / "home";
  const fs::path profile = MakeProfile(home, "maildirstore");
  const fs::path local = profile / "Mail" / "Local Folders";
  Outcome o = Run({in.string(), local.string()}, WithHome(home));
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_EQ(o.err, Shown(kMsgMaildirProfile) + local.string() + "\n");
  EXPECT_TRUE(fs::is_empty(local));

  MakeProfile(home, "berkeleystore");
  fs::create_symlink("127.0.0.1:" + std::to_string(getpid()), profile / "lock");
  o = Run({in.string(), (local / "new").string()}, WithHome(home));
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_EQ(o.err, Shown(kMsgProfileInUse) + profile.string() + "\n");
  EXPECT_TRUE(fs::is_empty(local));  // not even the output folder was made

  fs::remove(profile / "lock");
  o = Run({in.string(), local.string()}, WithHome(home));
  EXPECT_EQ(o.exitCode, 0) << o.err;
  EXPECT_TRUE(fs::is_regular_file(local / "仕事.sbd" / "郵便受け"));
}

TEST_F(Cli, CompletedRun) {
  const fs::path in =
      MakeStore({"Subject: a\r\nTo: x\r\n\r\nFrom me\r\n", "Subject: b\r\nTo: x\r\n\r\nbody"});
  const Outcome o = Run({in.string(), (root_ / "out").string()});
  EXPECT_EQ(o.exitCode, 0);
  EXPECT_EQ(LastLine(o.out), "アカウント数：1  フォルダ数：1  ファイル数：2");
  EXPECT_EQ(o.err, Shown(kMsgCompleted));  // no status line when standard error is not a terminal
  const std::string start = "From - \r\nX-Mozilla-Status: 0000\r\nX-Mozilla-Status2: 00000000\r\n";
  EXPECT_EQ(
      test::ReadFile(root_ / "out" / "仕事.sbd" / "郵便受け"),
      start + "Subject: a\r\nTo: x\r\n\r\n>From me\r\n" + start + "Subject: b\r\nTo: x\r\n\r\nbody\r\n");
}

TEST_F(Cli, FailedRunShowsTheWholeMessage) {
  fs::create_directories(root_ / "empty");
  const Outcome o = Run({(root_ / "empty").string(), (root_ / "out").string()});
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_EQ(o.err, Shown(kMsgNoAccounts) + (root_ / "empty").string() + "\n");
  EXPECT_EQ(LastLine(o.out), "アカウント数：0  フォルダ数：0  ファイル数：0");
}

// Ctrl-C in the middle of a run: the run stops after the file in hand with message 119, and the counters
// say exactly what the mbox holds.
TEST_F(Cli, InterruptCancelsAfterTheCurrentFile) {
  constexpr int kMessages = 20000;
  const fs::path in = MakeStore({"Subject: 1\r\nTo: x\r\n\r\nbody\r\n"});
  const fs::path inbox = in / "Account1" / "Inbox.box";
  const std::string message = test::ReadFile(inbox / "00000001.ALM");
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
  const std::string out = test::ReadFile(mbox);
  std::size_t separators = 0;
  for (std::size_t pos = 0; (pos = out.find("From - \r\n", pos)) != std::string::npos; pos += 9) ++separators;
  const std::string start = "From - \r\nX-Mozilla-Status: 0000\r\nX-Mozilla-Status2: 00000000\r\n";
  EXPECT_EQ(out.size(), separators * (start + message).size());  // only whole messages
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

// Columns on a terminal: every non-ASCII character in these tests is wide.
std::size_t Columns(const std::string& text) {
  std::size_t columns = 0;
  for (unsigned char c : text) columns += c < 0x80 ? 1 : c >= 0xC0 ? 2 : 0;
  return columns;
}

// The status line takes the terminal's width, less room for an echoed "^C", and never wraps.
TEST(ConsoleView, StatusLineFitsTheTerminalsWidth) {
  ProgressMonitor monitor;
  cli::ConsoleView view(monitor, false);
  SetMainWindow(&view);
  std::string folder;
  for (int i = 0; i < 50; ++i) folder += "受";
  monitor.SetCurrent("a", folder.c_str(), "00000001.ALM", "/x");
  SetMainWindow(nullptr);
  const std::string full = "アカウント数：0  フォルダ数：0  ファイル数：0  " + folder + "/00000001.ALM";
  const struct {
    int terminal;
    std::size_t most;
  } cases[] = {{80, 77}, {40, 37}, {120, 117}, {300, Columns(full)}, {3, 1}};
  for (const auto& c : cases) {
    view.SetTerminalColumns(c.terminal);
    const std::string line = view.StatusLine();
    EXPECT_LE(Columns(line), c.most) << c.terminal;
    EXPECT_GE(Columns(line) + 1, c.most) << c.terminal;  // at most a wide character's half unused
    EXPECT_TRUE(full.starts_with(line)) << line;
  }
}

// Standard error captured in a file for the test's duration.
class CapturedStderr {
 public:
  explicit CapturedStderr(const fs::path& file) : file_(file) {
    std::fflush(stderr);
    saved_ = dup(2);
    const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, 2);
    close(fd);
  }
  ~CapturedStderr() { Restore(); }
  std::string Text() {
    Restore();
    return test::ReadFile(file_);
  }

 private:
  void Restore() {
    if (saved_ < 0) return;
    std::fflush(stderr);
    dup2(saved_, 2);
    close(saved_);
    saved_ = -1;
  }
  fs::path file_;
  int saved_ = -1;
};

// The terminal echoes "^C" right after the status line; the cancel message must not stand behind it.
TEST(ConsoleView, TheEchoedInterruptIsClearedWithTheStatusLine) {
  test::TempDir dir;
  const fs::path file = dir / "stderr";
  std::string text;
  std::string line;
  {
    CapturedStderr capture(file);
    ProgressMonitor monitor;
    cli::ConsoleView view(monitor, true);
    view.SetTerminalColumns(40);
    SetMainWindow(&view);
    monitor.SetState(kReady);
    monitor.SetState(kRunning);
    monitor.SetCurrent("a", "受信箱", "1.ALM", "/x");
    line = view.StatusLine();
    cli::ConsoleView::RaiseInterrupt();
    view.DispatchPendingMessages();
    SetMainWindow(nullptr);
    text = capture.Text();
  }
  const std::string clear = "\r" + std::string(Columns(line) + 2, ' ') + "\r";
  EXPECT_TRUE(text.starts_with("\r" + line)) << text;
  EXPECT_TRUE(text.ends_with(clear + "処理を中断しました.\n")) << text;
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
