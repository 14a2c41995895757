// Byte-level text helpers every layer shares: runs of ASCII, blanks, and ASCII letter case. Bytes 80-FF
// are never letters or blanks here, so the helpers can be used on UTF-8 and code page 932 text alike; none
// allocates except AsciiLower, which returns a new string. Header-only, so the platform layer can use it
// without linking the encoding library.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace boxferry::encoding {

// First byte in [p, end) that is 80-FF, or end. Eight bytes at a time.
inline const unsigned char* FindNonAscii(const unsigned char* p, const unsigned char* end) {
  constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
  while (end - p >= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    if (word & kHighBits) break;
    p += 8;
  }
  while (p < end && *p < 0x80) ++p;
  return p;
}

// True when every byte of `text` is 00-7F.
inline bool IsAscii(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  return FindNonAscii(p, p + text.size()) == p + text.size();
}

// Space or tab: the blanks of header fields and INI files.
constexpr bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

constexpr std::string_view TrimLeadingBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

constexpr std::string_view TrimTrailingBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

constexpr std::string_view TrimBlanks(std::string_view s) {
  return TrimTrailingBlanks(TrimLeadingBlanks(s));
}

constexpr bool OnlyBlanks(std::string_view s) {
  return TrimLeadingBlanks(s).empty();
}

// ASCII A-Z / a-z only; every other byte unchanged.
constexpr char ToUpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
constexpr char ToLowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = ToLowerAscii(c);
  return out;
}

// Byte order after ASCII upper-casing: <0, 0 or >0.
constexpr int CompareNoCase(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(ToUpperAscii(a[i]));
    const auto cb = static_cast<unsigned char>(ToUpperAscii(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

constexpr bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

constexpr bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

constexpr bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace boxferry::encoding
