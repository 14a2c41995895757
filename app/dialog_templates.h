// The two dialog templates as data: the main dialog (102) and the about box (100). Positions and sizes
// are in dialog units; a front end converts them with its font's metrics (DialogUnitsToPixels).
#pragma once

#include <string>
#include <vector>

namespace boxferry {

enum class ControlKind { kStatic, kEdit, kButton, kGroupBox, kIcon };

// Style bits of a control.
enum ControlStyle : unsigned {
  kAlignLeft = 0,
  kAlignRight = 1u << 0,
  kCenterVertically = 1u << 1,
  kReadOnly = 1u << 2,
  kBorder = 1u << 3,
  kAutoScrollH = 1u << 4,
  kMultiLine = 1u << 5,
  kTabStop = 1u << 6,
  kDefaultButton = 1u << 7,
  kNoPrefix = 1u << 8,  // "&" is shown as it stands, not as an access key
  kVerticalScroll = 1u << 9,
};

inline constexpr int kNoControlId = -1;
inline constexpr int kAboutOkButton = 1;  // the about box's OK (IDOK)

struct ControlTemplate {
  int id;  // kNoControlId for labels and group boxes nobody addresses
  ControlKind kind;
  std::string text;
  int x, y, width, height;
  unsigned style;
};

struct DialogTemplate {
  std::string caption;
  int width, height;
  std::string fontName;
  int pointSize;
  std::vector<ControlTemplate> controls;  // template order, which is also the Tab order
};

// Template 102 (kMainDialogTemplate). kCancelCloseButton carries the template's "キャンセル"; initialisation
// replaces it.
const DialogTemplate& MainDialogTemplate();
// Template 100 (kAboutDialogTemplate), with the notice (kMsgNotice) in kAboutNoticeEdit and OK, the
// default button.
const DialogTemplate& AboutDialogTemplate();

// Dialog-unit base of a font: the average width of the 52 Latin letters (rounded) and the line height,
// in pixels, as Windows computes it for a dialog font.
struct DialogBase {
  int x;
  int y;
};
int AverageLetterWidth(int widthOf52Letters);

struct PixelRect {
  int x, y, width, height;
  bool operator==(const PixelRect&) const = default;
};
PixelRect DialogUnitsToPixels(const DialogBase& base, int x, int y, int width, int height);

}  // namespace boxferry
