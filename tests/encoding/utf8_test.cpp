#include "encoding/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace boxferry::encoding {
namespace {

TEST(Utf8, EncodesAndDecodesEveryLengthBoundary) {
  const char32_t points[] = {0, 0x7F, 0x80, 0x7FF, 0x800, 0xD7FF, 0xE000, 0xFFFF, 0x10000, 0x10FFFF};
  for (char32_t cp : points) {
    std::string s;
    AppendUtf8(s, cp);
    char32_t back = 1;
    EXPECT_EQ(DecodeUtf8(s, 0, back), s.size()) << std::hex << static_cast<unsigned>(cp);
    EXPECT_EQ(back, cp);
    EXPECT_EQ(Utf16Units(cp), cp >= 0x10000 ? 2u : 1u);
  }
  std::string s;
  AppendUtf8(s, 0xD800);
  AppendUtf8(s, 0x110000);
  EXPECT_EQ(s, "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Utf8, InvalidSequencesGiveReplacementForOneByte) {
  const std::string bad[] = {
      "\x80",     "\xC0\xAF", "\xC1\xBF",     "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
      "\xF5\x80", "\xE3\x81", "\xE3\x41\x81", "\xFF",         "\xF0\x9F\x98",
  };
  for (const auto& s : bad) {
    char32_t cp = 0;
    EXPECT_EQ(DecodeUtf8(s, 0, cp), 1u) << ::testing::PrintToString(s);
    EXPECT_EQ(cp, 0xFFFDu);
  }
  char32_t cp = 0;
  EXPECT_EQ(DecodeUtf8("a\xE3\x81\x82", 1, cp), 3u);
  EXPECT_EQ(cp, 0x3042u);
}

TEST(Utf8, WellFormedIsStrict) {
  EXPECT_TRUE(IsWellFormedUtf8(""));
  EXPECT_TRUE(IsWellFormedUtf8("Nøt ASCIIだよ \xEF\xBF\xBD \xF0\x9F\x98\x80"));  // U+FFFD itself is text
  EXPECT_FALSE(IsWellFormedUtf8("\xC0\xAF"));                                    // overlong
  EXPECT_FALSE(IsWellFormedUtf8("a\xED\xA0\x80"));                               // surrogate
  EXPECT_FALSE(IsWellFormedUtf8("\xF4\x90\x80\x80"));                            // above U+10FFFF
  EXPECT_FALSE(IsWellFormedUtf8("\x93\xFA\x96\x7B"));                            // Shift_JIS 日本
  EXPECT_FALSE(IsWellFormedUtf8("\xE3\x81"));                                    // cut short
}

// `max` is bytes for the one cut and UTF-16 units for the other; both give a prefix length in bytes.
struct CutCase {
  const char* name;
  std::string text;
  std::size_t max;
  std::size_t byBytes;
  std::size_t byUnits;
};

void PrintTo(const CutCase& c, std::ostream* os) {
  *os << c.name;
}

class Utf8Cut : public ::testing::TestWithParam<CutCase> {};

// Both cuts fall between characters, never inside one.
TEST_P(Utf8Cut, CutsBetweenCharacters) {
  const CutCase& c = GetParam();
  EXPECT_EQ(Utf8PrefixLength(c.text, c.max), c.byBytes);
  EXPECT_EQ(Utf8PrefixLengthInUtf16Units(c.text, c.max), c.byUnits);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Utf8Cut,
    ::testing::Values(CutCase{"Shorter", "abc", 5, 3, 3}, CutCase{"Ascii", "abcdef", 4, 4, 4},
                      // あ is 3 bytes, 1 unit
                      CutCase{"InsideAKana", "aあい", 2, 1, 4}, CutCase{"AfterAKana", "aあい", 4, 4, 7},
                      // 😀 is 4 bytes, 2 units
                      CutCase{"InsideAnEmoji", "a😀b", 2, 1, 1}, CutCase{"AfterAnEmoji", "a😀b", 3, 1, 5},
                      CutCase{"StrayByte",
                              "a\x80"
                              "b",
                              2, 2, 2},
                      CutCase{"Nothing", "あ", 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Utf8, Utf16LittleEndianBecomesUtf8) {
  using namespace std::string_literals;
  EXPECT_EQ(Utf16LeToUtf8("T\0i\0\x68\x30"s), "Tiと");
  EXPECT_EQ(Utf16LeToUtf8("\x3D\xD8\x00\xDE"s), "😀");  // a surrogate pair
  EXPECT_EQ(Utf16LeToUtf8("\x3D\xD8\x61\x00"s),
            "\xEF\xBF\xBD"
            "a");                                         // a lone high surrogate
  EXPECT_EQ(Utf16LeToUtf8("\x00\xDE"s), "\xEF\xBF\xBD");  // a lone low surrogate
  EXPECT_EQ(Utf16LeToUtf8("a\0b"s), "a");                 // an odd last byte
}

}  // namespace
}  // namespace boxferry::encoding
