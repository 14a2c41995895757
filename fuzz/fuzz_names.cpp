// Titles from an INI file (code page 932, or UTF-8/UTF-16 with a byte-order mark) and raw directory entry
// names through SanitizeFolderName and AdjustOutputName. Every resolved name must be one the walk can
// create inside its output folder and Thunderbird opens as it stands:
// - never empty (for a non-empty title), never "." or "..", no separator, no control character, none of
//   \ / * : < > | " ? ; # %;
// - at most 55 UTF-16 code units; valid UTF-8 stays valid UTF-8;
// - no leading '.', no trailing '.', '~' or blank, no ending .msf .sbd .snm .toc, no device name (spaces
//   before the dot included), and as an account no name of Thunderbird's own top folders;
// - adjusting again changes nothing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "encoding/text.h"
#include "encoding/utf8.h"
#include "engine/folder_names.h"
#include "engine/ini_file.h"
#include "fuzz/fuzz_support.h"

namespace boxferry::fuzz {
namespace {

// Windows' own reading, written apart from the converter's: the part before the first dot, trailing
// spaces dropped, upper-cased, is a device.
bool IsDeviceName(std::string_view name) {
  std::string stem(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (char& c : stem) c = encoding::ToUpperAscii(c);
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (stem == device) return true;
  }
  if (!stem.starts_with("COM") && !stem.starts_with("LPT")) return false;
  const std::string_view digit = std::string_view(stem).substr(3);
  return (digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9') || digit == "\xC2\xB9" ||
         digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

void CheckName(const std::string& original, bool fromIni) {
  std::string name = original;
  if (fromIni) SanitizeFolderName(name);
  const bool wasValidUtf8 = encoding::IsWellFormedUtf8(name);
  AdjustOutputName(name);
  if (original.empty()) {
    Check(name.empty(), "an empty title became a name");
    return;
  }
  Check(!name.empty(), "a title became an empty name");
  Check(name != "." && name != "..", "a name is . or ..");
  std::size_t units = 0;
  for (std::size_t pos = 0; pos < name.size();) {
    char32_t cp = 0;
    pos += encoding::DecodeUtf8(name, pos, cp);
    units += encoding::Utf16Units(cp);
  }
  Check(units <= 55, "a name longer than 55 UTF-16 units");
  for (unsigned char c : name) {
    Check(c >= 0x20 && c != 0x7F, "a control character in a name");
    Check(std::string_view("\\/*:<>|\"?;#%").find(static_cast<char>(c)) == std::string_view::npos,
          "a separator or unsafe character in a name");
  }
  if (wasValidUtf8) Check(encoding::IsWellFormedUtf8(name), "a name was cut inside a character");
  Check(name.front() != '.', "a name begins with a dot");
  Check(name.back() != '.' && name.back() != '~' && name.back() != ' ', "a name ends in . ~ or blank");
  for (std::string_view ending : {".msf", ".sbd", ".snm", ".toc"}) {
    Check(!encoding::EndsWithNoCase(name, ending), "a name ends in a Thunderbird file ending");
  }
  Check(!IsDeviceName(name), "a name is a Windows device name");
  std::string again = name;
  AdjustOutputName(again);
  Check(again == name, "adjusting a name twice changes it");
  // As an account's name it also never takes one of Thunderbird's own folders at the top of Local Folders.
  std::string account = original;
  if (fromIni) SanitizeFolderName(account);
  AdjustAccountName(account);
  for (const char* role :
       {"Inbox", "Trash", "Unsent Messages", "Drafts", "Templates", "Sent", "Junk", "Archives"}) {
    Check(!encoding::EqualsNoCase(account, role), "an account name is one of Thunderbird's own folders");
  }
}

}  // namespace
}  // namespace boxferry::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace boxferry::fuzz;
  static const std::string iniPath = ScratchRoot() + "/Entry.ini";
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  // The input as a raw entry name (POSIX names are any bytes but '/' and NUL).
  CheckName(std::string(input.substr(0, 255)), false);

  // The input as an INI file: its Title and Type, and every line as a title of its own.
  Check(WriteWhole(iniPath, input), "cannot write the INI file");
  boxferry::IniFile ini;
  if (ini.Open("Entry.ini", ScratchRoot().c_str())) {
    std::string title;
    ini.ReadString("Property", "Title", title, nullptr, 1024);
    Check(title.size() <= 1023 * 3, "a title longer than its capacity allows");
    CheckName(title, true);
    std::string type;
    ini.ReadString("Property", "Type", type, "", 1024);
    CheckName(type, true);
  }
  return 0;
}
