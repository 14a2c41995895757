// boxferry-cli INPUT OUTPUT: the conversion without a window.
//
// Exit status: 0 completed, 1 failed (including a run refused because Thunderbird holds the output's
// profile or keeps it in maildir form, and output that could not be written), 2 usage (wrong arguments,
// folders that are not there, an output inside the input), 130 cancelled (Ctrl-C).
#include <cstdio>
#include <string>
#include <vector>

#include "cli/console_io.h"
#include "cli/console_view.h"
#include "cli/options.h"
#include "cli/profile_listing.h"
#include "engine/messages.h"
#include "engine/output_check.h"
#include "engine/progress_monitor.h"
#include "engine/run_state.h"
#include "engine/thunderbird_profiles.h"
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

// A mistake in the arguments: one line saying what, one saying where help is.
int UsageError(const std::string& why) {
  WriteText(stderr, "boxferry-cli: " + why + "\n" + boxferry::cli::HelpHint() + "\n");
  return kExitUsage;
}

// A folder that cannot be used: what, which path, and the system's reason.
int FolderError(const std::string& what, const std::string& path) {
  const int code = boxferry::platform::LastErrorCode();
  WriteText(stderr,
            "boxferry-cli: " + what + ": " + boxferry::cli::ConsoleView::DetailLine(path, code) + "\n");
  return kExitUsage;
}

// A message of the program's table, as the window's box would show it, and the path it concerns.
void ShowRefusal(int id, const std::string& path, int systemError) {
  std::string text = boxferry::MessageText(id);
  for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, "\n");
  WriteText(stderr, text + "\n" + boxferry::cli::ConsoleView::DetailLine(path, systemError) + "\n");
}

// Standard output could not take the text: say so (it is the only way left) and fail.
int WriteOut(const std::string& text, int status) {
  if (WriteText(stdout, text)) return status;
  WriteText(stderr, "boxferry-cli: 標準出力に書き込めません.\n");
  return status == kExitCompleted ? kExitFailed : status;
}

bool IsExistingDirectory(const std::string& path) {
  return boxferry::platform::IsDirectory(path);
}

int Convert(const std::string& input, const std::string& output) {
  namespace platform = boxferry::platform;
  if (!platform::IsDirectory(input)) return FolderError("入力フォルダを開けません", input);
  bool createOutput = false;
  if (!platform::IsDirectory(output)) {
    platform::FileIdentity id;
    if (platform::GetIdentity(output, id)) return FolderError("出力フォルダがフォルダではありません", output);
    const std::string parent = boxferry::EnclosingFolder(output);
    if (parent.empty() || !platform::IsDirectory(parent)) {
      return FolderError("出力フォルダもそれを入れるフォルダもありません", parent.empty() ? output : parent);
    }
    createOutput = true;
  }

  // Checked before anything is written, the output folder included.
  if (const boxferry::FolderCheck check = boxferry::CheckFolders(input, output)) {
    ShowRefusal(check.messageId, check.path, 0);
    return check.messageId == boxferry::kMsgOutputInsideInput ? kExitUsage : kExitFailed;
  }
  if (createOutput && !platform::MakeDirectory(output)) {
    ShowRefusal(boxferry::kMsgFolderCreateFailed, output, platform::LastErrorCode());
    return kExitFailed;
  }

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
  const int status = cancelled ? kExitCancelled : result == 0 ? kExitCompleted : kExitFailed;
  return WriteOut("アカウント数：" + std::to_string(monitor.accountCount()) + "  フォルダ数：" +
                      std::to_string(monitor.folderCount()) + "  ファイル数：" +
                      std::to_string(monitor.fileCount()) + "\n",
                  status);
}

}  // namespace

int main(int argc, char** argv) {
  using boxferry::cli::Options;
  const Options options = boxferry::cli::ParseArguments(Arguments(argc, argv));
  if (!options.error.empty()) return UsageError(options.error);
  switch (options.action) {
    case Options::Action::kHelp:
      return WriteOut(boxferry::cli::HelpText(), kExitCompleted);
    case Options::Action::kVersion:
      return WriteOut(boxferry::cli::VersionText(), kExitCompleted);
    case Options::Action::kListProfiles:
      return WriteOut(boxferry::cli::ProfileListing(boxferry::FindThunderbirdProfiles(), IsExistingDirectory),
                      kExitCompleted);
    case Options::Action::kConvert:
      break;
  }
  return Convert(options.input, options.output);
}
