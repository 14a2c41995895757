// Finding the end of a run of bytes 00-7F, eight bytes at a time.
#pragma once

#include <cstdint>
#include <cstring>

namespace boxferry::encoding {

// First byte in [p, end) that is 80-FF, or end.
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

}  // namespace boxferry::encoding
