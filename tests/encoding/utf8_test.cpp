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

}  // namespace
}  // namespace boxferry::encoding
