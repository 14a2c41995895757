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
constexpr std::size_t kEscapeLength = 3;
// Input is converted in slices through a buffer on the stack sized for the worst case of a slice (an
// escape and a cell for every byte read, plus one trail byte read beyond the slice).
constexpr std::size_t kSlice = 2048;
constexpr std::size_t kMaxOutPerByte = 5;

}  // namespace

namespace {

// Cell for lead row `row` followed by `trail`; `used` becomes the bytes taken (1 or 2). A pair without a
// character is U+30FB: both bytes when the second is 80-FF, the lead byte alone otherwise (cp932.h).
inline unsigned LeadCell(int row, unsigned char trail, std::size_t& used) {
  const unsigned cell = kCp932ToJis[Cp932DoubleIndex(row, trail)];
  if (cell != 0) {
    used = 2;
    return cell;
  }
  used = trail >= 0x80 ? 2 : 1;
  return kMiddleDotCell;
}

// Code page 932's own GETA MARK, which is written in its cell like any character.
inline bool IsSourceGeta(const unsigned char* p) {
  return p[0] == 0x81 && p[1] == 0xAC;
}

}  // namespace

char* JisEncoder::SwitchTo(Mode mode, char* w) {
  static constexpr char kEscapes[3][kEscapeLength] = {
      {0x1B, 0x28, 0x42}, {0x1B, 0x24, 0x42}, {0x1B, 0x28, 0x49}};
  if (mode_ == mode) return w;
  mode_ = mode;
  std::memcpy(w, kEscapes[static_cast<int>(mode)], kEscapeLength);
  return w + kEscapeLength;
}

char* JisEncoder::Put(Mode mode, unsigned code, char* w) {
  w = SwitchTo(mode, w);
  if (mode == Mode::kJis) *w++ = static_cast<char>(code >> 8);
  *w++ = static_cast<char>(code & 0xFF);
  return w;
}

void JisEncoder::Reset() {
  mode_ = Mode::kAscii;
  heldLead_ = 0;
}

char* JisEncoder::Convert(const unsigned char*& p, const unsigned char* stop, const unsigned char* end,
                          char* w) {
  // A local cursor: the output bytes written through `w` could alias `p` itself, which would make the
  // compiler store and reload it for every character.
  const unsigned char* q = p;
  while (q < stop) {
    const unsigned char b = *q;
    if (b < 0x80) {
      w = SwitchTo(Mode::kAscii, w);
      const unsigned char* runEnd = FindNonAscii(q + 1, stop);
      std::memcpy(w, q, static_cast<std::size_t>(runEnd - q));
      w += runEnd - q;
      q = runEnd;
      continue;
    }
    if (b >= 0xA1 && b <= 0xDF) {  // half-width katakana
      w = Put(Mode::kKana, static_cast<unsigned>(b - 0x80), w);
      ++q;
      continue;
    }
    const int row = Cp932LeadRow(b);
    if (row >= 0 && q + 1 == end) {  // the trail byte comes with the next piece
      heldLead_ = b;
      ++q;
      break;
    }
    std::size_t used = 1;
    const unsigned cell = row < 0 ? kGetaCell : LeadCell(row, q[1], used);  // 80, A0, FD-FF: no cell
    if (cell == kGetaCell && !(used == 2 && IsSourceGeta(q))) ++unencodable_;
    w = Put(Mode::kJis, cell, w);
    q += used;
    // The common case in Japanese text: more well-formed double-byte characters follow.
    while (stop - q >= 2) {
      const int nextRow = Cp932LeadRow(q[0]);
      if (nextRow < 0) break;
      const unsigned next = kCp932ToJis[Cp932DoubleIndex(nextRow, q[1])];
      if (next == 0) break;
      if (next == kGetaCell) [[unlikely]] {
        if (!IsSourceGeta(q)) ++unencodable_;
      }
      w[0] = static_cast<char>(next >> 8);
      w[1] = static_cast<char>(next & 0xFF);
      w += 2;
      q += 2;
    }
  }
  p = q;
  return w;
}

void JisEncoder::Feed(std::string_view cp932, std::string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(cp932.data());
  const auto* end = p + cp932.size();
  if (p == end) return;
  char buffer[kMaxOutPerByte * (kSlice + 1)];
  if (heldLead_ != 0) {
    std::size_t used;
    const unsigned cell = LeadCell(Cp932LeadRow(heldLead_), *p, used);
    const unsigned char pair[2] = {heldLead_, *p};
    if (cell == kGetaCell && !(used == 2 && IsSourceGeta(pair))) ++unencodable_;
    heldLead_ = 0;
    out.append(buffer, static_cast<std::size_t>(Put(Mode::kJis, cell, buffer) - buffer));
    p += used - 1;
  }
  while (p < end) {
    const unsigned char* stop = p + std::min(kSlice, static_cast<std::size_t>(end - p));
    char* w = Convert(p, stop, end, buffer);
    out.append(buffer, static_cast<std::size_t>(w - buffer));
  }
}

void JisEncoder::Finish(std::string& out) {
  char buffer[2 * kEscapeLength + 2];
  char* w = buffer;
  if (heldLead_ != 0) {
    heldLead_ = 0;
    w = Put(Mode::kJis, kMiddleDotCell, w);
  }
  w = SwitchTo(Mode::kAscii, w);
  out.append(buffer, static_cast<std::size_t>(w - buffer));
}

std::size_t JisEncoder::PutCharacter(std::string_view cp932, std::string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(cp932.data());
  const auto* start = p;
  char buffer[kMaxOutPerByte * 2];
  // One character is one call of the kernel on a slice of one byte (a trail byte is read beyond it).
  char* w = Convert(p, p + 1, p + cp932.size(), buffer);
  if (heldLead_ != 0) {  // a lead byte at the end of the text
    heldLead_ = 0;
    w = Put(Mode::kJis, kMiddleDotCell, w);
  }
  out.append(buffer, static_cast<std::size_t>(w - buffer));
  return static_cast<std::size_t>(p - start);
}

std::int64_t CountUnencodable(std::string_view cp932) {
  const auto* p = reinterpret_cast<const unsigned char*>(cp932.data());
  const auto* end = p + cp932.size();
  std::int64_t count = 0;
  while (p < end) {
    p = FindNonAscii(p, end);
    if (p == end) break;
    const int row = Cp932LeadRow(*p);
    if (row < 0) {  // half-width katakana have a set of their own; 80, A0, FD-FF have none
      if (*p < 0xA1 || *p > 0xDF) ++count;
      ++p;
    } else if (p + 1 == end) {  // a lead byte at the end becomes U+30FB's cell
      ++p;
    } else {
      std::size_t used;
      if (LeadCell(row, p[1], used) == kGetaCell && !(used == 2 && IsSourceGeta(p))) ++count;
      p += used;
    }
  }
  return count;
}

std::string Cp932ToJis(std::string_view cp932) {
  JisEncoder encoder;
  std::string out;
  encoder.Feed(cp932, out);
  encoder.Finish(out);
  return out;
}

}  // namespace boxferry::encoding
