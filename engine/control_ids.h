// Identifiers of the main dialog's controls, the about box's notice and the system-menu entry.
#pragma once

namespace boxferry {

enum ControlId : int {
  kInputPathEdit = 1000,
  kOutputPathEdit = 1001,
  kChooseInputButton = 1002,
  kChooseOutputButton = 1003,
  kStartButton = 1004,
  kStatusText = 1005,
  kAccountCountText = 1006,
  kFolderCountText = 1007,
  kFileCountText = 1008,
  kCurrentPathEdit = 1009,
  kAccountNameText = 1010,
  kFolderNameText = 1011,
  kFileNameText = 1012,
  kCancelCloseButton = 1014,
};

inline constexpr int kAboutNoticeEdit = 1006;  // in the about box
inline constexpr int kAboutMenuCommand = 16;   // system-menu entry
inline constexpr int kMainDialogTemplate = 102;
inline constexpr int kAboutDialogTemplate = 100;
inline constexpr int kAppIconResource = 128;

}  // namespace boxferry
