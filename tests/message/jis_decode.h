// Test-side inverse of the transcoder: ISO-2022-JP (and RFC 2047 words of it) back to code page 932.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace boxferry::test {

// ISO-2022-JP bytes back to code page 932 (for a cell several codes map to, the lowest code).
std::string JisToCp932(std::string_view jis);

std::string Base64Decode(std::string_view text);

// A header line as a reader of RFC 2047 sees it: every =?ISO-2022-JP?B?...?= word decoded, blanks between
// adjacent words dropped, the rest read as ISO-2022-JP. `words` receives the raw JIS text of every word.
std::string DecodeHeaderLine(std::string_view line, std::vector<std::string>* words = nullptr,
                             std::vector<std::string>* encodedWords = nullptr);

// UTF-8 text as code page 932 (the lowest code of a character that has several), for writing Shift_JIS
// test input readably. Every character must have a code.
std::string Cp932(std::string_view utf8);

// What a reader of RFC 2047 shows for header text, as UTF-8: every =?ISO-2022-JP?B?...?= and
// =?UTF-8?B?...?= word decoded (charset in any case), blanks between adjacent words dropped, other text read
// as UTF-8 when it is well-formed UTF-8 with bytes 80-FF, else as ISO-2022-JP. Folded text is given unfolded.
std::string ShowHeader(std::string_view text);

// True when the JIS text starts and ends in ASCII and never has two escape sequences in a row.
bool WellFormedJis(std::string_view jis);

}  // namespace boxferry::test
