#include "cli/console_view.h"

#include <algorithm>
#include <cstdio>

#include "cli/console_io.h"
#include "encoding/utf8.h"
#include "engine/control_ids.h"
#include "engine/progress_monitor.h"
#include "engine/run_state.h"
#include "platform/platform.h"

namespace boxferry::cli {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int) {
  g_interrupted = 1;
}

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
// Width assumed when the terminal does not say.
constexpr int kDefaultColumns = 80;
// Columns the status line leaves free at the end of the terminal's line: it must never wrap, or "\r" could
// not redraw it, and a "^C" the terminal echoes after it must fit too.
constexpr std::size_t kSpareColumns = 3;
// Columns of the "^C" a terminal echoes.
constexpr std::size_t kEchoColumns = 2;

// Columns a character takes on a terminal: wide for everything beyond ASCII except half-width katakana.
std::size_t Columns(char32_t cp) {
  return cp < 0x80 || (cp >= 0xFF61 && cp <= 0xFF9F) ? 1 : 2;
}

// The longest head of a UTF-8 text that fits `columns`; sets `used` to the columns it takes.
std::string FitColumns(const std::string& text, std::size_t columns, std::size_t& used) {
  used = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t cp;
    const std::size_t n = encoding::DecodeUtf8(text, pos, cp);
    if (used + Columns(cp) > columns) break;
    used += Columns(cp);
    pos += n;
  }
  return text.substr(0, pos);
}

}  // namespace

ConsoleView::ConsoleView(ProgressMonitor& monitor, bool statusLine)
    : monitor_(monitor), statusLine_(statusLine) {}

ConsoleView::~ConsoleView() {
  ClearStatusLine();
}

void ConsoleView::InstallInterruptHandler() {
  std::signal(SIGINT, OnInterrupt);
}

void ConsoleView::RaiseInterrupt() {
  g_interrupted = 1;
}

void ConsoleView::SetItemText(int id, const std::string& text) {
  items_[id] = text;
}

std::string ConsoleView::StatusLine() const {
  auto item = [this](int id, const char* unset) {
    const auto it = items_.find(id);
    return it == items_.end() ? std::string(unset) : it->second;
  };
  std::string line = "アカウント数：" + item(kAccountCountText, "0") + "  フォルダ数：" +
                     item(kFolderCountText, "0") + "  ファイル数：" + item(kFileCountText, "0");
  const std::string folder = item(kFolderNameText, "");
  const std::string file = item(kFileNameText, "");
  if (!folder.empty() || !file.empty()) line += "  " + folder + "/" + file;
  std::size_t used;
  return FitColumns(line, MaxColumns(), used);
}

std::size_t ConsoleView::MaxColumns() const {
  int columns = fixedColumns_ > 0 ? fixedColumns_ : TerminalColumns(stderr);
  if (columns <= 0) columns = kDefaultColumns;
  const auto width = static_cast<std::size_t>(columns);
  return width > kSpareColumns ? width - kSpareColumns : 1;
}

std::string ConsoleView::DetailLine(const std::string& path, int systemError) {
  if (path.empty()) return std::string();
  const std::string reason = platform::ErrorText(systemError);
  return reason.empty() ? path : path + ": " + reason;
}

void ConsoleView::DrawStatusLine() {
  const std::string line = StatusLine();
  std::size_t columns;
  FitColumns(line, MaxColumns(), columns);
  std::string out = "\r" + line;
  // Blank out what a longer earlier line left behind.
  if (drawnColumns_ > columns) out += std::string(drawnColumns_ - columns, ' ') + "\r" + line;
  WriteText(stderr, out);
  drawnColumns_ = std::max<std::size_t>(columns, 1);
  lastDraw_ = std::chrono::steady_clock::now();
}

void ConsoleView::ClearStatusLine() {
  std::size_t columns = drawnColumns_;
  if (statusLine_ && (interrupted_ || g_interrupted)) {
    columns += kEchoColumns;
    interrupted_ = false;
  }
  if (columns == 0) return;
  WriteText(stderr, "\r" + std::string(columns, ' ') + "\r");
  drawnColumns_ = 0;
}

void ConsoleView::DispatchPendingMessages() {
  // A Ctrl-C before the run has started waits for it; one after the run has ended is ignored.
  if (g_interrupted && monitor_.IsRunning()) {
    g_interrupted = 0;  // before the request: its message box dispatches again
    interrupted_ = true;
    if (monitor_.SetState(kCancelling) == 1) cancelled_ = true;
  }
  if (statusLine_ && std::chrono::steady_clock::now() - lastDraw_ >= kRedrawInterval) DrawStatusLine();
}

int ConsoleView::ShowMessageBox(const std::string& text, int /*flags*/, int /*help*/) {
  ClearStatusLine();
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    plain += text[i];
  }
  plain += "\n";
  const FailureDetail& failure = monitor_.failure();
  const std::string detail = DetailLine(failure.path, failure.systemError);
  if (!detail.empty()) plain += detail + "\n";
  WriteText(stderr, plain);
  return 1;  // OK
}

}  // namespace boxferry::cli
