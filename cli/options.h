// The command line of boxferry-cli and its texts for --help and --version.
#pragma once

#include <string>
#include <vector>

namespace boxferry::cli {

struct Options {
  enum class Action { kConvert, kHelp, kVersion, kListProfiles };
  Action action = Action::kConvert;
  std::string input;
  std::string output;
  // --report FILE: where the conversion report goes as JSON; empty when none is asked for.
  std::string report;
  // Empty when the arguments can be used; otherwise what is wrong with them, as one line.
  std::string error;
};

// Reads the arguments (without the program name). --help, -h and --version win over everything else,
// wherever they stand; "--" ends the options. --report takes the next argument (or what follows "=") as its
// file, whatever it looks like.
Options ParseArguments(const std::vector<std::string>& args);

// The text of --help (UTF-8, LF line ends).
const char* HelpText();
// The text of --version in the GNU form: "boxferry-cli (Boxferry) VERSION", the copyright line, the terms.
std::string VersionText();
// The line that follows a usage error.
const char* HelpHint();

}  // namespace boxferry::cli
