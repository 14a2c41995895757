// Tables written by tools/gen_tables.py (cp932_table.cpp, jis_table.cpp) and how they are indexed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace boxferry::encoding {

// Double-byte codes are indexed by lead (81-9F, E0-FC: 60 bytes) and trail (40-FC: 189 bytes).
inline constexpr std::size_t kCp932Leads = 60;
inline constexpr std::size_t kCp932Trails = 189;
inline constexpr unsigned char kCp932FirstTrail = 0x40;
inline constexpr unsigned char kCp932LastTrail = 0xFC;

extern const char16_t kCp932DoubleByte[kCp932Leads * kCp932Trails];  // code point; 0: undefined
// The ISO-2022-JP cell (row byte << 8 | cell byte) each code is sent as; 0: undefined.
extern const std::uint16_t kCp932ToJis[kCp932Leads * kCp932Trails];

// Row of a lead byte in the double-byte tables, or -1 when b is no lead byte.
inline int Cp932LeadRow(unsigned char b) {
  if (b >= 0x81 && b <= 0x9F) return b - 0x81;
  if (b >= 0xE0 && b <= 0xFC) return b - 0xE0 + 31;
  return -1;
}

// Index of (lead row, trail) in the double-byte tables, or -1 when the trail is outside 40-FC.
inline std::ptrdiff_t Cp932DoubleIndex(int leadRow, unsigned char trail) {
  if (trail < kCp932FirstTrail || trail > kCp932LastTrail) return -1;
  return static_cast<std::ptrdiff_t>(leadRow) * static_cast<std::ptrdiff_t>(kCp932Trails) +
         (trail - kCp932FirstTrail);
}

}  // namespace boxferry::encoding
