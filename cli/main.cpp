// boxferry-cli INPUT OUTPUT: the conversion without a window.
//
// Exit status: 0 completed, 1 failed, 2 usage (wrong arguments, or the folders are not two different
// existing directories), 130 cancelled (Ctrl-C).
#include <cstdio>
#include <string>
#include <vector>

#include "cli/console_io.h"
#include "cli/console_view.h"
#include "engine/messages.h"
#include "engine/progress_monitor.h"
#include "engine/run_state.h"
#include "message/mbox_converter.h"
#include "platform/platform.h"

#ifdef _WIN32
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>
#endif

namespace {

using boxferry::cli::WriteText;

constexpr int kExitCompleted = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCancelled = 130;

constexpr const char* kUsage =
    "使い方: boxferry-cli INPUT OUTPUT\n"
    "  AL-Mailのメールボックスフォルダ INPUT を、Thunderbirdのローカルフォルダ OUTPUT に変換します.\n"
    "  INPUT と OUTPUT は既存の異なるフォルダです.\n"
    "  --help     この説明を表示します\n"
    "  --version  バージョンを表示します\n"
    "終了コード: 0 完了, 1 失敗, 2 使い方の誤り, 130 中断 (Ctrl-C)\n";

// The arguments as UTF-8, whatever the system's code page.
std::vector<std::string> Arguments(int argc, char** argv) {
  std::vector<std::string> args;
#ifdef _WIN32
  (void)argc;
  (void)argv;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; wide && i < count; ++i) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(static_cast<std::size_t>(bytes > 0 ? bytes - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), bytes, nullptr, nullptr);
    args.push_back(arg);
  }
  if (wide) LocalFree(wide);
#else
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
#endif
  return args;
}

int UsageError(const std::string& why) {
  WriteText(stderr, "boxferry-cli: " + why + "\n");
  WriteText(stderr, kUsage);
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = Arguments(argc, argv);
  std::vector<std::string> folders;
  bool optionsEnded = false;
  for (const std::string& arg : args) {
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
      WriteText(stdout, kUsage);
      return kExitCompleted;
    } else if (!optionsEnded && arg == "--version") {
      WriteText(stdout, std::string(boxferry::kMainCaption) + "\n");
      return kExitCompleted;
    } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      return UsageError("不明なオプションです: " + arg);
    } else {
      folders.push_back(arg);
    }
  }
  if (folders.size() != 2) return UsageError("入力フォルダと出力フォルダを指定してください.");
  const std::string& input = folders[0];
  const std::string& output = folders[1];
  if (!boxferry::platform::IsDirectory(input)) return UsageError("入力フォルダがありません: " + input);
  if (!boxferry::platform::IsDirectory(output)) return UsageError("出力フォルダがありません: " + output);
  if (input == output) return UsageError("入力フォルダと出力フォルダが同じです: " + input);

  boxferry::ProgressMonitor monitor;
  boxferry::MboxConverter converter(&monitor);
  int result;
  bool cancelled;
  {
    boxferry::cli::ConsoleView view(monitor, boxferry::cli::IsTerminal(stderr));
    boxferry::SetMainWindow(&view);
    boxferry::cli::ConsoleView::InstallInterruptHandler();
    monitor.SetState(boxferry::kReady);
    result = converter.Convert(input, output);
    boxferry::SetMainWindow(nullptr);
    view.ClearStatusLine();
    cancelled = view.cancelled();
  }
  WriteText(stdout, "アカウント数：" + std::to_string(monitor.accountCount()) + "  フォルダ数：" +
                        std::to_string(monitor.folderCount()) + "  ファイル数：" +
                        std::to_string(monitor.fileCount()) + "\n");
  if (cancelled) return kExitCancelled;
  return result == 0 ? kExitCompleted : kExitFailed;
}
