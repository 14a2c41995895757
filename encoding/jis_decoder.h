// Raw ISO-2022-JP, as some senders put it into header text, read back to code page 932, so that the
// header writer can treat it as the Shift_JIS text it writes anyway.
//
// The text is read as a receiving client reads ISO-2022-JP with the WHATWG index jis0208: ESC ( B and
// ESC ( J switch to ASCII (JIS X 0201 Roman is read as ASCII), ESC $ B and ESC $ @ to JIS X 0208, ESC ( I
// to half-width katakana. Bytes 00-20 and 7F are themselves in every set. Two bytes 21-7E in JIS X 0208
// are a cell; a cell without a character, a lone byte in JIS X 0208 (a byte 21-7E not followed by another)
// and a katakana byte 60-7E become GETA MARK (cp932 81 AC).
//
// There is no second table: a cell (row byte j1, cell byte j2) stands for the code page 932 code the
// standard JIS -> Shift_JIS arithmetic gives, and has a character exactly when code page 932 defines that
// code (the encoder's table kCp932ToJis holds a cell for it). On all 94 x 94 cells this reads what the index
// reads. Ten cells repeat a character of a lower cell (NEC row 13 2D70-2D7C repeating row 2, and 7C7B
// repeating 224C): they read as that character, which the encoder then writes in the lower cell.
#pragma once

#include <string>
#include <string_view>

namespace boxferry::encoding {

// Code page 932 code (lead byte << 8 | trail byte) of the JIS X 0208 cell j1 j2 (each 21-7E), or 0 when the
// cell has no character.
unsigned JisCellToCp932(unsigned char j1, unsigned char j2);

// Appends the code page 932 form of raw ISO-2022-JP text to `out` and returns true. Returns false, with
// `out` as it was, when the text holds a byte 80-FF or an ESC that begins none of ESC ( B, ESC ( J,
// ESC $ B, ESC $ @ and ESC ( I.
bool DecodeRawJis(std::string_view jis, std::string& out);

}  // namespace boxferry::encoding
