#include "app/dialog_templates.h"

#include <cstdint>

#include "engine/control_ids.h"
#include "engine/messages.h"

namespace boxferry {

namespace {

using K = ControlKind;

constexpr unsigned kLabel = kAlignLeft | kCenterVertically;
constexpr unsigned kPathField = kReadOnly | kBorder | kAutoScrollH;

DialogTemplate MakeMainDialog() {
  return DialogTemplate{
      kMainCaption,
      339,
      193,
      "MS Shell Dlg",
      9,
      {
          {kNoControlId, K::kStatic, "入力フォルダ [AL-Mail]", 6, 6, 96, 12, kLabel},
          {kInputPathEdit, K::kEdit, "", 108, 6, 186, 12, kPathField},
          {kChooseInputButton, K::kButton, "...", 300, 6, 30, 12, kTabStop},
          {kNoControlId, K::kStatic, "出力フォルダ [Thunderbird]", 6, 24, 96, 12, kLabel},
          {kOutputPathEdit, K::kEdit, "", 108, 24, 186, 12, kPathField},
          {kChooseOutputButton, K::kButton, "...", 300, 24, 30, 12, kTabStop},
          {kStartButton, K::kButton, "開始", 168, 42, 78, 18, kDefaultButton | kTabStop},
          {kNoControlId, K::kGroupBox, "状況", 6, 66, 324, 48, 0},
          {kStatusText, K::kStatic, "", 18, 78, 300, 8, kLabel},
          {kNoControlId, K::kStatic, "アカウント数：", 228, 132, 48, 8, kAlignRight},
          {kNoControlId, K::kStatic, "フォルダ数：", 228, 150, 48, 8, kAlignRight},
          {kNoControlId, K::kStatic, "ファイル数：", 228, 168, 48, 8, kAlignRight},
          {kAccountCountText, K::kStatic, "", 282, 132, 42, 8, kAlignRight},
          {kFolderCountText, K::kStatic, "", 282, 150, 42, 8, kAlignRight},
          {kFileCountText, K::kStatic, "", 282, 168, 41, 8, kAlignRight},
          {kCurrentPathEdit, K::kEdit, "", 18, 90, 300, 12, kReadOnly | kAutoScrollH},
          {kNoControlId, K::kStatic, "アカウント名：", 18, 132, 42, 8, kAlignRight},
          {kNoControlId, K::kStatic, "フォルダ名：", 18, 150, 42, 8, kAlignRight},
          {kNoControlId, K::kStatic, "ファイル名：", 18, 168, 42, 8, kAlignRight},
          {kAccountNameText, K::kStatic, "", 66, 132, 126, 8, kAlignLeft},
          {kFolderNameText, K::kStatic, "", 66, 150, 126, 8, kAlignLeft},
          {kFileNameText, K::kStatic, "", 66, 168, 126, 8, kAlignLeft},
          {kNoControlId, K::kGroupBox, "処理済み", 216, 120, 114, 66, 0},
          {kNoControlId, K::kGroupBox, "処理中", 6, 120, 198, 66, 0},
          {kCancelCloseButton, K::kButton, "キャンセル", 252, 42, 78, 18, kTabStop},
      },
  };
}

DialogTemplate MakeAboutDialog() {
  return DialogTemplate{
      kAboutCaption,
      211,
      172,
      "MS Shell Dlg",
      9,
      {
          {kNoControlId, K::kIcon, "", 6, 12, 20, 20, 0},
          {kNoControlId, K::kStatic, kAboutTitleLine, 36, 6, 168, 8, kNoPrefix},
          {kNoControlId, K::kStatic, AboutLine1(), 36, 18, 168, 8, 0},
          {kNoControlId, K::kStatic, AboutLine2(), 36, 36, 168, 8, 0},
          {kAboutNoticeEdit, K::kEdit, MessageText(kMsgNotice), 6, 54, 198, 90,
           kMultiLine | kReadOnly | kBorder | kVerticalScroll | kTabStop},
          {kAboutOkButton, K::kButton, "OK", 154, 152, 50, 14, kDefaultButton | kTabStop},
      },
  };
}

// MulDiv as Windows rounds it: half away from zero.
int MulDiv(int value, int numerator, int denominator) {
  const std::int64_t product = static_cast<std::int64_t>(value) * numerator;
  const std::int64_t half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

}  // namespace

const DialogTemplate& MainDialogTemplate() {
  static const DialogTemplate dialog = MakeMainDialog();
  return dialog;
}

const DialogTemplate& AboutDialogTemplate() {
  static const DialogTemplate dialog = MakeAboutDialog();
  return dialog;
}

int AverageLetterWidth(int widthOf52Letters) {
  return (widthOf52Letters / 26 + 1) / 2;
}

PixelRect DialogUnitsToPixels(const DialogBase& base, int x, int y, int width, int height) {
  // Corners are converted, as MapDialogRect does, so adjacent controls stay adjacent.
  const int left = MulDiv(x, base.x, 4);
  const int top = MulDiv(y, base.y, 8);
  const int right = MulDiv(x + width, base.x, 4);
  const int bottom = MulDiv(y + height, base.y, 8);
  return PixelRect{left, top, right - left, bottom - top};
}

}  // namespace boxferry
