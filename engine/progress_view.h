// What the progress monitor needs from the main window. The engine never touches a window itself.
#pragma once

#include <string>

namespace boxferry {

class ProgressView {
 public:
  virtual ~ProgressView() = default;

  // Replaces the text of control `id`.
  virtual void SetItemText(int id, const std::string& text) = 0;
  // Marks the control's whole area for repainting, without erasing its background.
  virtual void InvalidateItem(int id) = 0;
  virtual void EnableItem(int id, bool on) = 0;
  virtual void FocusItem(int id) = 0;
  // Takes every pending window message without waiting and dispatches it, each first offered to the
  // dialog's keyboard handling (Tab, Enter, Escape). Handlers may run nested inside this call.
  virtual void DispatchPendingMessages() = 0;
  // Modal message box owned by the main window, captioned with the application title, one OK button and
  // the icon of `flags` (16 stop, 64 information). Blocks until closed; returns the button's id.
  virtual int ShowMessageBox(const std::string& text, int flags, int help) = 0;
};

// The application's main window, as the monitor finds it at each display step. A front end sets it
// while its dialog exists and clears it (nullptr) when the dialog goes; with none set, nothing is shown.
void SetMainWindow(ProgressView* view);
ProgressView* MainWindow();

}  // namespace boxferry
