#include "encoding/cp932.h"

#include "encoding/tables.h"
#include "encoding/text.h"
#include "encoding/utf8.h"

namespace boxferry::encoding {

bool IsCp932LeadByte(unsigned char b) {
  return Cp932LeadRow(b) >= 0;
}

std::size_t DecodeCp932(const unsigned char* p, std::size_t n, char32_t& cp) {
  const unsigned char b = p[0];
  if (b < 0x80) {
    cp = b;
    return 1;
  }
  if (b >= 0xA1 && b <= 0xDF) {  // half-width katakana
    cp = 0xFF61 + (b - 0xA1);
    return 1;
  }
  const int row = Cp932LeadRow(b);
  if (row < 0) {  // the single bytes Windows maps to U+0080 and the private use area
    cp = b == 0x80 ? 0x0080 : b == 0xA0 ? 0xF8F0 : 0xF8F1 + (b - 0xFD);
    return 1;
  }
  if (n < 2) {
    cp = kMiddleDot;
    return 1;
  }
  const unsigned char trail = p[1];
  const std::ptrdiff_t index = Cp932DoubleIndex(row, trail);
  if (kCp932DoubleByte[index] != 0) {
    cp = kCp932DoubleByte[index];
    return 2;
  }
  cp = kMiddleDot;
  return trail >= 0x80 ? 2 : 1;
}

std::string Cp932ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    const unsigned char* runEnd = FindNonAscii(p, end);
    out.append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(runEnd - p));
    p = runEnd;
    if (p == end) break;
    char32_t cp;
    p += DecodeCp932(p, static_cast<std::size_t>(end - p), cp);
    AppendUtf8(out, cp);
  }
  return out;
}

std::size_t Cp932PrefixLength(std::string_view bytes, std::size_t maxBytes) {
  if (maxBytes >= bytes.size()) return bytes.size();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t pos = 0;
  while (pos < maxBytes) {
    char32_t cp;
    const std::size_t used = DecodeCp932(p + pos, bytes.size() - pos, cp);
    if (pos + used > maxBytes) break;
    pos += used;
  }
  return pos;
}

}  // namespace boxferry::encoding
