#include "encoding/text.h"

#include <gtest/gtest.h>

#include <string>

namespace boxferry::encoding {
namespace {

TEST(Text, FindNonAsciiFindsTheFirstHighByteAtEveryOffset) {
  // Offsets on both sides of the eight-byte steps.
  for (std::size_t at = 0; at < 20; ++at) {
    std::string text(24, 'a');
    text[at] = '\x80';
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    EXPECT_EQ(FindNonAscii(p, p + text.size()) - p, static_cast<std::ptrdiff_t>(at));
    EXPECT_FALSE(IsAscii(text));
    EXPECT_TRUE(IsAscii(std::string_view(text).substr(0, at)));
  }
  EXPECT_TRUE(IsAscii(""));
}

TEST(Text, TrimsBlanksOnly) {
  EXPECT_EQ(TrimBlanks(" \t a b \t"), "a b");
  EXPECT_EQ(TrimLeadingBlanks("  a "), "a ");
  EXPECT_EQ(TrimTrailingBlanks("  a \t"), "  a");
  EXPECT_EQ(TrimBlanks("\r\na\n"), "\r\na\n");  // line ends are no blanks
  EXPECT_TRUE(OnlyBlanks(" \t"));
  EXPECT_TRUE(OnlyBlanks(""));
  EXPECT_FALSE(OnlyBlanks(" \x81\x40"));  // a full-width space is text
}

TEST(Text, FoldsAsciiLettersOnly) {
  EXPECT_EQ(CompareNoCase("INBOX.BOX", "Inbox.box"), 0);
  EXPECT_EQ(CompareNoCase("subfolder", "Subfolder"), 0);
  EXPECT_NE(CompareNoCase("Subfolders", "Subfolder"), 0);
  EXPECT_NE(CompareNoCase("ｓubfolder", "Subfolder"), 0);  // a full-width letter is no ASCII letter
  EXPECT_NE(CompareNoCase("", "Subfolder"), 0);
  // Byte order after upper-casing: 'a' compares as 'A' (41), below '_' (5F).
  EXPECT_LT(CompareNoCase("a", "_"), 0);
  EXPECT_GT(CompareNoCase("\x80", "z"), 0);
  EXPECT_LT(CompareNoCase("ab", "ABC"), 0);
  EXPECT_EQ(AsciiLower("Content-TYPE: \x82\x60"), "content-type: \x82\x60");
  EXPECT_TRUE(EqualsNoCase("CHARSET", "charset"));
  EXPECT_FALSE(EqualsNoCase("charset", "charse"));
}

TEST(Text, MatchesPrefixesAndSuffixesWithoutCase) {
  EXPECT_TRUE(StartsWithNoCase("ACCOUNT1", "account"));
  EXPECT_FALSE(StartsWithNoCase("acc", "account"));
  EXPECT_TRUE(EndsWithNoCase("00000001.Alm", ".alm"));
  EXPECT_TRUE(EndsWithNoCase(".box", ".box"));
  EXPECT_FALSE(EndsWithNoCase("box", ".box"));
}

}  // namespace
}  // namespace boxferry::encoding
