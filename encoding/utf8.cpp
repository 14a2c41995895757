#include "encoding/utf8.h"

namespace boxferry::encoding {

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacementCharacter;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    const char bytes[2] = {static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F))};
    out.append(bytes, 2);
  } else if (cp < 0x10000) {
    const char bytes[3] = {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                           static_cast<char>(0x80 | (cp & 0x3F))};
    out.append(bytes, 3);
  } else {
    const char bytes[4] = {
        static_cast<char>(0xF0 | (cp >> 18)), static_cast<char>(0x80 | ((cp >> 12) & 0x3F)),
        static_cast<char>(0x80 | ((cp >> 6) & 0x3F)), static_cast<char>(0x80 | (cp & 0x3F))};
    out.append(bytes, 4);
  }
}

std::size_t DecodeUtf8(std::string_view s, std::size_t pos, char32_t& cp) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char b = byte(pos);
  cp = kReplacementCharacter;
  if (b < 0x80) {
    cp = b;
    return 1;
  }
  std::size_t len;
  char32_t value;
  char32_t min;
  if (b >= 0xC2 && b <= 0xDF) {
    len = 2, value = b & 0x1F, min = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    len = 3, value = b & 0x0F, min = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    len = 4, value = b & 0x07, min = 0x10000;
  } else {
    return 1;
  }
  if (s.size() - pos < len) return 1;
  for (std::size_t i = 1; i < len; ++i) {
    const unsigned char c = byte(pos + i);
    if ((c & 0xC0) != 0x80) return 1;
    value = (value << 6) | (c & 0x3F);
  }
  if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 1;
  cp = value;
  return len;
}

std::size_t Utf16Units(char32_t cp) {
  return cp >= 0x10000 && cp <= 0x10FFFF ? 2 : 1;
}

bool IsWellFormedUtf8(std::string_view text) {
  for (std::size_t pos = 0; pos < text.size();) {
    const auto b = static_cast<unsigned char>(text[pos]);
    if (b < 0x80) {
      ++pos;
      continue;
    }
    char32_t cp;
    const std::size_t used = DecodeUtf8(text, pos, cp);
    // DecodeUtf8 gives U+FFFD and 1 byte for an invalid sequence; U+FFFD itself takes 3.
    if (used == 1) return false;
    pos += used;
  }
  return true;
}

std::size_t Utf8PrefixLength(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text.size();
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t cp;
    const std::size_t used = DecodeUtf8(text, pos, cp);
    if (pos + used > maxBytes) break;
    pos += used;
  }
  return pos;
}

std::size_t Utf8PrefixLengthInUtf16Units(std::string_view text, std::size_t maxUnits) {
  std::size_t units = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t cp;
    const std::size_t used = DecodeUtf8(text, pos, cp);
    units += Utf16Units(cp);
    if (units > maxUnits) break;
    pos += used;
  }
  return pos;
}

std::string Utf16LeToUtf8(std::string_view bytes) {
  const auto unitAt = [&](std::size_t i) {
    return static_cast<char32_t>(static_cast<unsigned char>(bytes[i]) |
                                 (static_cast<unsigned char>(bytes[i + 1]) << 8));
  };
  std::string out;
  std::size_t i = 0;
  while (i + 1 < bytes.size()) {
    char32_t unit = unitAt(i);
    i += 2;
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < bytes.size()) {
      const char32_t low = unitAt(i);
      if (low >= 0xDC00 && low < 0xE000) {
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    AppendUtf8(out, unit);  // a lone surrogate comes out as U+FFFD
  }
  return out;
}

}  // namespace boxferry::encoding
