// UTF-8 helpers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace boxferry::encoding {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Appends cp as UTF-8; a surrogate or a value above U+10FFFF is written as U+FFFD.
void AppendUtf8(std::string& out, char32_t cp);

// Decodes one UTF-8 character at pos; invalid sequence -> U+FFFD and 1 byte. Returns bytes used.
// Overlong forms, surrogates and values above U+10FFFF are invalid. pos must be < s.size().
std::size_t DecodeUtf8(std::string_view s, std::size_t pos, char32_t& cp);

// UTF-16 code units cp takes: 1 or 2.
std::size_t Utf16Units(char32_t cp);

}  // namespace boxferry::encoding
