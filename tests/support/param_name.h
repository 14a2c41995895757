// Names and printed forms for the rows of table-driven tests, so that ctest lists every row by a name of
// its own and a failure says which row failed.
#pragma once

#include <string>
#include <string_view>

#include "engine/run_state.h"

namespace boxferry::test {

// A row name made from one of the row's fields (GoogleTest takes only letters, digits and '_'): letters
// and digits are kept, a run of four or more of one letter is written as its length and the letter
// ("xxxxx" -> "5x"), a character beyond ASCII (UTF-8) is written as "U" and its code point in hex
// ("受" -> "U53D7"), every other byte becomes '_'. Empty text is "Empty".
std::string ParamName(std::string_view text);

// "NotReady", "Ready", "Running", "Cancelling", "Failed", "Completed", "Finish"; the number for others.
std::string RunStateName(int state);

}  // namespace boxferry::test
