// Japanese in header lines becomes RFC 2047 words that decode back to the original text.
#include "message/header_words.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "encoding/jis_encoder.h"
#include "jis_decode.h"
#include "support/message_bytes.h"

namespace boxferry {
namespace {

std::string Encode(std::string_view text, bool lineStart = true) {
  std::string out;
  EncodeHeaderText(text, lineStart, out);
  return out;
}

struct WordsCase {
  const char* name;
  std::string line;      // code page 932
  std::string expected;  // exact output, or "" to check decodability only
};

void PrintTo(const WordsCase& c, std::ostream* os) {
  *os << c.name;
}

class HeaderWords : public ::testing::TestWithParam<WordsCase> {};

TEST_P(HeaderWords, DecodeBackToTheOriginal) {
  const WordsCase& c = GetParam();
  const std::string encoded = Encode(c.line);
  if (!c.expected.empty()) {
    EXPECT_EQ(encoded, c.expected);
  }
  std::vector<std::string> words, encodedWords;
  EXPECT_EQ(test::DecodeHeaderLine(encoded, &words, &encodedWords), c.line) << encoded;
  for (const std::string& word : encodedWords) EXPECT_LE(word.size(), kMaxEncodedWordLength) << word;
  for (const std::string& jis : words) EXPECT_TRUE(test::WellFormedJis(jis)) << test::ToHex(jis);
  for (unsigned char ch : encoded) EXPECT_LT(ch, 0x80) << encoded;
}

const std::string kYamada = "\x8e\x52\x93\x63";                                         // 山田
const std::string kTaro = "\x91\xbe\x98\x59";                                           // 太郎
const std::string kTenpu = "\x93\x59\x95\x74";                                          // 添付
const std::string kKaigi = "\x89\xef\x8b\x63\x82\xcc\x82\xa8\x92\x6d\x82\xe7\x82\xb9";  // 会議のお知らせ
const std::string kHalfKana = "\xb1\xb2\xb3";                                           // ｱｲｳ

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Writer, HeaderWords,
    ::testing::Values(
        WordsCase{"Subject", "Subject: " + kKaigi, "Subject: =?ISO-2022-JP?B?GyRCMnE1RCROJCpDTiRpJDsbKEI=?="},
        WordsCase{"QuotedDisplayName", "From: \"" + kYamada + " " + kTaro + "\" <y@example.jp>",
                  "From: \"=?ISO-2022-JP?B?GyRCOzNFRBsoQiAbJEJCQE86GyhC?=\" <y@example.jp>"},
        WordsCase{"NameBeforeAddress", "From: " + kYamada + "<y@example.jp>", ""},
        WordsCase{"CommentName", "To: y@example.jp (" + kYamada + " " + kTaro + ")", ""},
        WordsCase{"TwoRecipients", "To: " + kYamada + " <a@x.jp>, " + kTaro + " <b@x.jp>", ""},
        WordsCase{"QuotedFilename", "Content-Disposition: attachment; filename=\"" + kTenpu + ".txt\"", ""},
        WordsCase{"BareFilename", "\tfilename=" + kTenpu + ".txt",
                  "\tfilename==?ISO-2022-JP?B?GyRCRTpJVRsoQi50eHQ=?="},
        WordsCase{"LongSubjectSplitsBetweenCharacters", "Subject: " + Repeat(kKaigi, 9), ""},
        WordsCase{"HalfWidthKanaAndAsciiMixed", "Subject: " + Repeat(kHalfKana + "a" + kYamada, 12), ""},
        WordsCase{"ReplyPrefixInsideWord", "Subject: Re:" + kKaigi, ""},
        WordsCase{"AsciiUnchanged", "Subject: hello (world) <x>; a=b", "Subject: hello (world) <x>; a=b"},
        WordsCase{"RunKeepsBlanksBetweenWords", "Subject: " + kYamada + " \t " + kTaro + " ok " + kTenpu,
                  ""}),
    [](const ::testing::TestParamInfo<WordsCase>& info) { return std::string(info.param.name); });

TEST(HeaderWords, RunSpansOnlyBlanks) {
  // The separator between the names ends the run: two runs, each its own word(s).
  const std::string encoded = Encode("To: " + kYamada + "," + kTaro);
  std::vector<std::string> words;
  test::DecodeHeaderLine(encoded, &words);
  EXPECT_EQ(words.size(), 2u);
  EXPECT_NE(encoded.find(",=?ISO-2022-JP?B?"), std::string::npos) << encoded;
}

TEST(HeaderWords, LongRunFillsWordsUpTo75Characters) {
  const std::string encoded = Encode("Subject: " + Repeat(kKaigi, 9));
  std::vector<std::string> encodedWords;
  test::DecodeHeaderLine(encoded, nullptr, &encodedWords);
  ASSERT_GT(encodedWords.size(), 3u);
  for (std::size_t i = 0; i + 1 < encodedWords.size(); ++i) EXPECT_GE(encodedWords[i].size(), 68u);
  // One space between adjacent words.
  EXPECT_NE(encoded.find("?= =?ISO-2022-JP?B?"), std::string::npos);
  EXPECT_EQ(encoded.find("?=  =?"), std::string::npos);
}

TEST(HeaderWords, BrokenFieldNameStaysRawJis) {
  const std::string name = "\x8c\x8f\x96\xbc";  // 件名
  const std::string encoded = Encode(name + ": " + kYamada);
  EXPECT_TRUE(encoded.starts_with(encoding::Cp932ToJis(name) + ": =?ISO-2022-JP?B?")) << encoded;
  // A line of no field at all (no colon) is raw ISO-2022-JP as a whole.
  EXPECT_EQ(Encode(kYamada + " x"), encoding::Cp932ToJis(kYamada + " x"));
  // A continuation line has no field name: its Japanese before a colon is encoded.
  EXPECT_TRUE(Encode(" " + name + ":x").starts_with(" =?ISO-2022-JP?B?"));
}

TEST(HeaderWords, LaterPieceOfALineHasNoFieldName) {
  EXPECT_EQ(Encode(kYamada + ":a", false).substr(0, 16), "=?ISO-2022-JP?B?");
}

TEST(HeaderWords, Base64) {
  EXPECT_EQ(Base64Encode(""), "");
  EXPECT_EQ(Base64Encode("f"), "Zg==");
  EXPECT_EQ(Base64Encode("fo"), "Zm8=");
  EXPECT_EQ(Base64Encode("foo"), "Zm9v");
  EXPECT_EQ(Base64Encode(std::string("\xff\xfe\xfd\x00", 4)), "//79AA==");
}

}  // namespace
}  // namespace boxferry
