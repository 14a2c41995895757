// Code page 932 -> ISO-2022-JP (ASCII, JIS X 0208 and half-width katakana, as code page 50221 writes it).
//
// Characters are decoded as in cp932.h, the six code points code page 932 gives for characters that the JIS
// X 0208 mapping names otherwise are replaced (U+2225->U+2016, U+FF0D->U+2212, U+FF5E->U+301C,
// U+FFE0->U+00A2, U+FFE1->U+00A3, U+FFE2->U+00AC) and the result is written in the lowest JIS X 0208 cell
// (rows 1-94) that carries it; half-width katakana go out after ESC ( I. A character without a cell becomes
// U+3013 GETA MARK. The encoder starts in ASCII, switches only when the next character needs another set,
// writes every byte 00-7F (control bytes and ESC included) in ASCII, and ends in ASCII.
#pragma once

#include <string>
#include <string_view>

namespace boxferry::encoding {

inline constexpr char32_t kGetaMark = 0x3013;

class JisEncoder {  // streaming cp932 -> ISO-2022-JP; state carried across Feed calls
 public:
  // Appends the ISO-2022-JP form of cp932 bytes. A lead byte at the very end of `text` is held
  // back and completed by the next Feed (so a line may be converted in pieces of any size).
  void Feed(std::string_view cp932, std::string& out);
  // End of text: a held lead byte becomes U+30FB's cell; then back to ASCII (ESC ( B) if needed.
  void Finish(std::string& out);
  // Encodes one Unicode code point (fix-ups applied, 〓 when it has no cell), switching sets as needed.
  void PutCodePoint(char32_t cp, std::string& out);
  bool InAscii() const { return mode_ == Mode::kAscii; }
  void Reset();  // back to ASCII, nothing held, no output

 private:
  enum class Mode : unsigned char { kAscii, kJis, kKana };

  // Converts [p, stop), reading at most one byte beyond stop (a trail byte) when it is before end;
  // writes at most 5 bytes per byte read to w. Returns the end of the written bytes; p is advanced.
  char* Convert(const unsigned char*& p, const unsigned char* stop, const unsigned char* end, char* w);
  void PutCell(unsigned cell, std::string& out);
  void PutKana(unsigned char byte, std::string& out);
  void PutAscii(unsigned char byte, std::string& out);

  Mode mode_ = Mode::kAscii;
  unsigned char held_lead_ = 0;  // 0: none (0 is never a lead byte)
};

// Whole text in one call: Feed + Finish on a fresh encoder.
std::string Cp932ToJis(std::string_view cp932);

// The JIS X 0208 cell (row byte << 8 | cell byte) cp is written in after the fix-ups, or 0 when none.
unsigned JisCellOf(char32_t cp);

}  // namespace boxferry::encoding
