// Thunderbird's profile files as any bytes: prefs.js through ParsePrefs, profiles.ini through
// ParseMozillaIni. Every pref read is read again the same when written back the way Thunderbird writes it
// (escaped, one user_pref a line); an INI key never holds '=' and no name, key or value a line end.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "engine/mozilla_files.h"
#include "fuzz/fuzz_support.h"

namespace boxferry::fuzz {
namespace {

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace
}  // namespace boxferry::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace boxferry;
  using boxferry::fuzz::Check;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const std::map<std::string, std::string> prefs = ParsePrefs(text);
  std::string written;
  for (const auto& [name, value] : prefs)
    written += "user_pref(" + fuzz::Quoted(name) + ", " + fuzz::Quoted(value) + ");\n";
  Check(ParsePrefs(written) == prefs, "prefs written back read differently");

  for (const IniSection& section : ParseMozillaIni(text)) {
    Check(section.name.find_first_of("\r\n") == std::string::npos, "a line end in a section name");
    for (const auto& [key, value] : section.entries) {
      Check(key.find('=') == std::string::npos, "'=' in an INI key");
      Check(key.find('\n') == std::string::npos && value.find('\n') == std::string::npos,
            "a line end in an entry");
    }
  }
  return 0;
}
