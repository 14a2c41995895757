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
#include "app/win32/centring.h"
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
  EXPECT_TRUE(dialog.style & DS_CENTER);          // opens in the middle of the screen, not at its corner
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
  EXPECT_EQ(LoadStringW(nullptr, kLastMessageId + 1, reinterpret_cast<LPWSTR>(&none), 0), 0);
}

// The version as the resources write it: "1.0.1" -> {1, 0, 1}.
std::vector<unsigned> VersionNumbers(const std::string& text) {
  std::vector<unsigned> numbers(1, 0);
  for (char c : text) {
    if (c == '.') {
      numbers.push_back(0);
    } else {
      numbers.back() = numbers.back() * 10 + static_cast<unsigned>(c - '0');
    }
  }
  while (numbers.size() < 4) numbers.push_back(0);
  return numbers;
}

// A path CMake wrote for the build machine; a Unix one is reached through Wine's drive Z:.
std::wstring BuildPath(const char* path) {
  std::wstring wide = platform::Widen(path);
  if (!wide.empty() && wide[0] == L'/') wide = L"Z:" + wide;
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  return wide;
}

std::wstring VersionString(const std::vector<std::uint8_t>& info, const wchar_t* key) {
  wchar_t* value = nullptr;
  UINT length = 0;
  const std::wstring path = std::wstring(L"\\StringFileInfo\\041104B0\\") + key;
  if (!VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value) {
    return L"<none>";
  }
  return std::wstring(value, length > 0 && value[length - 1] == L'\0' ? length - 1 : length);
}

// Both executables carry the icon, a version resource with the program's own version and a manifest;
// Explorer shows them as Boxferry's, and Windows runs them as the manifest asks.
TEST(ResourcesTest, BothExecutablesCarryIconVersionAndManifest) {
  struct Case {
    std::wstring path;
    const wchar_t* originalName;
    const char* manifestName;
  };
  const Case cases[] = {
      {BuildPath(BOXFERRY_WINDOW_EXE), L"Boxferry.exe", "Boxferry"},
      {BuildPath(BOXFERRY_CLI_EXE), L"boxferry-cli.exe", "boxferry-cli"},
  };
  const std::vector<unsigned> version = VersionNumbers(kVersionText);
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.path));
    HMODULE module =
        LoadLibraryExW(c.path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(kAppIconResource), MAKEINTRESOURCEW(14)), nullptr);

    std::vector<std::uint8_t> info(GetFileVersionInfoSizeW(c.path.c_str(), nullptr));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoW(c.path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, (version[0] << 16) | version[1]);
    EXPECT_EQ(fixed->dwFileVersionLS, (version[2] << 16) | version[3]);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(Narrow(VersionString(info, L"FileVersion")), kVersionText);
    EXPECT_EQ(Narrow(VersionString(info, L"ProductVersion")), kVersionText);
    EXPECT_EQ(VersionString(info, L"ProductName"), L"Boxferry");
    EXPECT_EQ(VersionString(info, L"OriginalFilename"), c.originalName);

    HRSRC manifest = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_NE(manifest, nullptr);
    const std::string xml(static_cast<const char*>(LockResource(LoadResource(module, manifest))),
                          SizeofResource(module, manifest));
    const std::string identity = std::string("name=\"") + c.manifestName + "\"";
    const std::string manifestVersion = "version=\"" + std::to_string(version[0]) + "." +
                                        std::to_string(version[1]) + "." + std::to_string(version[2]) + "." +
                                        std::to_string(version[3]) + "\"";
    for (const std::string& needle :
         {identity, manifestVersion, std::string("Microsoft.Windows.Common-Controls"),
          std::string("version=\"6.0.0.0\""), std::string("level=\"asInvoker\""), std::string("PerMonitorV2"),
          std::string("true/pm"), std::string("longPathAware")}) {
      EXPECT_NE(xml.find(needle), std::string::npos) << needle;
    }
    FreeLibrary(module);
  }
  EXPECT_NE(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kAppIconResource)), nullptr);
}

TEST(CentringTest, CentredOverTheOwnerAndKeptOnTheWorkArea) {
  struct Case {
    const char* what;
    RECT owner;
    SIZE size;
    POINT corner;
  };
  const RECT work = {0, 0, 1024, 738};  // a 1024 x 768 screen above a taskbar
  const Case cases[] = {
      {"in the middle", {262, 192, 762, 512}, {300, 120}, {362, 292}},
      {"odd sizes round down", {0, 0, 101, 101}, {50, 50}, {25, 25}},
      {"owner near the right edge", {900, 100, 1100, 300}, {300, 100}, {724, 150}},
      {"owner near the bottom", {100, 650, 400, 900}, {200, 150}, {150, 588}},
      {"owner off the top left", {-300, -200, 100, 100}, {200, 200}, {0, 0}},
      {"larger than the work area", {0, 0, 1024, 738}, {1200, 800}, {0, 0}},
  };
  for (const Case& c : cases) {
    const POINT corner = win32::CentredOver(c.owner, c.size, work);
    EXPECT_EQ(corner.x, c.corner.x) << c.what;
    EXPECT_EQ(corner.y, c.corner.y) << c.what;
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
