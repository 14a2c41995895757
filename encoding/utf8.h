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

// True when every byte sequence of `text` is a character by DecodeUtf8's strict rules.
bool IsWellFormedUtf8(std::string_view text);

// Where to cut UTF-8 text between characters: the longest prefix of at most `maxBytes` bytes, or of at
// most `maxUnits` UTF-16 code units. A byte that is no well-formed character counts as one character.
std::size_t Utf8PrefixLength(std::string_view text, std::size_t maxBytes);
std::size_t Utf8PrefixLengthInUtf16Units(std::string_view text, std::size_t maxUnits);

// UTF-16LE bytes (no byte-order mark) as UTF-8; an unpaired surrogate becomes U+FFFD, an odd last byte
// is dropped.
std::string Utf16LeToUtf8(std::string_view bytes);

}  // namespace boxferry::encoding
