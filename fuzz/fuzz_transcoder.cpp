// The cp932 -> ISO-2022-JP encoder. For any bytes:
// - fed in pieces of any size (the encoder carries its mode and a held lead byte across Feed calls) the
//   output is the same as fed whole;
// - escape discipline: the text starts and ends in ASCII, never has two escape sequences of its own in a
//   row, never switches to the set it is in, JIS bytes come in pairs 21-7E, katakana bytes are 21-5F, and
//   every byte 00-7F of the source is written in ASCII;
// - read back with the WHATWG jis0208 index, as a receiving client reads it, the output is the
//   cp932 decoding of the input, with 〓 for every character without a cell, each character written in
//   the lowest cell that reads back as it;
// - text of bytes 00-7F comes out unchanged.
// A raw ESC byte of the source passes through as itself, so the read-back check replaces ESC by another
// control byte first; the raw input is encoded too (pieces against whole, 7-bit output).
// Read back as raw ISO-2022-JP (jis_decoder.h), the output decodes to text that encodes to the same bytes;
// and raw input that decodes, once encoded again, keeps round-tripping.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <unordered_map>

#include "encoding/cp932.h"
#include "encoding/jis_decoder.h"
#include "encoding/jis_encoder.h"
#include "fuzz/fuzz_support.h"

namespace boxferry::fuzz {
namespace {

struct JisIndex {
  std::unordered_map<unsigned, char32_t> decode;  // pointer (rows 1-94 only) -> code point
  std::unordered_map<char32_t, unsigned> cell;    // code point -> lowest pointer
};

const JisIndex& Index() {
  static const JisIndex index = [] {
    JisIndex result;
    std::ifstream in(BOXFERRY_JIS0208_INDEX);
    Check(static_cast<bool>(in), "cannot read the jis0208 index");
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      std::istringstream fields(line);
      unsigned pointer = 0;
      std::string hex;
      fields >> pointer >> hex;
      if (pointer >= 94 * 94) continue;
      const auto cp = static_cast<char32_t>(std::stoul(hex, nullptr, 16));
      result.decode[pointer] = cp;
      result.cell.emplace(cp, pointer);  // the file is in pointer order: the first one is the lowest
    }
    Check(result.decode.size() > 7000, "the jis0208 index looks incomplete");
    return result;
  }();
  return index;
}

// What a receiving client must read: the cp932 decoding, with 〓 for characters without a cell. The six
// fix-ups change only which cell a character is written in: the index reads each target cell back as the
// code point cp932 gave (2141 as U+FF5E, 224C as U+FFE2, ...).
std::u32string Expected(std::string_view cp932) {
  std::u32string out;
  const auto* p = reinterpret_cast<const unsigned char*>(cp932.data());
  std::size_t left = cp932.size();
  while (left > 0) {
    char32_t cp = 0;
    const std::size_t used = encoding::DecodeCp932(p, left, cp);
    p += used;
    left -= used;
    if (cp < 0x80 || (cp >= 0xFF61 && cp <= 0xFF9F) || Index().cell.count(cp)) {
      out.push_back(cp);
    } else {
      out.push_back(encoding::kGetaMark);
    }
  }
  return out;
}

// Reads ISO-2022-JP (without raw ESC bytes of the source) and checks the escape discipline.
std::u32string ReadBack(std::string_view jis) {
  std::u32string out;
  enum { kAscii, kJis, kKana } mode = kAscii;
  bool afterEscape = false;
  for (std::size_t i = 0; i < jis.size(); ++i) {
    const auto b = static_cast<unsigned char>(jis[i]);
    const std::string_view rest = jis.substr(i);
    const bool toJis = rest.starts_with("\x1B$B");
    const bool toAscii = rest.starts_with("\x1B(B");
    const bool toKana = rest.starts_with("\x1B(I");
    if (toJis || toAscii || toKana) {
      Check(!afterEscape, "two escape sequences in a row");
      const auto next = toJis ? kJis : toKana ? kKana : kAscii;
      Check(next != mode, "an escape sequence to the set already in use");
      mode = next;
      afterEscape = true;
      i += 2;
      continue;
    }
    afterEscape = false;
    if (mode == kAscii) {
      Check(b < 0x80, "a byte 80-FF in the output");
      Check(b != 0x1B, "an ESC that begins no escape sequence");
      out.push_back(b);
    } else if (mode == kKana) {
      Check(b >= 0x21 && b <= 0x5F, "a katakana byte outside 21-5F");
      out.push_back(0xFF61 - 0x21 + b);
    } else {
      Check(i + 1 < jis.size(), "half a JIS X 0208 character at the end");
      const auto b2 = static_cast<unsigned char>(jis[++i]);
      Check(b >= 0x21 && b <= 0x7E && b2 >= 0x21 && b2 <= 0x7E, "a JIS X 0208 byte outside 21-7E");
      const unsigned pointer = (b - 0x21) * 94u + (b2 - 0x21);
      const auto it = Index().decode.find(pointer);
      Check(it != Index().decode.end(), "a JIS X 0208 cell that the index does not define");
      Check(Index().cell.at(it->second) == pointer, "a character not written in its lowest cell");
      out.push_back(it->second);
    }
  }
  Check(mode == kAscii, "the output does not end in ASCII");
  return out;
}

std::string EncodeInPieces(std::string_view text, std::uint8_t seed) {
  encoding::JisEncoder encoder;
  std::string out;
  std::size_t pos = 0;
  std::size_t step = 1 + seed % 7;
  while (pos < text.size()) {
    const std::size_t n = std::min(step, text.size() - pos);
    encoder.Feed(text.substr(pos, n), out);
    pos += n;
    step = 1 + (step * 5 + seed) % 13;
  }
  encoder.Finish(out);
  return out;
}

// As header words are cut: one character at a time, the mode carried.
std::string EncodeByCharacter(std::string_view text) {
  encoding::JisEncoder encoder;
  std::string out;
  for (std::size_t pos = 0; pos < text.size();) pos += encoder.PutCharacter(text.substr(pos), out);
  encoder.Finish(out);
  return out;
}

}  // namespace
}  // namespace boxferry::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace boxferry::fuzz;
  if (size == 0) return 0;
  const std::uint8_t seed = data[0];
  const std::string_view raw(reinterpret_cast<const char*>(data) + 1, size - 1);

  const std::string whole = boxferry::encoding::Cp932ToJis(raw);
  Check(EncodeInPieces(raw, seed) == whole, "encoding in pieces differs from encoding whole");
  Check(EncodeByCharacter(raw) == whole, "encoding character by character differs from encoding whole");
  for (unsigned char c : whole) Check(c < 0x80, "a byte 80-FF in the output");

  std::string clean(raw);
  for (char& c : clean) {
    if (c == '\x1B') c = '\x1A';
  }
  const std::string jis = boxferry::encoding::Cp932ToJis(clean);
  Check(ReadBack(jis) == Expected(clean), "the output does not read back to the input");

  bool ascii = true;
  for (unsigned char c : clean) ascii = ascii && c < 0x80;
  if (ascii) Check(jis == clean, "ASCII text changed");

  // Raw ISO-2022-JP as the encoder writes it decodes to text that encodes to the same bytes.
  std::string decoded;
  Check(boxferry::encoding::DecodeRawJis(jis, decoded), "the encoder's output does not decode");
  Check(boxferry::encoding::Cp932ToJis(decoded) == jis, "raw ISO-2022-JP decoded and encoded again differs");
  // Any raw input that decodes: encoded again, it round-trips from then on.
  decoded.clear();
  if (boxferry::encoding::DecodeRawJis(raw, decoded)) {
    const std::string again = boxferry::encoding::Cp932ToJis(decoded);
    std::string twice;
    Check(boxferry::encoding::DecodeRawJis(again, twice) && boxferry::encoding::Cp932ToJis(twice) == again,
          "decoded raw ISO-2022-JP does not settle after one round");
  }
  return 0;
}
