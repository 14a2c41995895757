// What the converter dialog needs from a window system, beyond the progress monitor's view operations.
// Each front end (Qt, Win32) implements it over its own controls; the dialog logic never sees a widget.
#pragma once

#include <optional>
#include <string>

#include "engine/progress_view.h"

namespace boxferry {

class DialogWindow : public ProgressView {
 public:
  // Lets the user pick an existing directory. `prompt` is shown as the chooser's title; the chooser
  // opens at `initial` (empty: no pre-selection). Empty optional when the user cancelled or the choice
  // has no file-system path.
  virtual std::optional<std::string> ChooseFolder(const std::string& prompt, const std::string& initial) = 0;
  // Ends the dialog's modal run with the cancel result.
  virtual void CloseDialog() = 0;
  // Runs the about box modally; returns when it has been closed.
  virtual void OpenAboutBox() = 0;
};

}  // namespace boxferry
