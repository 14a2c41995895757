// Code page 932 (Windows Shift_JIS) decoding. Never fails: ill-formed bytes decode to U+30FB (KATAKANA
// MIDDLE DOT) as Windows does.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace boxferry::encoding {

inline constexpr char32_t kMiddleDot = 0x30FB;

// 81-9F, E0-FC.
bool IsCp932LeadByte(unsigned char b);

// Decodes the character at p (n >= 1 bytes available): sets cp, returns bytes used (1 or 2).
// A lead byte with a byte that forms no character: U+30FB for both bytes when the second is 80-FF, for the
// lead byte alone when it is 00-7F (that byte is then read as itself); a lead byte at the end: U+30FB.
std::size_t DecodeCp932(const unsigned char* p, std::size_t n, char32_t& cp);

std::string Cp932ToUtf8(std::string_view bytes);

// Largest prefix length <= maxBytes of `bytes` that does not cut a double-byte character.
std::size_t Cp932PrefixLength(std::string_view bytes, std::size_t maxBytes);

}  // namespace boxferry::encoding
