#include "engine/folder_names.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "encoding/text.h"
#include "encoding/utf8.h"
#include "platform/platform.h"

namespace boxferry {
namespace {

using encoding::EndsWithNoCase;
using encoding::EqualsNoCase;

// Length of the Windows device name `text` starts with (ASCII letters in any case, COM and LPT also
// with a superscript digit one to three), when only spaces stand between it and a dot or the end; 0
// otherwise. Windows opens such a name as the device, whatever follows the dot.
std::size_t DeviceNameLength(std::string_view text) {
  static constexpr std::array<std::string_view, 6> kPlain = {"CONIN$", "CONOUT$", "CON", "PRN", "AUX", "NUL"};
  static constexpr std::array<std::string_view, 2> kNumbered = {"COM", "LPT"};
  static constexpr std::array<std::string_view, 3> kSuperscripts = {"\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};
  std::size_t length = 0;
  for (std::string_view name : kPlain) {
    if (encoding::StartsWithNoCase(text, name)) {
      length = name.size();
      break;
    }
  }
  for (std::string_view name : kNumbered) {
    if (length != 0 || !encoding::StartsWithNoCase(text, name)) continue;
    const std::string_view digit = text.substr(name.size());
    if (!digit.empty() && digit[0] >= '1' && digit[0] <= '9') {
      length = name.size() + 1;
    } else {
      for (std::string_view superscript : kSuperscripts) {
        if (digit.starts_with(superscript)) length = name.size() + superscript.size();
      }
    }
  }
  if (length == 0) return 0;
  const std::size_t next = text.find_first_not_of(' ', length);
  return next == std::string_view::npos || text[next] == '.' ? length : 0;
}

// The characters a Windows file name cannot hold.
bool IsForbiddenInFileName(char c) {
  return std::string_view("\\/*:<>|").find(c) != std::string_view::npos;
}

// Those, and the characters that make Thunderbird look a folder up under another (hashed) file name.
bool IsUnsafeForThunderbird(unsigned char c) {
  return c < 0x20 || c == 0x7F || IsForbiddenInFileName(static_cast<char>(c)) ||
         std::string_view("\"?;#%").find(static_cast<char>(c)) != std::string_view::npos;
}

constexpr std::size_t kMaxNameUnits = 55;

}  // namespace

// UTF-8 never has an ASCII byte inside a multi-byte character, so replacing bytes replaces characters.
unsigned SanitizeFolderName(std::string& text) {
  unsigned rules = 0;
  for (char& c : text) {
    if (IsForbiddenInFileName(c)) {
      c = '_';
      rules = kNameUnsafeCharacter;
    }
  }
  return rules;
}

unsigned AdjustOutputName(std::string& text) {
  unsigned rules = 0;
  if (const std::size_t device = DeviceNameLength(text)) {
    text.insert(device, 1, '_');
    rules |= kNameDeviceName;
  }
  for (char& c : text) {
    if (IsUnsafeForThunderbird(static_cast<unsigned char>(c))) {
      c = '_';
      rules |= kNameUnsafeCharacter;
    }
  }
  const std::size_t cut = encoding::Utf8PrefixLengthInUtf16Units(text, kMaxNameUnits);
  if (cut < text.size()) {
    text.resize(cut);
    rules |= kNameTooLong;
  }
  if (text.empty()) return rules;
  if (text.front() == '.') {
    text.front() = '_';
    rules |= kNameLeadingDot;
  }
  if (text.back() == '.' || text.back() == '~' || text.back() == ' ') {
    text.back() = '_';
    rules |= kNameTrailingCharacter;
  }
  static constexpr std::array<std::string_view, 4> kEndings = {".msf", ".sbd", ".snm", ".toc"};
  for (std::string_view ending : kEndings) {
    if (EndsWithNoCase(text, ending)) {
      text[text.size() - ending.size()] = '_';
      rules |= kNameThunderbirdEnding;
    }
  }
  return rules;
}

unsigned AdjustAccountName(std::string& text) {
  unsigned rules = AdjustOutputName(text);
  // The names Thunderbird gives a role when a folder of that name stands at the top of Local Folders.
  static constexpr std::array<std::string_view, 8> kRoleNames = {
      "Inbox", "Trash", "Unsent Messages", "Drafts", "Templates", "Sent", "Junk", "Archives"};
  for (std::string_view role : kRoleNames) {
    if (EqualsNoCase(text, role)) {
      text += '_';
      rules |= kNameRole;
      break;
    }
  }
  return rules;
}

std::string JoinPath(const std::string& directory, const std::string& name) {
  std::string path;
  path.reserve(directory.size() + 1 + name.size());
  path += directory;
  path += platform::kPathSeparator;
  path += name;
  return path;
}

}  // namespace boxferry
