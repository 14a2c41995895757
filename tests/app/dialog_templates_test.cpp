// The templates as data, and the conversion from dialog units to pixels.
#include "app/dialog_templates.h"

#include <gtest/gtest.h>

#include <set>

#include "engine/control_ids.h"
#include "engine/messages.h"

namespace boxferry {
namespace {

TEST(DialogTemplatesTest, MainDialogHasEveryAddressedControlOnceAndFourTabStops) {
  const DialogTemplate& dialog = MainDialogTemplate();
  EXPECT_EQ(dialog.caption, std::string("Boxferry Version ") + kVersionText);
  std::multiset<int> ids;
  std::vector<int> tabStops;
  for (const ControlTemplate& control : dialog.controls) {
    if (control.id != kNoControlId) ids.insert(control.id);
    if (control.style & kTabStop) tabStops.push_back(control.id);
    // Every control lies inside the client area.
    EXPECT_LE(control.x + control.width, dialog.width) << control.text;
    EXPECT_LE(control.y + control.height, dialog.height) << control.text;
  }
  EXPECT_EQ(ids, (std::multiset<int>{1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009, 1010, 1011,
                                     1012, 1014}));
  EXPECT_EQ(tabStops,
            (std::vector<int>{kChooseInputButton, kChooseOutputButton, kStartButton, kCancelCloseButton}));
}

TEST(DialogTemplatesTest, AboutBoxCarriesTheNoticeAndTheTitleLine) {
  const DialogTemplate& dialog = AboutDialogTemplate();
  EXPECT_EQ(dialog.caption, kAboutCaption);
  bool notice = false, title = false;
  for (const ControlTemplate& control : dialog.controls) {
    if (control.id == kAboutNoticeEdit) {
      notice = true;
      EXPECT_EQ(control.text, MessageText(kMsgNotice));
      EXPECT_TRUE(control.style & kReadOnly);
      EXPECT_TRUE(control.style & kMultiLine);
    }
    if (control.text == std::string("Boxferry  [Version ") + kVersionText + "]") {
      title = true;
      EXPECT_TRUE(control.style & kNoPrefix);
    }
  }
  EXPECT_TRUE(notice);
  EXPECT_TRUE(title);
}

TEST(DialogTemplatesTest, DialogUnitsConvertLikeMapDialogRect) {
  // Base 6 x 13 (a 9-point Japanese UI font at 96 dpi): x * 6 / 4, y * 13 / 8, corners rounded.
  const DialogBase base{6, 13};
  EXPECT_EQ(DialogUnitsToPixels(base, 0, 0, 339, 193), (PixelRect{0, 0, 509, 314}));
  EXPECT_EQ(DialogUnitsToPixels(base, 108, 6, 186, 12), (PixelRect{162, 10, 279, 19}));
  // Adjacent controls stay adjacent: the right edge of one is the left edge of the next.
  const PixelRect left = DialogUnitsToPixels(base, 5, 5, 7, 3);
  const PixelRect right = DialogUnitsToPixels(base, 12, 5, 7, 3);
  EXPECT_EQ(left.x + left.width, right.x);
  // Windows' average width of the 52 letters: (width / 26 + 1) / 2.
  EXPECT_EQ(AverageLetterWidth(312), 6);
  EXPECT_EQ(AverageLetterWidth(337), 6);
  EXPECT_EQ(AverageLetterWidth(338), 7);
}

}  // namespace
}  // namespace boxferry
