// The monitor's view for a console: every message box's whole text goes to standard error, a failure's
// followed by one line with the path concerned and the system's reason; on a terminal a single status line
// with the counters and the current file, as wide as the terminal allows, is redrawn at most ten times a
// second. Ctrl-C is the Cancel button.
#pragma once

#include <chrono>
#include <csignal>
#include <map>
#include <string>

#include "engine/progress_view.h"

namespace boxferry {

class ProgressMonitor;

namespace cli {

class ConsoleView : public ProgressView {
 public:
  // `statusLine`: draw the status line (standard error is a terminal).
  ConsoleView(ProgressMonitor& monitor, bool statusLine);
  ~ConsoleView() override;

  // Installs the Ctrl-C handler; it only sets a flag that DispatchPendingMessages reads.
  static void InstallInterruptHandler();
  // What the handler does; for tests.
  static void RaiseInterrupt();

  void SetItemText(int id, const std::string& text) override;
  void InvalidateItem(int /*id*/) override {}
  void EnableItem(int /*id*/, bool /*on*/) override {}
  void FocusItem(int /*id*/) override {}
  // Turns a pending Ctrl-C into the cancel request, then redraws the status line when it is due.
  void DispatchPendingMessages() override;
  int ShowMessageBox(const std::string& text, int flags, int help) override;

  // True once a Ctrl-C moved the run to Cancelling.
  bool cancelled() const { return cancelled_; }
  // Removes the status line from the terminal, and the "^C" the terminal echoed after it.
  void ClearStatusLine();
  // The status line as it would be drawn now.
  std::string StatusLine() const;
  // Draws for a terminal of this many columns instead of asking the terminal (0: ask again).
  void SetTerminalColumns(int columns) { fixedColumns_ = columns; }

  // "PATH: REASON" for a failure, "PATH" when the system gave no reason; empty when there is no path.
  static std::string DetailLine(const std::string& path, int systemError);

 private:
  void DrawStatusLine();
  std::size_t MaxColumns() const;

  ProgressMonitor& monitor_;
  bool statusLine_;
  bool cancelled_ = false;
  bool interrupted_ = false;  // a Ctrl-C arrived: the terminal echoed "^C" where the cursor stood
  int fixedColumns_ = 0;
  std::map<int, std::string> items_;
  std::size_t drawnColumns_ = 0;  // of the status line on screen; 0 when none
  std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace cli
}  // namespace boxferry
