#include "encoding/jis_encoder.h"

#include <algorithm>
#include <cstring>

#include "encoding/cp932.h"
#include "encoding/tables.h"
#include "encoding/text.h"

namespace boxferry::encoding {
namespace {

constexpr unsigned kMiddleDotCell = 0x2126;  // U+30FB
constexpr unsigned kGetaCell = 0x222E;       // U+3013
constexpr char kEscAscii[3] = {0x1B, 0x28, 0x42};
constexpr char kEscJis[3] = {0x1B, 0x24, 0x42};
constexpr char kEscKana[3] = {0x1B, 0x28, 0x49};
// Input is converted in slices so the output can be written through a pointer into a buffer sized for
// the worst case (5 bytes per byte read) without sizing for the whole text at once.
constexpr std::size_t kSlice = 16384;
constexpr std::size_t kMaxOutPerByte = 5;

char32_t FixUp(char32_t cp) {
  switch (cp) {
    case 0x2225:
      return 0x2016;
    case 0xFF0D:
      return 0x2212;
    case 0xFF5E:
      return 0x301C;
    case 0xFFE0:
      return 0x00A2;
    case 0xFFE1:
      return 0x00A3;
    case 0xFFE2:
      return 0x00AC;
    default:
      return cp;
  }
}

// Cell for lead row `row` followed by `trail`; `used` becomes the bytes taken (1 or 2).
inline unsigned LeadCell(int row, unsigned char trail, std::size_t& used) {
  const std::ptrdiff_t index = Cp932DoubleIndex(row, trail);
  if (index >= 0 && kCp932ToJis[index] != 0) {
    used = 2;
    return kCp932ToJis[index];
  }
  used = trail >= 0x80 ? 2 : 1;
  return kMiddleDotCell;
}

inline char* PutEscape(const char (&seq)[3], char* w) {
  std::memcpy(w, seq, 3);
  return w + 3;
}

}  // namespace

unsigned JisCellOf(char32_t cp) {
  cp = FixUp(cp);
  const JisCell* first = kUnicodeToJis;
  const JisCell* last = kUnicodeToJis + kUnicodeToJisCount;
  const JisCell* it =
      std::lower_bound(first, last, cp, [](const JisCell& cell, char32_t value) { return cell.cp < value; });
  return it != last && it->cp == cp ? it->jis : 0;
}

void JisEncoder::Reset() {
  mode_ = Mode::kAscii;
  held_lead_ = 0;
}

char* JisEncoder::Convert(const unsigned char*& p, const unsigned char* stop, const unsigned char* end,
                          char* w) {
  while (p < stop) {
    const unsigned char b = *p;
    if (b < 0x80) {
      if (mode_ != Mode::kAscii) {
        w = PutEscape(kEscAscii, w);
        mode_ = Mode::kAscii;
      }
      const unsigned char* run_end = FindNonAscii(p + 1, stop);
      std::memcpy(w, p, static_cast<std::size_t>(run_end - p));
      w += run_end - p;
      p = run_end;
      continue;
    }
    if (b >= 0xA1 && b <= 0xDF) {
      if (mode_ != Mode::kKana) {
        w = PutEscape(kEscKana, w);
        mode_ = Mode::kKana;
      }
      *w++ = static_cast<char>(b - 0x80);
      ++p;
      continue;
    }
    unsigned cell;
    const int row = Cp932LeadRow(b);
    if (row < 0) {  // 80, A0, FD-FF: no cell
      cell = kGetaCell;
      ++p;
    } else if (p + 1 == end) {
      held_lead_ = b;
      ++p;
      break;
    } else {
      std::size_t used;
      cell = LeadCell(row, p[1], used);
      p += used;
    }
    if (mode_ != Mode::kJis) {
      w = PutEscape(kEscJis, w);
      mode_ = Mode::kJis;
    }
    *w++ = static_cast<char>(cell >> 8);
    *w++ = static_cast<char>(cell & 0xFF);
    // The common case in Japanese text: more well-formed double-byte characters follow.
    while (stop - p >= 2) {
      const int next_row = Cp932LeadRow(p[0]);
      if (next_row < 0) break;
      const std::ptrdiff_t index = Cp932DoubleIndex(next_row, p[1]);
      if (index < 0 || kCp932ToJis[index] == 0) break;
      cell = kCp932ToJis[index];
      *w++ = static_cast<char>(cell >> 8);
      *w++ = static_cast<char>(cell & 0xFF);
      p += 2;
    }
  }
  return w;
}

void JisEncoder::Feed(std::string_view cp932, std::string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(cp932.data());
  const auto* end = p + cp932.size();
  if (p == end) return;
  if (held_lead_ != 0) {
    std::size_t used;
    const unsigned cell = LeadCell(Cp932LeadRow(held_lead_), *p, used);
    held_lead_ = 0;
    PutCell(cell, out);
    p += used - 1;
  }
  // Japanese text grows by about a quarter (escapes); reserving once avoids regrowing a long output.
  const std::size_t expected = out.size() + cp932.size() + cp932.size() / 4 + 16;
  if (expected > out.capacity()) out.reserve(std::max(expected, 2 * out.capacity()));
  while (p < end) {
    const unsigned char* stop = p + std::min<std::size_t>(kSlice, static_cast<std::size_t>(end - p));
    const std::size_t old_size = out.size();
    // One trail byte may be read beyond stop.
    out.resize(old_size + kMaxOutPerByte * (static_cast<std::size_t>(stop - p) + 1));
    char* w = Convert(p, stop, end, out.data() + old_size);
    out.resize(static_cast<std::size_t>(w - out.data()));
  }
}

void JisEncoder::Finish(std::string& out) {
  if (held_lead_ != 0) {
    held_lead_ = 0;
    PutCell(kMiddleDotCell, out);
  }
  if (mode_ != Mode::kAscii) {
    out.append(kEscAscii, 3);
    mode_ = Mode::kAscii;
  }
}

void JisEncoder::PutCell(unsigned cell, std::string& out) {
  if (mode_ != Mode::kJis) {
    out.append(kEscJis, 3);
    mode_ = Mode::kJis;
  }
  out.push_back(static_cast<char>(cell >> 8));
  out.push_back(static_cast<char>(cell & 0xFF));
}

void JisEncoder::PutKana(unsigned char byte, std::string& out) {
  if (mode_ != Mode::kKana) {
    out.append(kEscKana, 3);
    mode_ = Mode::kKana;
  }
  out.push_back(static_cast<char>(byte));
}

void JisEncoder::PutAscii(unsigned char byte, std::string& out) {
  if (mode_ != Mode::kAscii) {
    out.append(kEscAscii, 3);
    mode_ = Mode::kAscii;
  }
  out.push_back(static_cast<char>(byte));
}

void JisEncoder::PutCodePoint(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    PutAscii(static_cast<unsigned char>(cp), out);
  } else if (cp >= 0xFF61 && cp <= 0xFF9F) {
    PutKana(static_cast<unsigned char>(cp - 0xFF61 + 0x21), out);
  } else {
    const unsigned cell = JisCellOf(cp);
    PutCell(cell != 0 ? cell : kGetaCell, out);
  }
}

std::string Cp932ToJis(std::string_view cp932) {
  JisEncoder encoder;
  std::string out;
  encoder.Feed(cp932, out);
  encoder.Finish(out);
  return out;
}

}  // namespace boxferry::encoding
