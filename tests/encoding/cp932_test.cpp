#include "encoding/cp932.h"

#include <gtest/gtest.h>

#include <string>

#include "encoding/utf8.h"

namespace boxferry::encoding {
namespace {

struct DecodeCase {
  std::string bytes;
  char32_t cp;
  std::size_t used;
};

TEST(Cp932, DecodesSingleBytesDoubleBytesAndIllFormedInput) {
  const DecodeCase cases[] = {
      {"A", U'A', 1},
      {std::string(1, '\0'), 0, 1},
      {"\x5C", 0x5C, 1},    // backslash, not yen
      {"\xB1", 0xFF71, 1},  // half-width katakana
      {"\xDF", 0xFF9F, 1},
      {"\x80", 0x0080, 1},  // Windows' own single bytes
      {"\xA0", 0xF8F0, 1},
      {"\xFD", 0xF8F1, 1},
      {"\xFF", 0xF8F3, 1},
      {"\x82\xA0", 0x3042, 2},
      {"\x95\x5C", 0x8868, 2},  // trail byte 5C
      {"\x81\x60", 0xFF5E, 2},
      {"\x87\x90", 0x2252, 2},  // NEC row 13
      {"\xFA\x40", 0x2170, 2},  // IBM extension
      {"\xF0\x40", 0xE000, 2},  // user-defined area
      {"\xF9\xFC", 0xE757, 2},
      {"\x82", 0x30FB, 1},      // lead byte at the end
      {"\x82\x20", 0x30FB, 1},  // second byte 00-7F is read as itself
      {std::string("\x82\0", 2), 0x30FB, 1},
      {"\x82\x7F", 0x30FB, 1},
      {"\x85\x40", 0x30FB, 1},  // undefined pair, second byte 40-7E
      {"\x85\x80", 0x30FB, 2},  // undefined pair, second byte 80-FF
      {"\x82\xFD", 0x30FB, 2},
      {"\xEF\xFF", 0x30FB, 2},
  };
  for (const auto& c : cases) {
    char32_t cp = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(c.bytes.data());
    EXPECT_EQ(DecodeCp932(p, c.bytes.size(), cp), c.used) << ::testing::PrintToString(c.bytes);
    EXPECT_EQ(cp, c.cp) << ::testing::PrintToString(c.bytes);
  }
}

TEST(Cp932, DefinesEveryDoubleByteCodeOfTheWindowsTable) {
  int defined = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    EXPECT_EQ(IsCp932LeadByte(static_cast<unsigned char>(lead)), lead <= 0x9F || lead >= 0xE0) << lead;
    if (!IsCp932LeadByte(static_cast<unsigned char>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const unsigned char bytes[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
      char32_t cp;
      if (DecodeCp932(bytes, 2, cp) == 2 && cp != 0x30FB) ++defined;
    }
  }
  EXPECT_EQ(defined, 9604 - 1);  // 8145 is U+30FB itself
}

TEST(Cp932, ToUtf8) {
  EXPECT_EQ(Cp932ToUtf8("plain\x01 text"), "plain\x01 text");
  EXPECT_EQ(Cp932ToUtf8("\x93\xFA\x96\x7B \xB1\x5C"), "日本 ｱ\\");
  EXPECT_EQ(Cp932ToUtf8("\x95\x5C|\x83\x7C"), "表|ポ");
  EXPECT_EQ(Cp932ToUtf8("\x82\x41\x82"), "・A・");
  EXPECT_EQ(Cp932ToUtf8("\xF0\x40\x80"), "\xEE\x80\x80\xC2\x80");
}

TEST(Cp932, PrefixNeverCutsADoubleByteCharacter) {
  const std::string text =
      "ab\x93\xFA\x96\x7B"
      "c\x82\x41";  // a b 日 本 c ・ A
  const std::size_t expected[] = {0, 1, 2, 2, 4, 4, 6, 7, 8, 9, 9, 9};
  for (std::size_t max = 0; max < std::size(expected); ++max)
    EXPECT_EQ(Cp932PrefixLength(text, max), expected[max]) << max;
  EXPECT_EQ(Cp932PrefixLength("\x81\x81\x81", 2), 2u);  // 8181 then a lone lead
  EXPECT_EQ(Cp932PrefixLength("\x81\x81\x81", 1), 0u);
}

}  // namespace
}  // namespace boxferry::encoding
