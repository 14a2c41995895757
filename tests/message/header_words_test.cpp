// Japanese in header lines becomes RFC 2047 words that decode back to the original text.
#include "message/header_words.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "encoding/jis_encoder.h"
#include "encoding/text.h"
#include "jis_decode.h"
#include "support/message_bytes.h"

namespace boxferry {
namespace {

std::string Encode(std::string_view text, bool lineStart = true) {
  std::string out;
  if (lineStart) {
    EncodeHeaderLine(text, HeaderLineContext{}, out);
  } else {
    EncodeHeaderPiece(text, false, out);
  }
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

// Consecutive lines of one header, written as the writer writes them: each line knows what the one before
// ended in.
std::vector<std::string> EncodeLines(const std::vector<std::string>& lines, bool parameterField) {
  std::vector<std::string> out;
  HeaderLineEnd before;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string line;
    before = EncodeHeaderLine(lines[i], HeaderLineContext{parameterField, i ? &before : nullptr}, line);
    out.push_back(line);
  }
  return out;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line;
  return out;
}

struct LineCase {
  const char* name;
  std::vector<std::string> lines;  // source lines of one header field (Shift_JIS, UTF-8 or raw JIS)
  bool parameterField;
  std::vector<std::string> expected;  // exact output per line
  std::string shows;                  // what a reader shows for the output, unfolded (UTF-8)
};

void PrintTo(const LineCase& c, std::ostream* os) {
  *os << c.name;
}

class HeaderLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(HeaderLines, WritesTheExactBytes) {
  const LineCase& c = GetParam();
  const std::vector<std::string> out = EncodeLines(c.lines, c.parameterField);
  EXPECT_EQ(out, c.expected);
  EXPECT_EQ(test::ShowHeader(Joined(out)), c.shows);
  for (const std::string& line : out) {  // 7-bit but for a raw UTF-8 field name
    const std::size_t colon = encoding::IsBlank(line[0]) ? 0 : line.find(':');
    for (unsigned char ch : line.substr(colon)) EXPECT_LT(ch, 0x80) << line;
  }
}

using test::Cp932;

const std::string kWordYamada = "=?ISO-2022-JP?B?GyRCOzNFRBsoQg==?=";
const std::string kWordTaro = "=?ISO-2022-JP?B?GyRCQkBPOhsoQg==?=";
const std::string kWordYamadaTaro = "=?ISO-2022-JP?B?GyRCOzNFRBsoQiAbJEJCQE86GyhC?=";  // 山田 太郎
const std::string kWordKaigi = "=?ISO-2022-JP?B?GyRCMnE1RCROJCpDTiRpJDsbKEI=?=";  // 会議のお知らせ
const std::string kWordTenpuTxt = "=?ISO-2022-JP?B?GyRCRTpJVRsoQi50eHQ=?=";       // 添付.txt
const std::string kWordTenpuFile =
    "=?ISO-2022-JP?B?GyRCRTpJVRsoQiAbJEIlVSUhJSQlaxsoQi50eHQ=?=";           // 添付 ファイル.txt
const std::string kWordTest = "=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=";         // テスト
const std::string kWordSpaceYamada = "=?ISO-2022-JP?B?IBskQjszRUQbKEI=?=";  // " 山田"
const std::string kSourceWord = "=?UTF-8?B?5bGx?=";                         // 山, as the source has it
const std::string kRawKaigi = "\x1b$B2q5D$N$*CN$i$;\x1b(B";
const std::string kRawTest = "\x1b$B%F%9%H\x1b(B";
const std::string kLongName = Repeat("\xe6\xb7\xbb", 200);  // 添 x 200, UTF-8

INSTANTIATE_TEST_SUITE_P(
    Writer, HeaderLines,
    ::testing::Values(
        // Shift_JIS, the forms Thunderbird reads back right.
        LineCase{"Subject",
                 {Cp932("Subject: 会議のお知らせ")},
                 false,
                 {"Subject: " + kWordKaigi},
                 "Subject: 会議のお知らせ"},
        LineCase{"QuotedDisplayName",
                 {Cp932("From: \"山田 太郎\" <y@example.jp>")},
                 false,
                 {"From: \"" + kWordYamadaTaro + "\" <y@example.jp>"},
                 "From: \"山田 太郎\" <y@example.jp>"},
        LineCase{"NameBeforeAddress",
                 {Cp932("From: 山田<y@example.jp>")},
                 false,
                 {"From: " + kWordYamada + "<y@example.jp>"},
                 "From: 山田<y@example.jp>"},
        LineCase{"CommentName",
                 {Cp932("To: y@example.jp (山田 太郎)")},
                 false,
                 {"To: y@example.jp (" + kWordYamadaTaro + ")"},
                 "To: y@example.jp (山田 太郎)"},
        LineCase{"TwoRecipients",
                 {Cp932("To: 山田 <a@x.jp>, 太郎 <b@x.jp>")},
                 false,
                 {"To: " + kWordYamada + " <a@x.jp>, " + kWordTaro + " <b@x.jp>"},
                 "To: 山田 <a@x.jp>, 太郎 <b@x.jp>"},
        LineCase{"HalfWidthKanaLineIsShiftJis",
                 {Cp932("Subject: ﾃｽﾄ 山田")},
                 false,
                 {"Subject: =?ISO-2022-JP?B?GyhJQz1EGyhCIBskQjszRUQbKEI=?="},
                 "Subject: ﾃｽﾄ 山田"},
        // Judged per line: a line whose only Japanese is ﾃｽ (C3 BD) is well-formed UTF-8 (ý).
        LineCase{"ShortKanaLineReadsAsUtf8",
                 {Cp932("Subject: ﾃｽ")},
                 false,
                 {"Subject: =?UTF-8?B?w70=?="},
                 "Subject: ý"},
        LineCase{"BrokenFieldNameStaysRaw",
                 {Cp932("件名: テスト")},
                 false,
                 {"\x1b$B7oL>\x1b(B: " + kWordTest},
                 "件名: テスト"},

        // Parameter values: one word of the whole value.
        LineCase{"QuotedFilename",
                 {Cp932("Content-Disposition: attachment; filename=\"添付.txt\"")},
                 true,
                 {"Content-Disposition: attachment; filename=\"" + kWordTenpuTxt + "\""},
                 "Content-Disposition: attachment; filename=\"添付.txt\""},
        LineCase{"BareFilenameOnContinuationLine",
                 {Cp932("\tfilename=添付.txt")},
                 true,
                 {"\tfilename=" + kWordTenpuTxt},
                 "\tfilename=添付.txt"},
        LineCase{"UnquotedValueWithBlankEndsBeforeTrailingBlanks",
                 {Cp932("Content-Disposition: attachment; filename=添付 ファイル.txt  ; size=3")},
                 true,
                 {"Content-Disposition: attachment; filename=" + kWordTenpuFile + "  ; size=3"},
                 "Content-Disposition: attachment; filename=添付 ファイル.txt  ; size=3"},
        LineCase{"ValueWithSeparatorsIsOneWord",
                 {Cp932("Content-Type: text/plain; name=\"添付 (1).txt\"")},
                 true,
                 {"Content-Type: text/plain; name=\"=?ISO-2022-JP?B?GyRCRTpJVRsoQiAoMSkudHh0?=\""},
                 "Content-Type: text/plain; name=\"添付 (1).txt\""},
        LineCase{"SameTextOutsideAParameterField",
                 {Cp932("Subject: name=\"添付 (1).txt\"")},
                 false,
                 {"Subject: name=\"=?ISO-2022-JP?B?GyRCRTpJVRsoQg==?= (1).txt\""},
                 "Subject: name=\"添付 (1).txt\""},
        // 表 is 95 5C: the 5C before the quote escapes nothing.
        LineCase{"BackslashIsNoEscape",
                 {Cp932("Content-Type: text/plain; name=\"表\"; x=1")},
                 true,
                 {"Content-Type: text/plain; name=\"=?ISO-2022-JP?B?GyRCST0bKEI=?=\"; x=1"},
                 "Content-Type: text/plain; name=\"表\"; x=1"},
        LineCase{"SegmentWithoutEqualsHasNoValue",
                 {Cp932("Content-Disposition: 添付; filename=a.txt")},
                 true,
                 {"Content-Disposition: =?ISO-2022-JP?B?GyRCRTpJVRsoQg==?=; filename=a.txt"},
                 "Content-Disposition: 添付; filename=a.txt"},
        LineCase{"QuotedValueRunsToTheEndOfTheLine",
                 {Cp932("Content-Type: a/b; name=\"添付 ファイル.txt")},
                 true,
                 {"Content-Type: a/b; name=\"" + kWordTenpuFile},
                 "Content-Type: a/b; name=\"添付 ファイル.txt"},
        LineCase{"AnyAttributeCounts",
                 {Cp932(" filename*0=\"添付.txt\"; x=山田")},
                 true,
                 {" filename*0=\"" + kWordTenpuTxt + "\"; x=" + kWordYamada},
                 " filename*0=\"添付.txt\"; x=山田"},
        LineCase{"LongNameIsOneWord",
                 {Cp932("Content-Disposition: attachment; filename=\"" + kLongName + ".txt\"")},
                 true,
                 {"Content-Disposition: attachment; filename=\"=?ISO-2022-JP?B?" +
                  Base64Encode("\x1b$B" + Repeat("E:", 200) + "\x1b(B.txt") + "?=\""},
                 "Content-Disposition: attachment; filename=\"" + kLongName + ".txt\""},

        // UTF-8 lines.
        LineCase{"Utf8Subject",
                 {"Subject: Nøt ASCIIだよ"},
                 false,
                 {"Subject: =?UTF-8?B?TsO4dCBBU0NJSeOBoOOCiA==?="},
                 "Subject: Nøt ASCIIだよ"},
        LineCase{"Utf8Sender",
                 {"From: Jörg 山田 <j@example.de>"},
                 false,
                 {"From: =?UTF-8?B?SsO2cmcg5bGx55Sw?= <j@example.de>"},
                 "From: Jörg 山田 <j@example.de>"},
        LineCase{"Utf8Filename",
                 {"Content-Disposition: attachment; filename=\"管理.doc\""},
                 true,
                 {"Content-Disposition: attachment; filename=\"=?UTF-8?B?566h55CGLmRvYw==?=\""},
                 "Content-Disposition: attachment; filename=\"管理.doc\""},
        LineCase{"Utf8FieldNameStaysRaw",
                 {"件名: テスト"},
                 false,
                 {"件名: =?UTF-8?B?44OG44K544OI?="},
                 "件名: テスト"},
        LineCase{"Utf8WordsHoldAtMost45Bytes",
                 {"Subject: " + Repeat("あ", 20)},
                 false,
                 {"Subject: =?UTF-8?B?44GC44GC44GC44GC44GC44GC44GC44GC44GC44GC44GC44GC44GC44GC44GC?= "
                  "=?UTF-8?B?44GC44GC44GC44GC44GC?="},
                 "Subject: " + Repeat("あ", 20)},
        LineCase{"Utf8CutBetweenCodePoints",
                 {"Subject: ab" + Repeat("😀", 11)},
                 false,
                 {"Subject: =?UTF-8?B?YWLwn5iA8J+YgPCfmIDwn5iA8J+YgPCfmIDwn5iA8J+YgPCfmIDwn5iA?= "
                  "=?UTF-8?B?8J+YgA==?="},
                 "Subject: ab" + Repeat("😀", 11)},

        // Raw ISO-2022-JP of the source.
        LineCase{"RawJisSubject",
                 {"Subject: " + kRawKaigi},
                 false,
                 {"Subject: " + kWordKaigi},
                 "Subject: 会議のお知らせ"},
        LineCase{"RawJisOldJisEscape",
                 {"Subject: \x1b$@2q5D$N$*CN$i$;\x1b(B"},
                 false,
                 {"Subject: " + kWordKaigi},
                 "Subject: 会議のお知らせ"},
        LineCase{"RawJisRomanIsAscii",
                 {"Subject: \x1b(Jabc" + kRawTest},
                 false,
                 {"Subject: =?ISO-2022-JP?B?YWJjGyRCJUYlOSVIGyhC?="},
                 "Subject: abcテスト"},
        LineCase{"RawJisKatakana",
                 {"Subject: \x1b$B%F%9%H\x1b(B"},
                 false,
                 {"Subject: " + kWordTest},
                 "Subject: テスト"},
        LineCase{"RawJisHalfWidthKana",
                 {"Subject: \x1b(I1\x1b(B"},
                 false,
                 {"Subject: =?ISO-2022-JP?B?GyhJMRsoQg==?="},
                 "Subject: ｱ"},
        // A cell without a character (row 9), a lone byte, a katakana byte 60.
        LineCase{"RawJisGetaMarks",
                 {"Subject: \x1b$B)!F\x1b(I`\x1b(B"},
                 false,
                 {"Subject: =?ISO-2022-JP?B?GyRCIi4iLiIuGyhC?="},
                 "Subject: 〓〓〓"},
        LineCase{"RawJisBlankInDoubleByteMode",
                 {"Subject: \x1b$B%F%9 %H\x1b(B"},
                 false,
                 {"Subject: =?ISO-2022-JP?B?GyRCJUYlORsoQiAbJEIlSBsoQg==?="},
                 "Subject: テス ト"},
        // NEC row 13 repeats ≒ of row 2: written in the lower cell.
        LineCase{"RawJisRepeatedCell",
                 {"Subject: \x1b$B-p\x1b(B"},
                 false,
                 {"Subject: =?ISO-2022-JP?B?GyRCImIbKEI=?="},
                 "Subject: ≒"},
        LineCase{"RawJisFieldNameWrittenAgain",
                 {"\x1b$B7oL>\x1b(B: " + kRawTest},
                 false,
                 {"\x1b$B7oL>\x1b(B: " + kWordTest},
                 "件名: テスト"},
        LineCase{"UnknownEscapeLeavesLineAsItIs",
                 {"Subject: " + kRawTest + " \x1b$(D+!\x1b(B"},
                 false,
                 {"Subject: " + kRawTest + " \x1b$(D+!\x1b(B"},
                 "Subject: テスト \x1b$(D+!"},
        LineCase{"AsciiAfterEscapesUnchanged",
                 {"Subject: \x1b(Jabc\x1b(B def"},
                 false,
                 {"Subject: \x1b(Jabc\x1b(B def"},
                 "Subject: \x1b(Jabc def"},

        // Blanks next to an encoded word of the source go inside our word too.
        LineCase{"BlankAfterSourceWord",
                 {Cp932("Subject: " + kSourceWord + " 山田")},
                 false,
                 {"Subject: " + kSourceWord + " " + kWordSpaceYamada},
                 "Subject: 山 山田"},
        LineCase{"BlankBeforeSourceWord",
                 {Cp932("Subject: 山田 " + kSourceWord)},
                 false,
                 {"Subject: =?ISO-2022-JP?B?GyRCOzNFRBsoQiA=?= " + kSourceWord},
                 "Subject: 山田 山"},
        LineCase{"BlanksOnBothSides",
                 {Cp932("Subject: " + kSourceWord + " 山田\t" + kSourceWord)},
                 false,
                 {"Subject: " + kSourceWord + " =?ISO-2022-JP?B?IBskQjszRUQbKEIJ?=\t" + kSourceWord},
                 "Subject: 山 山田\t山"},
        LineCase{"LowerCaseWordCounts",
                 {Cp932("Subject: =?utf-8?b?5bGx?= 山田")},
                 false,
                 {"Subject: =?utf-8?b?5bGx?= " + kWordSpaceYamada},
                 "Subject: 山 山田"},
        LineCase{"NoEncodingLetterNoWord",
                 {Cp932("Subject: =?UTF-8?X?5bGx?= 山田")},
                 false,
                 {"Subject: =?UTF-8?X?5bGx?= " + kWordYamada},
                 "Subject: =?UTF-8?X?5bGx?= 山田"},
        LineCase{"Utf8NextToSourceWord",
                 {"Subject: =?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= Jörg"},
                 false,
                 {"Subject: =?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= =?UTF-8?B?IErDtnJn?="},
                 "Subject: 山田 Jörg"},

        // Folds: the blank of the fold goes inside the continuation line's first word.
        LineCase{"FoldBetweenOurWords",
                 {Cp932("Subject: ①②③"), Cp932(" ④⑤⑥")},
                 false,
                 {"Subject: =?ISO-2022-JP?B?GyRCLSEtIi0jGyhC?=", " =?ISO-2022-JP?B?IBskQi0kLSUtJhsoQg==?="},
                 "Subject: ①②③ ④⑤⑥"},
        LineCase{"FoldKeepsTrailingAndLeadingBlanks",
                 {Cp932("Subject: 山田  "), Cp932("\t太郎")},
                 false,
                 {"Subject: " + kWordYamada + "  ", "\t=?ISO-2022-JP?B?ICAJGyRCQkBPOhsoQg==?="},
                 "Subject: 山田  \t太郎"},
        LineCase{"FoldAfterSourceWord",
                 {"Subject: " + kSourceWord, Cp932(" 山田")},
                 false,
                 {"Subject: " + kSourceWord, " " + kWordSpaceYamada},
                 "Subject: 山 山田"},
        LineCase{"FoldIntoRawJis",
                 {Cp932("Subject: 山田"), " " + kRawTest},
                 false,
                 {"Subject: " + kWordYamada, " =?ISO-2022-JP?B?IBskQiVGJTklSBsoQg==?="},
                 "Subject: 山田 テスト"},
        LineCase{"FoldOverThreeLines",
                 {Cp932("Subject: 山田"), Cp932(" 太郎"), Cp932(" 添付")},
                 false,
                 {"Subject: " + kWordYamada,
                  " =?ISO-2022-JP?B?IBskQkJATzobKEI=?=", " =?ISO-2022-JP?B?IBskQkU6SVUbKEI=?="},
                 "Subject: 山田 太郎 添付"},
        LineCase{"NoFoldAfterAscii",
                 {Cp932("Subject: 山田 abc"), Cp932(" 太郎")},
                 false,
                 {"Subject: " + kWordYamada + " abc", " " + kWordTaro},
                 "Subject: 山田 abc 太郎"},
        LineCase{"NoFoldWhenTextComesFirst",
                 {Cp932("Subject: 山田"), Cp932(" x 太郎")},
                 false,
                 {"Subject: " + kWordYamada, " x " + kWordTaro},
                 "Subject: 山田 x 太郎"},
        LineCase{"NoFoldForANewField",
                 {Cp932("Subject: 山田"), Cp932("To: 太郎")},
                 false,
                 {"Subject: " + kWordYamada, "To: " + kWordTaro},
                 "Subject: 山田To: 太郎"}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

// What a line ends in decides the fold of the next one.
TEST(HeaderWords, LineEnds) {
  struct Case {
    std::string line;
    bool word;
    std::string blanks;
  };
  const Case cases[] = {
      {Cp932("Subject: 山田"), true, ""},
      {Cp932("Subject: 山田 \t"), true, " \t"},
      {Cp932("Subject: 山田 x"), false, ""},
      {Cp932("Subject: 山田\""), false, ""},
      {"Subject: " + kSourceWord + "  ", true, "  "},
      {"Subject: x" + kSourceWord, true, ""},  // a word need not stand alone to be decoded
      {"Subject: ?B?5bGx?=", false, ""},
      {"Subject: =?UTF-8?B?"
       "?=",
       false, ""},  // no encoded text
      {"Subject: =?iso-8859-1?q?J=F6rg?=", true, ""},
      {"Subject: =?UTF-8?B?5b Gx?=", false, ""},
      {kSourceWord, false, ""},  // no field at all
      {" " + kSourceWord, true, ""},
      {"Subject: " + kRawTest + " ", true, " "},
      {"", false, ""},
  };
  for (const Case& c : cases) {
    std::string out;
    const HeaderLineEnd end = EncodeHeaderLine(c.line, HeaderLineContext{}, out);
    EXPECT_EQ(end.word, c.word) << c.line;
    EXPECT_EQ(end.blanks, c.blanks) << c.line;
  }
}

TEST(HeaderWords, RunOutsideAParameterIsCutAt75Characters) {
  const std::string line = Cp932("Content-Disposition: attachment; filename=\"") + Cp932(kLongName) + "\"";
  std::string out;
  EncodeHeaderLine(line, HeaderLineContext{}, out);
  std::vector<std::string> encodedWords;
  test::DecodeHeaderLine(out, nullptr, &encodedWords);
  EXPECT_GT(encodedWords.size(), 5u);
  out.clear();
  EncodeHeaderLine(line, HeaderLineContext{true, nullptr}, out);
  encodedWords.clear();
  test::DecodeHeaderLine(out, nullptr, &encodedWords);
  EXPECT_EQ(encodedWords.size(), 1u);
}

// A piece of a line too long for the reader's buffer is judged on its own.
TEST(HeaderWords, PiecesAreJudgedOnTheirOwn) {
  std::string out;
  EncodeHeaderPiece("Subject: Jörg", true, out);
  EXPECT_EQ(out, "Subject: =?UTF-8?B?SsO2cmc=?=");
  out.clear();
  EncodeHeaderPiece("Subject: " + kRawTest, true, out);  // no raw ISO-2022-JP is looked for
  EXPECT_EQ(out, "Subject: " + kRawTest);
  out.clear();
  HeaderWordEdges edges;
  EncodeHeaderPiece(Cp932("添付 ファイル.txt\"; x=1 山田"), false, out, &edges);  // no parameter value
  EXPECT_EQ(out, kWordTenpuFile + "\"; x=1 " + kWordYamada);
  EXPECT_TRUE(edges.startsWithWord);
  EXPECT_TRUE(edges.endsWithWord);
}

}  // namespace
}  // namespace boxferry
