#include "cli/console_view.h"

#include <cstdio>

#include "cli/console_io.h"
#include "engine/control_ids.h"
#include "engine/progress_monitor.h"
#include "engine/run_state.h"

namespace boxferry::cli {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int) {
  g_interrupted = 1;
}

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr std::size_t kMaxShownCodePoints = 60;

// At most `count` characters of a UTF-8 text, cut between characters.
std::string Head(const std::string& text, std::size_t count) {
  std::size_t pos = 0;
  for (std::size_t chars = 0; pos < text.size(); ++chars) {
    if (chars == count) return text.substr(0, pos) + "…";
    ++pos;
    while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) ++pos;
  }
  return text;
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
  auto item = [this](int id) {
    const auto it = items_.find(id);
    return it == items_.end() ? std::string() : it->second;
  };
  std::string line = "アカウント数：" + item(kAccountCountText) + "  フォルダ数：" + item(kFolderCountText) +
                     "  ファイル数：" + item(kFileCountText);
  const std::string folder = item(kFolderNameText);
  const std::string file = item(kFileNameText);
  if (!folder.empty() || !file.empty()) line += "  " + Head(folder + "/" + file, kMaxShownCodePoints);
  return line;
}

void ConsoleView::DrawStatusLine() {
  const std::string line = StatusLine();
  std::string out = "\r" + line;
  // Blank out what a longer earlier line left behind (byte count: enough, never too little).
  if (drawnBytes_ > line.size()) out += std::string(drawnBytes_ - line.size(), ' ') + "\r" + line;
  WriteText(stderr, out);
  drawnBytes_ = line.size();
  lastDraw_ = std::chrono::steady_clock::now();
}

void ConsoleView::ClearStatusLine() {
  if (drawnBytes_ == 0) return;
  WriteText(stderr, "\r" + std::string(drawnBytes_, ' ') + "\r");
  drawnBytes_ = 0;
}

void ConsoleView::DispatchPendingMessages() {
  if (g_interrupted) {
    g_interrupted = 0;  // before the request: its message box dispatches again
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
  WriteText(stderr, plain + "\n");
  return 1;  // OK
}

}  // namespace boxferry::cli
