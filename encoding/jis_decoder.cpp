#include "encoding/jis_decoder.h"

#include "encoding/tables.h"

namespace boxferry::encoding {
namespace {

constexpr unsigned char kEsc = 0x1B;
constexpr char kGeta[] = {'\x81', '\xAC'};  // U+3013 in code page 932

constexpr bool IsGraphic(unsigned char b) {
  return b >= 0x21 && b <= 0x7E;
}

}  // namespace

unsigned JisCellToCp932(unsigned char j1, unsigned char j2) {
  if (!IsGraphic(j1) || !IsGraphic(j2)) return 0;
  // Two rows share a lead byte: odd rows take trail bytes 40-9E (skipping 7F), even rows 9F-FC.
  const unsigned lead = (j1 + 1u) / 2 + (j1 <= 0x5E ? 0x70u : 0xB0u);
  const unsigned trail = (j1 & 1) ? j2 + (j2 < 0x60 ? 0x1Fu : 0x20u) : j2 + 0x7Eu;
  const int row = Cp932LeadRow(static_cast<unsigned char>(lead));
  if (row < 0) return 0;  // never for j1 21-7E (lead bytes 81-9F, E0-EF)
  const std::ptrdiff_t index = Cp932DoubleIndex(row, static_cast<unsigned char>(trail));
  if (kCp932ToJis[index] == 0) return 0;
  return lead << 8 | trail;
}

bool DecodeRawJis(std::string_view jis, std::string& out) {
  enum class Mode { kAscii, kJis, kKana } mode = Mode::kAscii;
  const std::size_t start = out.size();
  const auto* p = reinterpret_cast<const unsigned char*>(jis.data());
  const std::size_t n = jis.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char b = p[i];
    if (b == kEsc) {
      const unsigned char s1 = i + 1 < n ? p[i + 1] : 0;
      const unsigned char s2 = i + 2 < n ? p[i + 2] : 0;
      if (s1 == '(' && (s2 == 'B' || s2 == 'J')) {
        mode = Mode::kAscii;
      } else if (s1 == '$' && (s2 == 'B' || s2 == '@')) {
        mode = Mode::kJis;
      } else if (s1 == '(' && s2 == 'I') {
        mode = Mode::kKana;
      } else {
        out.resize(start);
        return false;
      }
      i += 3;
      continue;
    }
    if (b >= 0x80) {
      out.resize(start);
      return false;
    }
    if (!IsGraphic(b) || mode == Mode::kAscii) {  // 00-20 and 7F are themselves in every set
      out += static_cast<char>(b);
      ++i;
    } else if (mode == Mode::kKana) {
      if (b <= 0x5F) {
        out += static_cast<char>(b + 0x80);
      } else {
        out.append(kGeta, 2);
      }
      ++i;
    } else if (i + 1 < n && IsGraphic(p[i + 1])) {
      const unsigned code = JisCellToCp932(b, p[i + 1]);
      if (code == 0) {
        out.append(kGeta, 2);
      } else {
        out += static_cast<char>(code >> 8);
        out += static_cast<char>(code & 0xFF);
      }
      i += 2;
    } else {
      out.append(kGeta, 2);  // a lone byte
      ++i;
    }
  }
  return true;
}

}  // namespace boxferry::encoding
