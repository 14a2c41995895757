// The main dialog's behaviour, shared by every window system: initialisation, the welcome box, the
// folder choice with its readiness rule, Start, the Cancel/Close request and the About entry. A front end
// forwards its window's events here and implements DialogWindow over its controls.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/dialog_window.h"
#include "engine/progress_monitor.h"
#include "engine/store_converter.h"

namespace boxferry {

class ConverterDialog {
 public:
  // Makes the converter the dialog owns, given the dialog's monitor.
  using ConverterFactory = std::function<std::unique_ptr<StoreConverter>(ProgressMonitor*)>;

  // `window` must outlive the dialog. Registers it as the application's main window, which is where the
  // monitor shows its fields.
  ConverterDialog(DialogWindow& window, const ConverterFactory& makeConverter);
  ~ConverterDialog();
  ConverterDialog(const ConverterDialog&) = delete;
  ConverterDialog& operator=(const ConverterDialog&) = delete;

  // The dialog's initialisation, once its controls exist: status line kMsgChooseFolders, Cancel/Close reads
  // "閉じる", Start disabled.
  void Initialize();
  // The window is being shown: the welcome box (kMsgWelcome), the first time only.
  void WindowShown();
  // The two "..." buttons.
  void ChooseInputFolder();
  void ChooseOutputFolder();
  // A folder named without the chooser (on the command line, dropped on its field): taken as a choice
  // is. Nothing changes while a run goes on.
  void SetInputFolder(const std::string& folder);
  void SetOutputFolder(const std::string& folder);
  // Status kMsgReady and Ready when both folders are chosen and may be converted; else NotReady with
  // status kMsgChooseFolders (a folder missing or both the same text) or the first line of the refusal from
  // CheckFolders (the output in the input, or in maildir Local Folders). A running Thunderbird on the
  // output's profile leaves Start on with the first line of kMsgProfileInUse, as it may be closed before
  // Start is pressed. Returns 1 when ready.
  int UpdateReadiness();
  // The Start button: checks the folders again (CheckFolders), and converts the input folder into the
  // output folder, or shows the refusal in a box (its text, then the folder concerned) and writes nothing.
  // Every outcome of a run has been shown by the monitor when it returns, so its result is not used.
  void Start();
  // The Cancel/Close button, Escape and the close box: asks a run to stop; closes the dialog while idle;
  // does nothing while a run unwinds.
  void CancelRequest();
  // The About entry.
  void About();

  // The text of the About entry, or empty when there is to be no entry.
  static const std::string& AboutEntryText();

  // Where the output chooser opens while the output field is empty; DefaultLocalFolders (Thunderbird's
  // Local Folders) unless replaced.
  using FolderFinder = std::function<std::string()>;
  void SetDefaultOutputFinder(FolderFinder finder) { defaultOutput_ = std::move(finder); }

  const std::string& inputFolder() const { return inputFolder_; }
  const std::string& outputFolder() const { return outputFolder_; }
  const ProgressMonitor& monitor() const { return monitor_; }
  ProgressMonitor& monitor() { return monitor_; }
  bool welcomeShown() const { return welcomeShown_; }

 private:
  void ChooseFolder(int promptId, std::string& folder, int pathControl, const std::string& initial);
  void TakeFolder(const std::string& chosen, std::string& folder, int pathControl);

  DialogWindow& window_;
  std::string inputFolder_;
  std::string outputFolder_;
  ProgressMonitor monitor_;
  std::unique_ptr<StoreConverter> converter_;
  bool welcomeShown_ = false;
  FolderFinder defaultOutput_;
};

}  // namespace boxferry
