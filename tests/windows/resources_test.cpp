// The compiled resources of Boxferry.exe (linked into this test as they are into the program): the two
// dialog templates must be what app/dialog_templates.cpp says, control by control; the string table must
// hold the engine's texts; icon, version and manifest must be there.
#include <gtest/gtest.h>
#include <windows.h>
// windows.h first: the others build on it.
#include <shlobj.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/dialog_templates.h"
#include "app/win32/app_title.h"
#include "app/win32/folder_browser.h"
#include "engine/control_ids.h"
#include "engine/messages.h"
#include "platform/win32/wide_text.h"

namespace boxferry {
namespace {

using platform::Narrow;

// A DLGTEMPLATEEX as read back from the resource.
struct ParsedControl {
  std::uint32_t id = 0;
  std::uint16_t classOrdinal = 0;
  std::string text;
  std::uint16_t textOrdinal = 0;  // icon controls name their icon by ordinal
  DWORD style = 0;
  int x = 0, y = 0, width = 0, height = 0;
};

struct ParsedDialog {
  DWORD style = 0;
  DWORD exStyle = 0;
  int width = 0, height = 0;
  std::string caption;
  int pointSize = 0;
  std::string font;
  std::vector<ParsedControl> controls;
};

class Reader {
 public:
  explicit Reader(const std::uint8_t* p) : p_(p), start_(p) {}
  std::uint16_t Word() {
    std::uint16_t v;
    std::memcpy(&v, p_, 2);
    p_ += 2;
    return v;
  }
  std::uint32_t Dword() {
    std::uint32_t v;
    std::memcpy(&v, p_, 4);
    p_ += 4;
    return v;
  }
  std::uint8_t Byte() { return *p_++; }
  std::wstring String() {
    std::wstring s;
    for (std::uint16_t c; (c = Word()) != 0;) s += static_cast<wchar_t>(c);
    return s;
  }
  // A string or an ordinal (0xFFFF followed by the number).
  std::wstring StringOrOrdinal(std::uint16_t& ordinal) {
    ordinal = 0;
    std::uint16_t first;
    std::memcpy(&first, p_, 2);
    if (first == 0xFFFF) {
      Word();
      ordinal = Word();
      return std::wstring();
    }
    return String();
  }
  void AlignDword() {
    while ((p_ - start_) % 4 != 0) ++p_;
  }
  void Skip(std::size_t n) { p_ += n; }

 private:
  const std::uint8_t* p_;
  const std::uint8_t* start_;
};

ParsedDialog LoadDialog(int id) {
  ParsedDialog dialog;
  HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));  // RT_DIALOG
  if (!resource) return dialog;
  Reader r(static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, resource))));
  EXPECT_EQ(r.Word(), 1);       // dlgVer
  EXPECT_EQ(r.Word(), 0xFFFF);  // signature: extended template
  r.Dword();                    // help id
  dialog.exStyle = r.Dword();
  dialog.style = r.Dword();
  const int count = r.Word();
  r.Word();  // x
  r.Word();  // y
  dialog.width = static_cast<std::int16_t>(r.Word());
  dialog.height = static_cast<std::int16_t>(r.Word());
  std::uint16_t ordinal;
  r.StringOrOrdinal(ordinal);  // menu
  r.StringOrOrdinal(ordinal);  // class
  dialog.caption = Narrow(r.String());
  if (dialog.style & (DS_SETFONT | DS_FIXEDSYS)) {
    dialog.pointSize = r.Word();
    r.Word();  // weight
    r.Byte();  // italic
    r.Byte();  // charset
    dialog.font = Narrow(r.String());
  }
  for (int i = 0; i < count; ++i) {
    r.AlignDword();
    ParsedControl c;
    r.Dword();  // help id
    r.Dword();  // extended style
    c.style = r.Dword();
    c.x = static_cast<std::int16_t>(r.Word());
    c.y = static_cast<std::int16_t>(r.Word());
    c.width = static_cast<std::int16_t>(r.Word());
    c.height = static_cast<std::int16_t>(r.Word());
    c.id = r.Dword();
    const std::wstring className = r.StringOrOrdinal(c.classOrdinal);
    // A control class may be named instead of numbered.
    if (_wcsicmp(className.c_str(), L"Button") == 0) c.classOrdinal = 0x0080;
    if (_wcsicmp(className.c_str(), L"Edit") == 0) c.classOrdinal = 0x0081;
    if (_wcsicmp(className.c_str(), L"Static") == 0) c.classOrdinal = 0x0082;
    c.text = Narrow(r.StringOrOrdinal(c.textOrdinal));
    r.Skip(r.Word());  // creation data
    dialog.controls.push_back(c);
  }
  return dialog;
}

// The template data's style bits as the resource expresses them.
unsigned StyleBits(const ParsedControl& c) {
  unsigned bits = 0;
  if (c.style & WS_TABSTOP) bits |= kTabStop;
  if (c.style & WS_BORDER) bits |= kBorder;
  if (c.style & WS_VSCROLL) bits |= kVerticalScroll;
  switch (c.classOrdinal) {
    case 0x0080:  // button
      if ((c.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) bits |= kDefaultButton;
      break;
    case 0x0081:  // edit
      if (c.style & ES_READONLY) bits |= kReadOnly;
      if (c.style & ES_AUTOHSCROLL) bits |= kAutoScrollH;
      if (c.style & ES_MULTILINE) bits |= kMultiLine;
      break;
    case 0x0082:  // static
      if ((c.style & SS_TYPEMASK) == SS_RIGHT) bits |= kAlignRight;
      if (c.style & SS_CENTERIMAGE) bits |= kCenterVertically;
      if (c.style & SS_NOPREFIX) bits |= kNoPrefix;
      break;
  }
  return bits;
}

bool KindMatches(const ParsedControl& c, ControlKind kind) {
  switch (kind) {
    case ControlKind::kStatic:
      return c.classOrdinal == 0x0082 &&
             ((c.style & SS_TYPEMASK) == SS_LEFT || (c.style & SS_TYPEMASK) == SS_RIGHT);
    case ControlKind::kIcon:
      return c.classOrdinal == 0x0082 && (c.style & SS_TYPEMASK) == SS_ICON;
    case ControlKind::kEdit:
      return c.classOrdinal == 0x0081;
    case ControlKind::kButton:
      return c.classOrdinal == 0x0080 &&
             ((c.style & BS_TYPEMASK) == BS_PUSHBUTTON || (c.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
    case ControlKind::kGroupBox:
      return c.classOrdinal == 0x0080 && (c.style & BS_TYPEMASK) == BS_GROUPBOX;
  }
  return false;
}

void ExpectSameTemplate(int resourceId, const DialogTemplate& expected) {
  const ParsedDialog dialog = LoadDialog(resourceId);
  EXPECT_EQ(dialog.caption, expected.caption);
  EXPECT_EQ(dialog.width, expected.width);
  EXPECT_EQ(dialog.height, expected.height);
  EXPECT_EQ(dialog.font, expected.fontName);
  EXPECT_EQ(dialog.pointSize, expected.pointSize);
  const DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  EXPECT_EQ(dialog.style & frame, frame);
  EXPECT_EQ(dialog.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0u);
  ASSERT_EQ(dialog.controls.size(), expected.controls.size());
  for (std::size_t i = 0; i < expected.controls.size(); ++i) {
    const ControlTemplate& want = expected.controls[i];
    const ParsedControl& got = dialog.controls[i];
    SCOPED_TRACE("control " + std::to_string(i) + " (" + std::to_string(want.id) + ")");
    const int id = (got.id == 0xFFFF || got.id == 0xFFFFFFFFu) ? kNoControlId : static_cast<int>(got.id);
    EXPECT_EQ(id, want.id);
    EXPECT_TRUE(KindMatches(got, want.kind)) << std::hex << got.classOrdinal << " " << got.style;
    if (want.kind == ControlKind::kIcon) {
      EXPECT_EQ(got.textOrdinal, kAppIconResource);
    } else if (want.kind != ControlKind::kEdit) {
      EXPECT_EQ(got.text, want.text);
    }
    EXPECT_EQ(got.x, want.x);
    EXPECT_EQ(got.y, want.y);
    EXPECT_EQ(got.width, want.width);
    EXPECT_EQ(got.height, want.height);
    EXPECT_EQ(StyleBits(got), want.style);
    EXPECT_TRUE(got.style & WS_VISIBLE);
  }
}

TEST(ResourcesTest, MainDialogTemplateMatchesTheSharedData) {
  ExpectSameTemplate(kMainDialogTemplate, MainDialogTemplate());
  const ParsedDialog dialog = LoadDialog(kMainDialogTemplate);
  EXPECT_TRUE(dialog.style & WS_VISIBLE);
  EXPECT_TRUE(dialog.exStyle & WS_EX_APPWINDOW);  // its own taskbar button
}

TEST(ResourcesTest, AboutBoxTemplateMatchesTheSharedData) {
  ExpectSameTemplate(kAboutDialogTemplate, AboutDialogTemplate());
}

TEST(ResourcesTest, StringTableHoldsTheEngineTexts) {
  for (int id = kFirstMessageId; id <= kLastMessageId; ++id) {
    const wchar_t* text = nullptr;
    const int length = LoadStringW(nullptr, static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
    ASSERT_GT(length, 0) << id;
    EXPECT_EQ(Narrow(std::wstring(text, static_cast<std::size_t>(length))), MessageText(id)) << id;
  }
  const wchar_t* none = nullptr;
  EXPECT_EQ(LoadStringW(nullptr, 122, reinterpret_cast<LPWSTR>(&none), 0), 0);
}

TEST(ResourcesTest, IconVersionAndManifest) {
  EXPECT_NE(FindResourceW(nullptr, MAKEINTRESOURCEW(kAppIconResource), MAKEINTRESOURCEW(14)), nullptr);
  EXPECT_NE(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kAppIconResource)), nullptr);

  HRSRC version = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16));  // RT_VERSION
  ASSERT_NE(version, nullptr);
  const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, version)));
  const std::size_t size = SizeofResource(nullptr, version);
  const VS_FIXEDFILEINFO* fixed = nullptr;
  for (std::size_t i = 0; i + sizeof(VS_FIXEDFILEINFO) <= size; i += 4) {
    std::uint32_t signature;
    std::memcpy(&signature, bytes + i, 4);
    if (signature == 0xFEEF04BD) {
      fixed = reinterpret_cast<const VS_FIXEDFILEINFO*>(bytes + i);
      break;
    }
  }
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);  // 1.0
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00010000u);  // .1.0

  HRSRC manifest = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  ASSERT_NE(manifest, nullptr);
  const std::string xml(static_cast<const char*>(LockResource(LoadResource(nullptr, manifest))),
                        SizeofResource(nullptr, manifest));
  for (const char* needle : {"Microsoft.Windows.Common-Controls", "version=\"6.0.0.0\"",
                             "level=\"asInvoker\"", "PerMonitorV2", "true/pm"}) {
    EXPECT_NE(xml.find(needle), std::string::npos) << needle;
  }
}

TEST(AppTitleTest, IsTheExecutableNameWithoutExtension) {
  EXPECT_EQ(win32::TitleFromModulePath(L"C:\\Program Files\\Boxferry\\Boxferry.exe"), L"Boxferry");
  EXPECT_EQ(win32::TitleFromModulePath(L"D:\\tools\\my.box.ferry.EXE"), L"my.box.ferry");
  EXPECT_EQ(win32::TitleFromModulePath(L"noext"), L"noext");
  EXPECT_EQ(win32::TitleFromModulePath(L"C:\\dir.d\\.hidden"), L".hidden");
  EXPECT_EQ(win32::ApplicationTitle(), L"windows_resources_tests");
}

TEST(FolderBrowserTest, CallbackKeepsTheBrowserOpenOnlyOnFailedValidation) {
  const std::wstring empty;
  for (UINT notification : {UINT{BFFM_VALIDATEFAILEDA}, UINT{BFFM_VALIDATEFAILEDW}}) {
    EXPECT_EQ(win32::BrowseCallback(nullptr, notification, 0, reinterpret_cast<LPARAM>(&empty)), 1);
  }
  for (UINT notification : {UINT{BFFM_INITIALIZED}, UINT{BFFM_SELCHANGED}, UINT{5}}) {
    EXPECT_EQ(win32::BrowseCallback(nullptr, notification, 0, reinterpret_cast<LPARAM>(&empty)), 0);
  }
  EXPECT_EQ(win32::kBrowseFlags, 0x79u);
}

}  // namespace
}  // namespace boxferry
