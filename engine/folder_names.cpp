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

// Length of the Windows device name that `text` starts with, when that name stands alone or before a
// dot; 0 otherwise.
std::size_t DeviceNameLength(const std::string& text) {
  static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
  static constexpr std::array<std::string_view, 2> kNumbered = {"COM", "LPT"};
  std::size_t length = 0;
  for (std::string_view name : kPlain) {
    if (text.size() >= 3 && EqualsNoCase(std::string_view(text).substr(0, 3), name)) length = 3;
  }
  for (std::string_view name : kNumbered) {
    if (text.size() >= 4 && EqualsNoCase(std::string_view(text).substr(0, 3), name) && text[3] >= '1' &&
        text[3] <= '9') {
      length = 4;
    }
  }
  if (length == 0) return 0;
  return (text.size() == length || text[length] == '.') ? length : 0;
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
void SanitizeFolderName(std::string& text) {
  for (char& c : text) {
    if (IsForbiddenInFileName(c)) c = '_';
  }
}

void AdjustOutputName(std::string& text) {
  if (const std::size_t device = DeviceNameLength(text)) text.insert(device, 1, '_');
  for (char& c : text) {
    if (IsUnsafeForThunderbird(static_cast<unsigned char>(c))) c = '_';
  }
  text.resize(encoding::Utf8PrefixLengthInUtf16Units(text, kMaxNameUnits));
  if (text.empty()) return;
  if (text.front() == '.') text.front() = '_';
  if (text.back() == '.' || text.back() == '~' || text.back() == ' ') text.back() = '_';
  static constexpr std::array<std::string_view, 4> kEndings = {".msf", ".sbd", ".snm", ".toc"};
  for (std::string_view ending : kEndings) {
    if (EndsWithNoCase(text, ending)) text[text.size() - ending.size()] = '_';
  }
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
