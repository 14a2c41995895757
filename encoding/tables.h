// Tables written by tools/gen_tables.py (cp932_table.cpp, jis_table.cpp) and how they are indexed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace boxferry::encoding {

// Double-byte codes are indexed by lead (81-9F, E0-FC: 60 rows) and trail byte (a slot for each of the 256
// values; only 40-FC can be defined, the other slots hold 0).
inline constexpr std::size_t kCp932Leads = 60;
inline constexpr std::size_t kCp932Trails = 256;

extern const char16_t kCp932DoubleByte[kCp932Leads * kCp932Trails];  // code point; 0: undefined
// The ISO-2022-JP cell (row byte << 8 | cell byte) each code is sent as; 0: undefined.
extern const std::uint16_t kCp932ToJis[kCp932Leads * kCp932Trails];

// Row of each byte as a lead byte in the double-byte tables, or -1 when it is none.
inline constexpr std::array<std::int8_t, 256> kCp932LeadRows = [] {
  std::array<std::int8_t, 256> rows{};
  for (int b = 0; b < 256; ++b) {
    rows[static_cast<std::size_t>(b)] = static_cast<std::int8_t>(b >= 0x81 && b <= 0x9F   ? b - 0x81
                                                                 : b >= 0xE0 && b <= 0xFC ? b - 0xE0 + 31
                                                                                          : -1);
  }
  return rows;
}();

inline int Cp932LeadRow(unsigned char b) {
  return kCp932LeadRows[b];
}

// Index of (lead row, trail) in the double-byte tables.
inline std::ptrdiff_t Cp932DoubleIndex(int leadRow, unsigned char trail) {
  return static_cast<std::ptrdiff_t>(leadRow) * static_cast<std::ptrdiff_t>(kCp932Trails) + trail;
}

}  // namespace boxferry::encoding
