// What the writer puts into the mbox for single lines: From-escaping, transcoding, verbatim bytes.
#include "message/mbox_part_writer.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "message/header_words.h"
#include "message/mbox_output.h"
#include "platform/platform.h"
#include "support/message_bytes.h"
#include "support/temp_dir.h"

namespace boxferry {
namespace {

const std::string kJisHeader = "Subject: x\r\nContent-Type: text/plain; charset=iso-2022-jp\r\n\r\n";
const std::string kPlainHeader = "Subject: x\r\nTo: y\r\n\r\n";
const std::string kStart = "From - \r\nX-Mozilla-Status: 0000\r\nX-Mozilla-Status2: 00000000\r\n";

// The mbox bytes after the separator and the header for a message whose body is `body`.
std::string BodyOut(const std::string& header, const std::string& body) {
  const std::string out = test::ConvertBytes(header + body);
  const std::string prefix = kStart + header;
  EXPECT_TRUE(out.starts_with(prefix)) << test::ToHex(out);
  return out.substr(std::min(prefix.size(), out.size()));
}

struct LineCase {
  const char* name;
  bool transcoded;  // body declared iso-2022-jp
  std::string in;
  std::string out;
};

void PrintTo(const LineCase& c, std::ostream* os) {
  *os << c.name;
}

class WriterLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(WriterLines, WritesTheExpectedBytes) {
  const LineCase& c = GetParam();
  EXPECT_EQ(test::ToHex(BodyOut(c.transcoded ? kJisHeader : kPlainHeader, c.in)), test::ToHex(c.out));
}

INSTANTIATE_TEST_SUITE_P(
    Writer, WriterLines,
    ::testing::Values(
        LineCase{"FromHereEscaped", false, "From here\r\n", ">From here\r\n"},
        LineCase{"FromBlankOnlyEscaped", true, "From \r\n", ">From \r\n"},
        LineCase{"AlreadyQuotedGetsOneMore", false, ">From here\r\n>>From x\n", ">>From here\r\n>>>From x\n"},
        LineCase{"NotSeparators", false, "From\r\nfrom here\r\nFrom\there\r\n From here\r\n>From\r\n",
                 "From\r\nfrom here\r\nFrom\there\r\n From here\r\n>From\r\n"},
        LineCase{"Hiragana", true, "\x82\xa0\r\n", test::Hex("1B 24 42 24 22 1B 28 42 0D 0A")},
        LineCase{"Nippon", true, "\x93\xfa\x96\x7b\r\n", test::Hex("1B 24 42 46 7C 4B 5C 1B 28 42 0D 0A")},
        LineCase{"SixFixUps", true, "\x81\x60\x81\x61\x81\x7c\x81\x91\x81\x92\x81\xca\n",
                 test::Hex("1B 24 42 21 41 21 42 21 5D 21 71 21 72 22 4C 1B 28 42 0A")},
        LineCase{"HalfWidthKatakana", true, "\xb1\r\n", test::Hex("1B 28 49 31 1B 28 42 0D 0A")},
        LineCase{"AsciiUnchanged", true, "plain \x1b text\r\n", "plain \x1b text\r\n"},
        LineCase{"EmptyLineOnlyLineEnd", true, "\r\n\n", "\r\n\n"},
        // Thunderbird ends lines only at LF.
        LineCase{"LoneCrBecomesCrLf", true, "a\rb\r\n", "a\r\nb\r\n"},
        LineCase{"CrCrLfBecomesCrLf", false, "a\r\r\nb\n", "a\r\nb\n"},
        // A NUL byte is written like any ASCII byte; the rest of the line follows.
        LineCase{"NulTranscoded", true, std::string("a\0\x82\xa0z\r\n", 7),
                 test::Hex("61 00 1B 24 42 24 22 1B 28 42 7A 0D 0A")},
        LineCase{"NulVerbatim", false, std::string("a\0\x82\xa0z\r\n", 7),
                 std::string("a\0\x82\xa0z\r\n", 7)},
        LineCase{"SjisVerbatimWithoutCharset", false, "\x82\xa0\r\n", "\x82\xa0\r\n"}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

TEST(Writer, BoundaryLinesAreNeverEscapedOrTranscoded) {
  const std::string message =
      "Subject: b\r\nContent-Type: multipart/mixed; boundary=\"From x\"\r\n\r\n"
      "--From x\r\nContent-Type: text/plain; charset=iso-2022-jp\r\n\r\n\x82\xa0\r\nFrom y\r\n--From x--\r\n";
  const std::string out = test::ConvertBytes(message);
  EXPECT_EQ(
      out,
      kStart +
          "Subject: b\r\nContent-Type: multipart/mixed; boundary=\"From x\"\r\n\r\n"
          "--From x\r\nContent-Type: text/plain; charset=iso-2022-jp\r\n\r\n\x1b$B$\"\x1b(B\r\n>From y\r\n"
          "--From x--\r\n");
}

TEST(Writer, HeaderLinesOfPartsAndEmbeddedMessagesUseEncodedWords) {
  const std::string yamada = "\x8e\x52\x93\x63";
  const std::string message =
      "Subject: " + yamada + "\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n" +
      "Content-Type: message/rfc822\r\n\r\nFrom: " + yamada + " <a@b>\r\n\r\n" + yamada +
      "\r\n--b\r\nContent-Disposition: attachment; filename=\"" + yamada + "\"\r\n\r\n--b--\r\n";
  const std::string word = "=?ISO-2022-JP?B?GyRCOzNFRBsoQg==?=";
  EXPECT_EQ(test::ConvertBytes(message),
            kStart + "Subject: " + word + "\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n" +
                "Content-Type: message/rfc822\r\n\r\nFrom: " + word + " <a@b>\r\n\r\n" + yamada +
                "\r\n--b\r\nContent-Disposition: attachment; filename=\"" + word + "\"\r\n\r\n--b--\r\n");
}

// Header lines whose form depends on the lines around them, through the parser.
struct HeaderCase {
  const char* name;
  std::string message;
  std::size_t readBufferSize;  // 0: the default
  std::string expected;        // a run of output lines
};

void PrintTo(const HeaderCase& c, std::ostream* os) {
  *os << c.name;
}

class WriterHeaders : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(WriterHeaders, WritesTheExpectedLines) {
  const HeaderCase& c = GetParam();
  const std::string out = test::ConvertBytes(c.message, nullptr, c.readBufferSize);
  EXPECT_NE(out.find(c.expected), std::string::npos) << out;
}

std::string Repeat(std::string_view s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

const std::string kTen40 = Repeat("\x93\x59", 40);  // 添 x 40
const std::string kTen40Word =
    "=?ISO-2022-JP?B?" + Base64Encode("\x1b$B" + Repeat("E:", 40) + "\x1b(B") + "?=";
const std::string kYamadaWord = "=?ISO-2022-JP?B?GyRCOzNFRBsoQg==?=";
const std::string kTaroWord = "=?ISO-2022-JP?B?GyRCQkBPOhsoQg==?=";

INSTANTIATE_TEST_SUITE_P(
    Writer, WriterHeaders,
    ::testing::Values(
        HeaderCase{
            "FoldKeepsItsBlank", "Subject: \x87\x40\x87\x41\x87\x42\r\n \x87\x43\x87\x44\x87\x45\r\n\r\n", 0,
            "Subject: =?ISO-2022-JP?B?GyRCLSEtIi0jGyhC?=\r\n =?ISO-2022-JP?B?IBskQi0kLSUtJhsoQg==?=\r\n"},
        HeaderCase{"ParameterOnContinuationLineIsOneWord",
                   "Content-Type: text/plain;\r\n name=\"" + kTen40 + "\"\r\n\r\n", 0,
                   "Content-Type: text/plain;\r\n name=\"" + kTen40Word + "\"\r\n"},
        HeaderCase{"FieldNameInAnyCase", "content-DISPOSITION: attachment; filename=" + kTen40 + "\r\n\r\n",
                   0, "content-DISPOSITION: attachment; filename=" + kTen40Word + "\r\n"},
        // Another field than Content-Type to the parser, so the run rule cuts the name.
        HeaderCase{"BlankBeforeColonIsNoParameterField",
                   "Subject: x\r\nContent-Type : text/plain; name=\"" + kTen40 + "\"\r\n\r\n", 0,
                   "Content-Type : text/plain; name=\"=?ISO-2022-JP?B?" +
                       Base64Encode("\x1b$B" + Repeat("E:", 18) + "\x1b(B") + "?= =?ISO-2022-JP?B?"},
        HeaderCase{
            "BoundaryEndsTheFold",
            "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nSubject: \x8e\x52\x93\x63\r\n--b\r\n "
            "\x91\xbe\x98\x59\r\n\r\n--b--\r\n",
            0, "--b\r\n " + kTaroWord + "\r\n"},
        HeaderCase{
            "FoldInEmbeddedMessage",
            "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: message/rfc822\r\n\r\n"
            "Subject: \x8e\x52\x93\x63\r\n \x91\xbe\x98\x59\r\n\r\n--b--\r\n",
            0, "Subject: " + kYamadaWord + "\r\n =?ISO-2022-JP?B?IBskQkJATzobKEI=?=\r\n"},
        // After a complete part header, a continuation line opening the next one continues no field.
        HeaderCase{"PartHeaderOpeningWithAContinuationLine",
                   "Subject: x\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: "
                   "text/plain;\r\n\r\nx\r\n--b\r\n name=\"" +
                       kTen40 + "\"\r\n\r\n--b--\r\n",
                   0,
                   "--b\r\n name=\"=?ISO-2022-JP?B?" + Base64Encode("\x1b$B" + Repeat("E:", 18) + "\x1b(B") +
                       "?= =?ISO-2022-JP?B?"},
        // A line in pieces leaves nothing for a fold.
        HeaderCase{"LineInPiecesEndsTheFold",
                   "Subject: " + Repeat("\x8e\x52\x93\x63", 30) + "\r\n \x91\xbe\x98\x59\r\n\r\n", 64,
                   "\r\n " + kTaroWord + "\r\n"}),
    [](const ::testing::TestParamInfo<HeaderCase>& info) { return std::string(info.param.name); });

TEST(Writer, NeedsFromEscape) {
  EXPECT_TRUE(MboxPartWriter::NeedsFromEscape("From "));
  EXPECT_TRUE(MboxPartWriter::NeedsFromEscape(">>>From x"));
  EXPECT_FALSE(MboxPartWriter::NeedsFromEscape(">> From x"));
  EXPECT_FALSE(MboxPartWriter::NeedsFromEscape(">>>"));
  EXPECT_FALSE(MboxPartWriter::NeedsFromEscape(""));
}

TEST(Writer, TranscodingInPiecesCarriesTheMode) {
  test::RunningMonitor running;
  MboxPartWriter writer(&running.monitor);
  std::string out;
  writer.TranscodeToJis(LinePiece{"\x82\xa0", "", true, false}, out);
  writer.TranscodeToJis(LinePiece{"\x82\xa0", "", false, false}, out);
  writer.TranscodeToJis(LinePiece{"a", "\r\n", false, true}, out);
  EXPECT_EQ(test::ToHex(out), test::ToHex(test::Hex("1B 24 42 24 22 24 22 1B 28 42 61")));
}

TEST(Writer, FullDiskIsMessage108) {
  test::TempDir dir;
  const std::string messagePath = (dir / "1.ALM").string();
  test::WriteFile(messagePath, "Subject: x\r\n\r\nbody\r\n");
  platform::File full = platform::File::OpenReadWrite("/dev/full");
  if (!full.IsOpen()) GTEST_SKIP() << "/dev/full not available";
  test::RunningMonitor running;
  MboxPartWriter writer(&running.monitor);
  MboxOutput out(full, 4);  // the separator does not fit: it goes straight to the file
  EXPECT_EQ(writer.BeginMessage(out), -1);
  EXPECT_TRUE(running.Failed(kMsgFileWriteFailed));
}

}  // namespace
}  // namespace boxferry
