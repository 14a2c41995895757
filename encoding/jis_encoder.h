// Code page 932 -> ISO-2022-JP (ASCII, JIS X 0208 and half-width katakana, as code page 50221 writes it).
//
// One table does it (kCp932ToJis, tables.h): every double-byte code goes straight to the JIS X 0208 cell
// a receiving client decodes back to the same character, or to GETA MARK (U+3013) where there is none;
// half-width katakana go out after ESC ( I. Ill-formed bytes become U+30FB's cell as cp932.h decodes them.
// The encoder starts in ASCII, switches only when the next character needs another set, writes every byte
// 00-7F (control bytes and ESC included) in ASCII, and ends in ASCII.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace boxferry::encoding {

inline constexpr char32_t kGetaMark = 0x3013;

class JisEncoder {  // streaming cp932 -> ISO-2022-JP; state carried across Feed calls
 public:
  // Appends the ISO-2022-JP form of cp932 bytes. A lead byte at the very end of `cp932` is held back and
  // completed by the next Feed (so a line may be converted in pieces of any size).
  void Feed(std::string_view cp932, std::string& out);
  // End of text: a held lead byte becomes U+30FB's cell; then back to ASCII (ESC ( B) if needed.
  void Finish(std::string& out);
  // Appends the one character at the start of `cp932` (not empty; nothing may be held), switching sets as
  // needed, and returns the bytes it took: 1 or 2. For cutting text into pieces character by character.
  std::size_t PutCharacter(std::string_view cp932, std::string& out);
  bool InAscii() const { return mode_ == Mode::kAscii; }
  // Characters written as GETA MARK because they have no cell (the user-defined area, the single bytes
  // 80, A0, FD-FF) since the encoder was made or last asked; a GETA MARK of the source is not counted.
  std::int64_t unencodable() const { return unencodable_; }
  std::int64_t TakeUnencodable() { return std::exchange(unencodable_, 0); }
  void Reset();  // back to ASCII, nothing held, no output

 private:
  enum class Mode : unsigned char { kAscii, kJis, kKana };

  // Writes the escape sequence into `mode` unless the encoder is in it already.
  char* SwitchTo(Mode mode, char* w);
  // Writes one character: a byte in ASCII or katakana mode, a cell (row byte << 8 | cell byte) in JIS.
  char* Put(Mode mode, unsigned code, char* w);
  // Converts [p, stop), reading at most one byte beyond stop (a trail byte) when it is before end;
  // writes at most kMaxOutPerByte bytes per byte read to w. Returns the end of the written bytes.
  char* Convert(const unsigned char*& p, const unsigned char* stop, const unsigned char* end, char* w);

  Mode mode_ = Mode::kAscii;
  unsigned char heldLead_ = 0;  // 0: none (0 is never a lead byte)
  std::int64_t unencodable_ = 0;
};

// Whole text in one call: Feed + Finish on a fresh encoder.
std::string Cp932ToJis(std::string_view cp932);

// How many characters of `cp932` the encoder writes as GETA MARK for want of a cell (as unencodable()
// counts them), without encoding.
std::int64_t CountUnencodable(std::string_view cp932);

}  // namespace boxferry::encoding
