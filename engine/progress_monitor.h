// The one channel between a conversion run and the user: run state, counters, current names, status
// line, message boxes and cancellation. Shows through the application's main window (ProgressView).
#pragma once

#include <cstdint>
#include <string>

#include "engine/run_state.h"

namespace boxferry {

class ProgressView;

// What a failure message concerned, for a front end that shows it beside the text.
struct FailureDetail {
  std::string path;     // the path the system refused, or the item in hand when no system call failed
  int systemError = 0;  // the system's error number (platform::ErrorText describes it); 0 for none
};

class ProgressMonitor {
 public:
  ProgressMonitor() = default;

  void ResetCounters();
  void AddCounts(std::int32_t accounts, std::int32_t folders, std::int32_t files);
  // Each non-null argument replaces its field; a null one leaves it unchanged; "" clears it.
  void SetCurrent(const char* account, const char* folder, const char* file, const char* path);
  void SetStatusText(int id);
  void SetStatusText(const std::string& text);
  // Requests a state change; 1 when the state changed, 0 when not.
  int SetState(std::int32_t request);
  int IsCancelling() const { return state_ == kCancelling ? 1 : 0; }
  int IsRunning() const { return state_ == kRunning ? 1 : 0; }
  int IsIdle() const { return state_ == kNotReady || state_ == kReady ? 1 : 0; }
  // Shows string `id` in a message box (its first line also in the status line). For a failure message
  // the detail is taken first (failure()); any other message clears it.
  int ShowMessage(int id, int flags, int help);
  // Reports the failure that stops the run, the same way at every level: `path`, when given, becomes the
  // current path (the file or folder that failed), message `id` is shown with the stop icon and the
  // state becomes kFailed. Returns -1, the result the failing level passes up.
  int Fail(int id, const char* path = nullptr);
  // Dispatches every pending window message through the main window, if there is one.
  void PumpMessages();

  RunState state() const { return static_cast<RunState>(state_); }
  std::int32_t accountCount() const { return accountCount_; }
  std::int32_t folderCount() const { return folderCount_; }
  std::int32_t fileCount() const { return fileCount_; }
  const std::string& currentPath() const { return currentPath_; }
  const std::string& accountName() const { return accountName_; }
  const std::string& folderName() const { return folderName_; }
  const std::string& fileName() const { return fileName_; }
  const std::string& statusText() const { return statusText_; }
  // The detail of the failure message shown last; empty when the last message was no failure.
  const FailureDetail& failure() const { return failure_; }

 private:
  void ShowCounters();
  void ShowCurrent();
  void ShowStatus();
  // Takes what the platform layer recorded of the call that failed, before anything else runs.
  void TakeFailureDetail();
  int ShowBox(int id, int flags, int help);

  std::int32_t state_ = kNotReady;
  std::int32_t accountCount_ = 0;
  std::int32_t folderCount_ = 0;
  std::int32_t fileCount_ = 0;
  std::string currentPath_;
  std::string accountName_;
  std::string folderName_;
  std::string fileName_;
  std::string statusText_;
  FailureDetail failure_;
};

}  // namespace boxferry
