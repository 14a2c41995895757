// What every line of a message becomes in the mbox as the parser follows its MIME structure (header lines
// with Japanese become encoded words, body lines of an iso-2022-jp part become ISO-2022-JP, everything else
// stays as it is), and what the parser reads from header fields.
#include "message/message_parser.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/messages.h"
#include "message/byte_stream.h"
#include "message/header_field.h"
#include "message/mbox_output.h"
#include "message/mbox_part_writer.h"
#include "support/message_bytes.h"
#include "support/param_name.h"

namespace boxferry {
namespace {

const std::string kSjis = "\x93\xfa\x96\x7b";                         // 日本 in Shift_JIS
const std::string kJis = test::Hex("1B 24 42 46 7C 4B 5C 1B 28 42");  // 日本 in ISO-2022-JP
const std::string kWord = "=?ISO-2022-JP?B?GyRCRnxLXBsoQg==?=";       // 日本 as an encoded word
const std::string kNote = "X-Note: " + kSjis;                         // a header line with Japanese
const std::string kNoteWritten = "X-Note: " + kWord;

// The concrete writer; it can be told to fail making the parser of an embedded message or multipart.
class Writer : public MboxPartWriter {
 public:
  using MboxPartWriter::MboxPartWriter;
  bool failNested = false;

 protected:
  std::unique_ptr<MessageParser> CreateNested(ProgressMonitor* monitor) override {
    if (failNested) return nullptr;
    return MboxPartWriter::CreateNested(monitor);
  }
};

// Hands whole lines ending in CR LF to the writer as the message file conversion does (the header flag
// stays 1 up to and including the first empty line) and tells what each one put into the mbox.
struct Harness {
  std::string mbox;
  StringSink sink{mbox};
  MboxOutput out{sink};
  test::RunningMonitor running;
  Writer writer{&running.monitor};
  int inHeader = 1;
  int result = 0;  // of the last line
  std::size_t written = 0;

  // The bytes the line put into the mbox, its line end included.
  std::string Line(std::string_view text) {
    result = writer.ParseLine(LinePiece{text, "\r\n"}, inHeader, out);
    if (text.empty()) inHeader = 0;
    EXPECT_TRUE(out.Flush());
    const std::string line = mbox.substr(written);
    written = mbox.size();
    return line;
  }
  // Starts the next message, as BeginMessage does without its separator.
  void Reset() {
    writer.Reset();
    inHeader = 1;
  }
};

// One input line and what it becomes, line end left out.
struct Written {
  std::string in;
  std::string out;
};
Written Kept(const std::string& line) {
  return {line, line};
}

struct RoutingCase {
  const char* name;
  std::vector<Written> lines;
};

void PrintTo(const RoutingCase& c, std::ostream* os) {
  *os << c.name;
}

class Routing : public ::testing::TestWithParam<RoutingCase> {};

TEST_P(Routing, WritesEveryLineAsItsPlaceAsks) {
  Harness h;
  int number = 0;
  for (const Written& line : GetParam().lines) {
    ++number;
    EXPECT_EQ(h.Line(line.in), line.out + "\r\n") << "line " << number << ": " << test::ToHex(line.in);
    EXPECT_EQ(h.result, 0) << "line " << number;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Parser, Routing,
    ::testing::Values(
        RoutingCase{"NoContentType",
                    {{"Subject: " + kSjis, "Subject: " + kWord}, Kept(""), Kept("body"), Kept(kSjis)}},
        RoutingCase{"Iso2022JpBody",
                    {Kept("Content-Type: text/plain; charset=ISO-2022-JP"), Kept(""), {kSjis, kJis}}},
        RoutingCase{"SevenBitBodyTranscoded",
                    {Kept("Content-Type: text/plain; charset=iso-2022-jp"),
                     Kept("Content-Transfer-Encoding: 7bit"),
                     Kept(""),
                     {kSjis, kJis}}},
        RoutingCase{"QuotedPrintableVerbatim",
                    {Kept("Content-Type: text/plain; charset=iso-2022-jp"),
                     Kept("Content-Transfer-Encoding: Quoted-Printable"), Kept(""), Kept(kSjis)}},
        RoutingCase{
            "ContinuationLineCarriesCharset",
            {Kept("Content-Type: text/plain;"), Kept("\tcharset=\"ISO-2022-JP\""), Kept(""), {kSjis, kJis}}},
        RoutingCase{"BlankBeforeColonNotRecognised",
                    {Kept("Content-Type : text/plain; charset=iso-2022-jp"), Kept(""), Kept(kSjis)}},
        RoutingCase{"ParameterNamesAnyCase",
                    {Kept("Content-Type: text/plain; CHARSET=Iso-2022-Jp"), Kept(""), {kSjis, kJis}}},
        RoutingCase{"HeaderWithoutEmptyLineIsAllHeader",
                    {Kept("Subject: a"), Kept("b"), {kNote, kNoteWritten}, {"From x", ">From x"}}},
        // A line that is no boundary leaves the next line in the body; after a boundary it is a part header.
        RoutingCase{"BoundaryWithoutDashesOrTrailingBlank",
                    {Kept("Content-Type: multipart/mixed; boundary=b1"),
                     Kept(""),
                     Kept("pre"),
                     Kept("--b1 "),
                     Kept(kSjis),
                     Kept("b1"),
                     Kept(kSjis),
                     Kept("--b1"),
                     Kept("Content-Type: text/plain"),
                     {kNote, kNoteWritten},
                     Kept(""),
                     Kept(kSjis),
                     Kept("--b1--"),
                     Kept(kSjis)}},
        RoutingCase{
            "EmptyBoundaryNeverMatches",
            {Kept("Content-Type: multipart/mixed; boundary=\"\""), Kept(""), Kept("--"), Kept(kSjis)}},
        RoutingCase{"BoundaryCaseSensitive",
                    {Kept("Content-Type: multipart/mixed; boundary=AbC"),
                     Kept(""),
                     Kept("--abc"),
                     Kept(kSjis),
                     Kept("--AbC"),
                     {kNote, kNoteWritten}}},
        RoutingCase{"PartWithoutContentTypeIgnoresMessageCharset",
                    {Kept("Content-Type: multipart/mixed; charset=iso-2022-jp; boundary=b"), Kept(""),
                     Kept("--b"), Kept(""), Kept(kSjis)}},
        RoutingCase{"PartCharsetEndsAtTheNextBoundary",
                    {Kept("Content-Type: multipart/mixed; boundary=b"),
                     Kept(""),
                     Kept("--b"),
                     Kept("Content-Type: text/plain; charset=iso-2022-jp"),
                     Kept(""),
                     {kSjis, kJis},
                     Kept("--b"),
                     Kept(""),
                     Kept(kSjis)}},
        RoutingCase{"QuotedBoundaryWithSemicolonAndBlank",
                    {Kept("Content-Type: multipart/mixed; boundary=\"a; b\""),
                     Kept(""),
                     Kept("--a; b"),
                     {kNote, kNoteWritten},
                     Kept(""),
                     Kept(kSjis)}},
        RoutingCase{"UnquotedBoundaryEndsAtBlank",
                    {Kept("Content-Type: multipart/mixed; boundary=a b"),
                     Kept(""),
                     Kept("--a b"),
                     Kept(kSjis),
                     Kept("--a"),
                     {kNote, kNoteWritten}}},
        // A part's last field is read when the next field begins, here in the following part.
        RoutingCase{"PendingPartFieldCarriesToNextPart",
                    {Kept("Content-Type: multipart/mixed; boundary=b"),
                     Kept(""),
                     Kept("--b"),
                     Kept("Content-Type: text/plain; charset=iso-2022-jp"),
                     Kept("--b"),
                     Kept("X-Other: 1"),
                     Kept(""),
                     {kSjis, kJis}}},
        // An embedded message has a header and a body of its own, up to the boundary of the enclosing part.
        RoutingCase{"EmbeddedMessage",
                    {Kept("Content-Type: multipart/mixed; boundary=b"),
                     Kept(""),
                     Kept("--b"),
                     Kept("Content-Type: message/rfc822"),
                     Kept(""),
                     {"Subject: " + kSjis, "Subject: " + kWord},
                     Kept("Content-Type: text/plain; charset=iso-2022-jp"),
                     Kept(""),
                     {kSjis, kJis},
                     {"From " + kSjis, ">From " + kJis},
                     Kept("--b"),
                     Kept(""),
                     Kept(kSjis)}},
        // A multipart inside a part is followed: its own boundary and each inner part's charset count, and
        // the outer boundary ends it.
        RoutingCase{"MultipartInsidePart",
                    {Kept("Content-Type: multipart/mixed; boundary=outer"),
                     Kept(""),
                     Kept("--outer"),
                     Kept("Content-Type: multipart/alternative; boundary=inner"),
                     Kept(""),
                     Kept("--inner"),
                     Kept("Content-Type: text/plain; charset=iso-2022-jp"),
                     Kept(""),
                     {kSjis, kJis},
                     Kept("--inner"),
                     Kept("Content-Type: text/html"),
                     Kept(""),
                     Kept("<p>" + kSjis),
                     {"From <p>", ">From <p>"},
                     Kept("--inner--"),
                     Kept("--outer"),
                     {kNote, kNoteWritten},
                     Kept(""),
                     Kept(kSjis)}},
        // The preamble has no charset; "--b1--" is no boundary of the embedded message, which goes on.
        RoutingCase{"TwoPartMessageWithEmbeddedMessage",
                    {Kept("Content-Type: multipart/mixed;"),
                     Kept("\tboundary=\"b1\""),
                     Kept(""),
                     Kept("This is a multipart message."),
                     Kept(kSjis),
                     Kept("--b1"),
                     Kept("Content-Type: text/plain; charset=ISO-2022-JP"),
                     Kept(""),
                     {kSjis, kJis},
                     Kept("--b1"),
                     Kept("Content-Type: message/rfc822"),
                     Kept(""),
                     {"Subject: " + kSjis, "Subject: " + kWord},
                     Kept("Content-Type: text/plain; charset=iso-2022-jp"),
                     Kept(""),
                     {kSjis, kJis},
                     Kept("--b1--"),
                     {kSjis, kJis}}}),
    [](const ::testing::TestParamInfo<RoutingCase>& info) { return std::string(info.param.name); });

// A message starts without a header line before it: a continuation line opening it folds nothing.
TEST(Parser, ResetStartsWithoutAHeaderLineBefore) {
  Harness h;
  EXPECT_EQ(h.Line("Subject: " + kSjis), "Subject: " + kWord + "\r\n");
  EXPECT_EQ(h.Line(" " + kSjis), " =?ISO-2022-JP?B?IBskQkZ8S1wbKEI=?=\r\n");  // the fold's blank inside
  h.Reset();
  EXPECT_EQ(h.Line(" " + kSjis), " " + kWord + "\r\n");
}

// Multiparts nested deeper than the bound: from there on, boundaries of deeper levels are body lines.
TEST(Parser, NestingStopsAtDepthBound) {
  const int levels = MessageParser::kMaxNestingDepth + 5;
  Harness h;
  h.Line("Content-Type: multipart/mixed; boundary=b0");
  h.Line("");
  for (int i = 0; i < levels; ++i) {
    h.Line("--b" + std::to_string(i));
    h.Line("Content-Type: multipart/mixed; boundary=b" + std::to_string(i + 1));
    // A part header down to the bound, below it a body line.
    const bool followed = i <= MessageParser::kMaxNestingDepth;
    EXPECT_EQ(h.Line(kNote), (followed ? kNoteWritten : kNote) + "\r\n") << "level " << i;
    h.Line("");
  }
  EXPECT_EQ(h.Line(kSjis), kSjis + "\r\n");
}

TEST(Parser, NestedParserThatCannotBeMadeStopsTheRun) {
  Harness h;
  h.writer.failNested = true;
  for (const char* line :
       {"Content-Type: multipart/mixed; boundary=b", "", "--b", "Content-Type: message/rfc822", ""}) {
    h.Line(line);
    ASSERT_EQ(h.result, 0) << line;
  }
  EXPECT_EQ(h.Line("Subject: x"), "");
  EXPECT_EQ(h.result, -1);
  EXPECT_TRUE(h.running.Failed(kMsgUnexpected));
}

// A field over many lines does not disturb the fields before it; only its first 64 KiB are read, so a
// charset parameter that ends beyond them is not seen.
TEST(Parser, CollectedFieldKeepsItsFirst64KiB) {
  {
    Harness h;
    h.Line("Content-Type: text/plain; charset=iso-2022-jp");
    h.Line("X-Long: " + std::string(40000, 'a'));
    for (int i = 0; i < 10; ++i) h.Line(" " + std::string(40000, 'b'));
    h.Line("");
    EXPECT_EQ(h.Line(kSjis), kJis + "\r\n");
  }
  const std::string first = "Content-Type: text/plain;";
  const std::string last = " charset=iso-2022-jp";
  const std::size_t padding = MessageParser::kMaxFieldBytes - first.size() - last.size() - 4;
  for (std::size_t over : {0, 1}) {
    Harness h;
    h.Line(first);
    h.Line(" x=" + std::string(padding + over, 'p') + ";");
    h.Line(last);
    h.Line("");
    EXPECT_EQ(h.Line(kSjis), (over ? kSjis : kJis) + "\r\n") << over << " bytes over";
  }
}

// After Reset the boundary, the parts and the embedded message of the earlier message are forgotten: the
// next message's body line stays as it is.
TEST(Parser, ResetForgetsEverything) {
  Harness h;
  for (const char* line : {"Content-Type: multipart/mixed; charset=iso-2022-jp; boundary=b", "", "--b",
                           "Content-Type: message/rfc822", "", "S: x"}) {
    h.Line(line);
  }
  h.Reset();
  EXPECT_EQ(h.Line("Subject: y"), "Subject: y\r\n");
  EXPECT_EQ(h.Line(""), "\r\n");
  EXPECT_EQ(h.Line("--b"), "--b\r\n");
  EXPECT_EQ(h.Line(kSjis), kSjis + "\r\n");
}

struct FieldCase {
  std::string text;
  std::string contentType, charset, boundary, transferEncoding;
};

void PrintTo(const FieldCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(c.text);
}

class FieldParsing : public ::testing::TestWithParam<FieldCase> {};

TEST_P(FieldParsing, ReadsWhatTheFieldCarries) {
  const FieldCase& c = GetParam();
  const HeaderField f = HeaderField::Parse(c.text);
  EXPECT_EQ(f.contentType, c.contentType);
  EXPECT_EQ(f.charset, c.charset);
  EXPECT_EQ(f.boundary, c.boundary);
  EXPECT_EQ(f.transferEncoding, c.transferEncoding);
}

INSTANTIATE_TEST_SUITE_P(
    Parser, FieldParsing,
    ::testing::Values(FieldCase{"Content-Type: Text/Plain; Charset=ISO-2022-JP", "text/plain", "iso-2022-jp",
                                "", ""},
                      FieldCase{"content-TYPE:multipart/mixed;boundary=\"X;Y Z\";charset=a",
                                "multipart/mixed", "a", "X;Y Z", ""},
                      FieldCase{"Content-Type:   ", "", "", "", ""},
                      FieldCase{"Content-Type: text/plain", "text/plain", "", "", ""},
                      FieldCase{"Content-Type: text/plain; format=flowed; charset = sjis ; x", "text/plain",
                                "sjis", "", ""},
                      FieldCase{"Content-Type: a/b; boundary=\"open", "a/b", "", "open", ""},
                      FieldCase{"Content-Type: a/b; boundary=  ", "a/b", "", "", ""},
                      FieldCase{"Content-Type: a/b; charset", "a/b", "", "", ""},
                      FieldCase{"Content-Type: a/b; ; boundary=q\t; charset=\"C\" ", "a/b", "c", "q", ""},
                      FieldCase{"Content-Type: a/b; boundary=\"q \"", "a/b", "", "q", ""},
                      FieldCase{"Content-Transfer-Encoding:  BASE64 ; x", "", "", "", "base64"},
                      FieldCase{"Content-Type : text/plain; charset=x", "", "", "", ""},
                      FieldCase{"no colon here", "", "", "", ""}),
    [](const ::testing::TestParamInfo<FieldCase>& info) { return test::ParamName(info.param.text); });

}  // namespace
}  // namespace boxferry
