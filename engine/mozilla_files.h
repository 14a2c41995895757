// Readers for the text files in which Thunderbird keeps its profiles and settings: profiles.ini and
// installs.ini (UTF-8, Mozilla's INI dialect) and a profile's prefs.js (user_pref lines). Any bytes are
// accepted; what cannot be read is skipped.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace boxferry {

struct IniSection {
  std::string name;
  std::vector<std::pair<std::string, std::string>> entries;  // in file order

  // The value of `key` (compared exactly), or null.
  const std::string* Find(std::string_view key) const;
};

// Sections in file order. A line ends at CR or LF, as Mozilla reads it; lines are `[name]`, `key=value`
// (the value is the rest of the line) or comments beginning with ';' or '#'; lines before the first
// section are ignored.
std::vector<IniSection> ParseMozillaIni(std::string_view text);

// Every user_pref("name", value) of a prefs.js: string values unescaped (\\ \" \' \n \r \t \xHH \uHHHH),
// numbers and true/false as written. Comments (//, /* */, #) are skipped; a later line wins.
std::map<std::string, std::string> ParsePrefs(std::string_view text);

}  // namespace boxferry
