// boxferry-cli INPUT OUTPUT: the conversion without a window.
//
// Exit status: 0 completed, 1 failed (including a run refused because Thunderbird holds the output's
// profile or keeps it in maildir form, and output or a --report file that could not be written), 2 usage
// (wrong arguments, folders that are not there, an output inside the input, a report inside either), 130
// cancelled (Ctrl-C).
#include <cstdio>
#include <string>
#include <vector>

#include "cli/console_io.h"
#include "cli/console_view.h"
#include "cli/options.h"
#include "cli/profile_listing.h"
#include "cli/report_file.h"
#include "cli/run_report.h"
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

constexpr const char* kReportInOutput =
    "レポートファイルは出力フォルダの中に置けません (Thunderbirdは出力フォルダの中のファイルをすべて"
    "フォルダとして読みます)";
constexpr const char* kReportInInput =
    "レポートファイルは入力フォルダの中に置けません (入力フォルダには書き込みません)";

// A --report where it must not be: why, and the path as given.
int ReportPlaceError(const char* why, const std::string& path) {
  WriteText(stderr, std::string("boxferry-cli: ") + why + ": " + path + "\n");
  return kExitUsage;
}

// The report file could not be created or written: which file, and the system's reason.
void ReportFileError(const std::string& what, const std::string& path, int code) {
  WriteText(stderr,
            "boxferry-cli: " + what + ": " + boxferry::cli::ConsoleView::DetailLine(path, code) + "\n");
}

// Fills the file opened for --report; false, after saying why, when the bytes did not all arrive.
bool WriteReport(boxferry::platform::File& file, const std::string& path, const std::string& json) {
  if (file.WriteAll(json.data(), json.size()) && file.Close()) return true;
  ReportFileError("レポートファイルに書き込めません", path, boxferry::platform::LastErrorCode());
  return false;
}

int Convert(const boxferry::cli::Options& options) {
  namespace platform = boxferry::platform;
  using boxferry::cli::RunResult;
  const std::string& input = options.input;
  const std::string& output = options.output;
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

  // Checked before anything is written, the output folder and the report included.
  if (const boxferry::FolderCheck check = boxferry::CheckFolders(input, output)) {
    ShowRefusal(check.messageId, check.path, 0);
    return check.messageId == boxferry::kMsgOutputInsideInput ? kExitUsage : kExitFailed;
  }
  platform::File reportFile;
  if (!options.report.empty()) {
    switch (boxferry::cli::PlaceOfReport(options.report, input, output)) {
      case boxferry::cli::ReportPlace::kInsideOutput:
        return ReportPlaceError(kReportInOutput, options.report);
      case boxferry::cli::ReportPlace::kInsideInput:
        return ReportPlaceError(kReportInInput, options.report);
      case boxferry::cli::ReportPlace::kAllowed:
        break;
    }
    // Made before the run, so that a report that cannot be created costs no conversion.
    reportFile = platform::File::OpenTruncated(options.report);
    if (!reportFile.IsOpen()) {
      ReportFileError("レポートファイルを作成できません", options.report, platform::LastErrorCode());
      return kExitFailed;
    }
  }

  boxferry::cli::RunRecord run{input, output, RunResult::kFailed, 0, 0, 0};
  boxferry::ConversionReport report;
  if (createOutput && !platform::MakeDirectory(output)) {
    ShowRefusal(boxferry::kMsgFolderCreateFailed, output, platform::LastErrorCode());
    if (reportFile.IsOpen()) WriteReport(reportFile, options.report, boxferry::cli::ReportJson(run, report));
    return kExitFailed;
  }

  boxferry::ProgressMonitor monitor;
  boxferry::MboxConverter converter(&monitor);
  converter.SetReport(&report);
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
  run.result = cancelled ? RunResult::kCancelled : result == 0 ? RunResult::kCompleted : RunResult::kFailed;
  run.accounts = monitor.accountCount();
  run.folders = monitor.folderCount();
  run.files = monitor.fileCount();
  int status = cancelled ? kExitCancelled : result == 0 ? kExitCompleted : kExitFailed;
  if (reportFile.IsOpen() &&
      !WriteReport(reportFile, options.report, boxferry::cli::ReportJson(run, report)) &&
      status == kExitCompleted) {
    status = kExitFailed;
  }
  // The summary stands on standard output on every run, a failed or cancelled one included (there it
  // says what was confirmed until the run stopped); the counters stay the last line.
  return WriteOut(boxferry::cli::SummaryText(report, run.result) + "アカウント数：" +
                      std::to_string(run.accounts) + "  フォルダ数：" + std::to_string(run.folders) +
                      "  ファイル数：" + std::to_string(run.files) + "\n",
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
  return Convert(options);
}
