#include "encoding/jis_decoder.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "encoding/cp932.h"
#include "encoding/jis_encoder.h"
#include "jis_index.h"

namespace boxferry::encoding {
namespace {

// Every one of the 94 x 94 cells reads as the index reads it: a character exactly where the index has one,
// and the same one. Written again, a cell comes back as itself, except for the ten cells that repeat a
// character of a lower cell: those come back in the lower cell.
TEST(JisDecoder, AllCellsReadAsTheIndex) {
  ASSERT_EQ(Index().decode.size(), 7336u) << "cannot read " BOXFERRY_JIS0208_INDEX;
  std::set<unsigned> movedCells;
  for (unsigned pointer = 0; pointer < 94 * 94; ++pointer) {
    const auto j1 = static_cast<unsigned char>(0x21 + pointer / 94);
    const auto j2 = static_cast<unsigned char>(0x21 + pointer % 94);
    const unsigned code = JisCellToCp932(j1, j2);
    const auto it = Index().decode.find(pointer);
    ASSERT_EQ(code != 0, it != Index().decode.end()) << std::hex << pointer;
    if (code == 0) continue;
    const unsigned char bytes[] = {static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code)};
    char32_t cp;
    ASSERT_EQ(DecodeCp932(bytes, 2, cp), 2u);
    EXPECT_EQ(cp, it->second) << std::hex << pointer;
    const std::string jis = Cp932ToJis(std::string(reinterpret_cast<const char*>(bytes), 2));
    const unsigned lowest = Index().lowest.at(cp);
    const std::string cell{static_cast<char>(0x21 + lowest / 94), static_cast<char>(0x21 + lowest % 94)};
    EXPECT_EQ(jis, "\x1b$B" + cell + "\x1b(B");
    if (lowest != pointer) movedCells.insert(j1 << 8 | j2);
  }
  const std::set<unsigned> repeated = {0x2D70, 0x2D71, 0x2D72, 0x2D75, 0x2D76,
                                       0x2D77, 0x2D7A, 0x2D7B, 0x2D7C, 0x7C7B};
  EXPECT_EQ(movedCells, repeated);
}

TEST(JisDecoder, CellArithmetic) {
  EXPECT_EQ(JisCellToCp932(0x21, 0x21), 0x8140u);  // ideographic space
  EXPECT_EQ(JisCellToCp932(0x30, 0x21), 0x889Fu);  // 亜: even row
  EXPECT_EQ(JisCellToCp932(0x46, 0x7C), 0x93FAu);  // 日
  EXPECT_EQ(JisCellToCp932(0x2D, 0x21), 0x8740u);  // ① (NEC row 13)
  EXPECT_EQ(JisCellToCp932(0x7C, 0x7E), 0xEEFCu);  // last NEC-selected IBM cell
  EXPECT_EQ(JisCellToCp932(0x29, 0x21), 0u);       // row 9: no character
  EXPECT_EQ(JisCellToCp932(0x7F, 0x21), 0u);
  EXPECT_EQ(JisCellToCp932(0x21, 0x20), 0u);
}

TEST(JisDecoder, RawText) {
  const std::pair<std::string, std::string> cases[] = {
      {"\x1b$BF|K\\\x1b(B", "\x93\xfa\x96\x7b"},
      {"\x1b$@F|K\\\x1b(B", "\x93\xfa\x96\x7b"},  // ESC $ @ as ESC $ B
      {"\x1b(Ja~\\\x1b(B", "a~\\"},               // ESC ( J as ASCII
      {"\x1b(I1_\x1b(B", "\xb1\xdf"},
      {"\x1b(I`~", "\x81\xac\x81\xac"},                   // katakana bytes 60-7E: geta
      {"\x1b$B)!\x1b(B", "\x81\xac"},                     // a cell without a character
      {"\x1b$BF\x1b(Bx", "\x81\xacx"},                    // a lone byte before an escape
      {"\x1b$BF", "\x81\xac"},                            // ... at the end
      {"\x1b$BF|K", "\x93\xfa\x81\xac"},                  // ... after a pair
      {"\x1b$BF| \tK\\\x7f", "\x93\xfa \t\x96\x7b\x7f"},  // 00-20 and 7F are themselves in JIS X 0208
      {std::string("\x1b(I1\0"
                   "2",
                   6),
       std::string("\xb1\0\xb2", 3)},
      {"\x1b$BF \x1b(B", "\x81\xac "},
      {"plain", "plain"},
      {"", ""},
  };
  for (const auto& [in, out] : cases) {
    std::string decoded = "<";
    EXPECT_TRUE(DecodeRawJis(in, decoded)) << testing::PrintToString(in);
    EXPECT_EQ(decoded, "<" + out) << testing::PrintToString(in);
  }
}

TEST(JisDecoder, RefusesUnknownEscapesAndEightBitBytes) {
  for (const std::string in : {"\x1b$(D+!", "a\x1b", "\x1b(", "\x1b$A", "\x1b(B\x1bN", "\x1b$B\xa4\xa2"}) {
    std::string decoded = "kept";
    EXPECT_FALSE(DecodeRawJis(in, decoded)) << testing::PrintToString(in);
    EXPECT_EQ(decoded, "kept");
  }
}

// What the encoder writes reads back to text the encoder writes the same way.
TEST(JisDecoder, EncoderOutputRoundTrips) {
  std::string text;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsCp932LeadByte(static_cast<unsigned char>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      text += static_cast<char>(lead);
      text += static_cast<char>(trail);
      text += trail % 16 ? "" : " a\xb1";
    }
  }
  const std::string jis = Cp932ToJis(text);
  std::string decoded;
  ASSERT_TRUE(DecodeRawJis(jis, decoded));
  EXPECT_TRUE(Cp932ToJis(decoded) == jis);
}

}  // namespace
}  // namespace boxferry::encoding
