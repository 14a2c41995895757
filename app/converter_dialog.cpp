#include "app/converter_dialog.h"

#include "engine/control_ids.h"
#include "engine/messages.h"
#include "engine/output_check.h"
#include "engine/run_state.h"
#include "engine/thunderbird_profiles.h"

namespace boxferry {

ConverterDialog::ConverterDialog(DialogWindow& window, const ConverterFactory& makeConverter)
    : window_(window), converter_(makeConverter(&monitor_)), defaultOutput_(DefaultLocalFolders) {
  SetMainWindow(&window_);
}

ConverterDialog::~ConverterDialog() {
  // The monitor must not reach a window that is going away; a later dialog may have replaced ours.
  if (MainWindow() == &window_) SetMainWindow(nullptr);
}

void ConverterDialog::Initialize() {
  monitor_.SetStatusText(kMsgChooseFolders);
  monitor_.SetState(kNotReady);
}

void ConverterDialog::WindowShown() {
  if (welcomeShown_) return;
  // Marked before the box opens: events handled while it is open may report another show.
  welcomeShown_ = true;
  window_.ShowMessageBox(MessageText(kMsgWelcome), kIconInformation, 0);
}

void ConverterDialog::ChooseInputFolder() {
  ChooseFolder(kMsgChooseInput, inputFolder_, kInputPathEdit, inputFolder_);
}

void ConverterDialog::ChooseOutputFolder() {
  // Thunderbird's Local Folders, where the converted tree belongs, unless a folder has been chosen.
  const std::string initial = outputFolder_.empty() && defaultOutput_ ? defaultOutput_() : outputFolder_;
  ChooseFolder(kMsgChooseOutput, outputFolder_, kOutputPathEdit, initial);
}

void ConverterDialog::SetInputFolder(const std::string& folder) {
  TakeFolder(folder, inputFolder_, kInputPathEdit);
}

void ConverterDialog::SetOutputFolder(const std::string& folder) {
  TakeFolder(folder, outputFolder_, kOutputPathEdit);
}

void ConverterDialog::ChooseFolder(int promptId, std::string& folder, int pathControl,
                                   const std::string& initial) {
  // The buttons are disabled during a run; a folder never changes under a running conversion.
  if (!monitor_.IsIdle()) return;
  std::optional<std::string> chosen = window_.ChooseFolder(MessageText(promptId), initial);
  if (!chosen) return;
  TakeFolder(*chosen, folder, pathControl);
}

void ConverterDialog::TakeFolder(const std::string& chosen, std::string& folder, int pathControl) {
  if (!monitor_.IsIdle()) return;
  folder = chosen;
  window_.SetItemText(pathControl, folder);
  UpdateReadiness();
}

int ConverterDialog::UpdateReadiness() {
  if (inputFolder_.empty() || outputFolder_.empty() || inputFolder_ == outputFolder_) {
    monitor_.SetStatusText(kMsgChooseFolders);
    monitor_.SetState(kNotReady);
    return 0;
  }
  const FolderCheck check = CheckFolders(inputFolder_, outputFolder_);
  if (check && check.messageId != kMsgProfileInUse) {
    monitor_.SetStatusText(FirstLine(MessageText(check.messageId)));
    monitor_.SetState(kNotReady);
    return 0;
  }
  monitor_.SetStatusText(check ? FirstLine(MessageText(check.messageId)) : MessageText(kMsgReady));
  monitor_.SetState(kReady);
  return 1;
}

void ConverterDialog::Start() {
  // Start is enabled only in Ready; a press that slips through (a queued click, a nested Enter) must not
  // begin a second run inside the first.
  if (monitor_.state() != kReady) return;
  // Thunderbird may have been started, or the folders changed, since they were chosen.
  if (const FolderCheck check = CheckFolders(inputFolder_, outputFolder_)) {
    const std::string& text = MessageText(check.messageId);
    monitor_.SetStatusText(FirstLine(text));
    window_.ShowMessageBox(text + "\r\n\r\n" + check.path, kIconStop, 0);
    if (check.messageId != kMsgProfileInUse) monitor_.SetState(kNotReady);
    return;
  }
  converter_->Convert(inputFolder_, outputFolder_);
}

void ConverterDialog::CancelRequest() {
  if (monitor_.IsRunning()) {
    monitor_.SetState(kCancelling);
  } else if (monitor_.IsIdle()) {
    window_.CloseDialog();
  }
  // Cancelling, Failed or Completed: the run is unwinding and ends by itself.
}

void ConverterDialog::About() {
  window_.OpenAboutBox();
}

const std::string& ConverterDialog::AboutEntryText() {
  return MessageText(kMsgAboutMenu);
}

}  // namespace boxferry
