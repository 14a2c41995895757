#include "engine/progress_monitor.h"

#include <string>

#include "engine/control_ids.h"
#include "engine/messages.h"
#include "engine/progress_view.h"
#include "platform/platform.h"

namespace boxferry {

void ProgressMonitor::ResetCounters() {
  accountCount_ = 0;
  folderCount_ = 0;
  fileCount_ = 0;
  ShowCounters();
}

void ProgressMonitor::AddCounts(std::int32_t accounts, std::int32_t folders, std::int32_t files) {
  accountCount_ += accounts;
  folderCount_ += folders;
  fileCount_ += files;
  ShowCounters();
}

void ProgressMonitor::SetCurrent(const char* account, const char* folder, const char* file,
                                 const char* path) {
  if (account) accountName_ = account;
  if (folder) folderName_ = folder;
  if (file) fileName_ = file;
  if (path) currentPath_ = path;
  ShowCurrent();
}

void ProgressMonitor::SetStatusText(int id) {
  SetStatusText(MessageText(id));
}

void ProgressMonitor::SetStatusText(const std::string& text) {
  statusText_ = text;
  ShowStatus();
}

int ProgressMonitor::SetState(std::int32_t request) {
  ProgressView* view = MainWindow();
  std::int32_t next = state_;
  switch (state_) {
    case kNotReady:
      if (request == kNotReady) {
        if (view) {
          view->SetItemText(kCancelCloseButton, MessageText(kMsgClose));
          view->EnableItem(kStartButton, false);
        }
      } else if (request == kReady) {
        if (view) view->EnableItem(kStartButton, true);
        next = kReady;
      }
      break;
    case kReady:
      if (request == kNotReady) {
        if (view) view->EnableItem(kStartButton, false);
        next = kNotReady;
      } else if (request == kRunning) {
        if (view) {
          view->EnableItem(kChooseInputButton, false);
          view->EnableItem(kChooseOutputButton, false);
          view->EnableItem(kStartButton, false);
          view->SetItemText(kCancelCloseButton, MessageText(kMsgCancel));
          view->FocusItem(kCancelCloseButton);
        }
        next = kRunning;
      }
      break;
    case kRunning:
      if (request == kCancelling) {
        // The box is modal; nested handlers may run while it is open. The state is stored after it.
        ShowMessage(kMsgCancelled, kIconStop, 0);
        next = kCancelling;
      } else if (request == kFailed || request == kCompleted) {
        next = request;
      }
      break;
    case kCancelling:
    case kFailed:
    case kCompleted:
      if (request == kFinish) {
        view = MainWindow();
        if (view) {
          view->EnableItem(kChooseInputButton, true);
          view->EnableItem(kChooseOutputButton, true);
          view->EnableItem(kStartButton, true);
          view->SetItemText(kCancelCloseButton, MessageText(kMsgClose));
        }
        next = kReady;
      }
      break;
    default:
      break;
  }
  if (next == state_) return 0;
  state_ = next;
  return 1;
}

void ProgressMonitor::TakeFailureDetail() {
  failure_.systemError = platform::LastErrorCode();
  failure_.path = failure_.systemError != 0 ? platform::LastErrorPath() : currentPath_;
}

int ProgressMonitor::ShowMessage(int id, int flags, int help) {
  if (IsFailureMessage(id)) {
    TakeFailureDetail();
  } else {
    failure_ = FailureDetail();
  }
  return ShowBox(id, flags, help);
}

int ProgressMonitor::Fail(int id, const char* path) {
  TakeFailureDetail();
  if (path) {
    if (failure_.systemError == 0) failure_.path = path;
    SetCurrent(nullptr, nullptr, nullptr, path);
  }
  ShowBox(id, kIconStop, 0);
  SetState(kFailed);
  return -1;
}

int ProgressMonitor::ShowBox(int id, int flags, int help) {
  const std::string& text = MessageText(id);
  SetStatusText(FirstLine(text));
  ProgressView* view = MainWindow();
  return view ? view->ShowMessageBox(text, flags, help) : 0;
}

void ProgressMonitor::PumpMessages() {
  if (ProgressView* view = MainWindow()) view->DispatchPendingMessages();
}

void ProgressMonitor::ShowCounters() {
  ProgressView* view = MainWindow();
  if (!view) return;
  const std::int32_t counts[] = {accountCount_, folderCount_, fileCount_};
  const int ids[] = {kAccountCountText, kFolderCountText, kFileCountText};
  for (int i = 0; i < 3; ++i) {
    view->InvalidateItem(ids[i]);
    view->SetItemText(ids[i], std::to_string(counts[i]));
  }
  PumpMessages();
}

void ProgressMonitor::ShowCurrent() {
  ProgressView* view = MainWindow();
  if (!view) return;
  const std::pair<int, const std::string*> items[] = {{kAccountNameText, &accountName_},
                                                      {kFolderNameText, &folderName_},
                                                      {kFileNameText, &fileName_},
                                                      {kCurrentPathEdit, &currentPath_}};
  for (const auto& [id, text] : items) {
    view->InvalidateItem(id);
    view->SetItemText(id, *text);
  }
  PumpMessages();
}

void ProgressMonitor::ShowStatus() {
  ProgressView* view = MainWindow();
  if (!view) return;
  view->InvalidateItem(kStatusText);
  view->SetItemText(kStatusText, statusText_);
  PumpMessages();
}

}  // namespace boxferry
