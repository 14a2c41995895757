// Which writer operation every line reaches, and what the parser reads from header fields.
#include "message/message_parser.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "message/header_field.h"
#include "test_support.h"

namespace boxferry {
namespace {

// Records one code per written line: the parser depth (when nested), then h = header line transcoded,
// t = body line transcoded, v = verbatim after the From-escape, b = verbatim without it (boundary).
class RecordingParser : public MessageParser {
 public:
  RecordingParser(ProgressMonitor* monitor, std::vector<std::string>* log)
      : MessageParser(monitor), log_(log) {}
  bool failCreate = false;
  // Per header line: p = of a Content-Type or Content-Disposition field, a = right after a header line.
  std::vector<std::string> roles;

 protected:
  int EscapeFromLine(const LinePiece&, MboxOutput&) override {
    escaped_ = true;
    return 0;
  }
  int WriteTranscoded(const LinePiece& line, const LineRole& role, MboxOutput&) override {
    if (role.header && line.last) {
      roles.push_back(std::string(role.parameterField ? "p" : "") + (role.afterHeaderLine ? "a" : ""));
    }
    return Record(line, escaped_ ? (role.header ? 'h' : 't') : '?');
  }
  int WriteVerbatim(const LinePiece& line, MboxOutput&) override {
    return Record(line, escaped_ ? 'v' : 'b');
  }
  std::unique_ptr<MessageParser> CreateNested(ProgressMonitor* monitor) override {
    if (failCreate) return nullptr;
    return std::make_unique<RecordingParser>(monitor, log_);
  }

 private:
  int Record(const LinePiece& line, char code) {
    if (line.last) {
      log_->push_back((depth() ? std::to_string(depth()) : std::string()) + code);
      escaped_ = false;
    }
    return 0;
  }
  std::vector<std::string>* log_;
  bool escaped_ = false;
};

// Hands lines to the parser as the message file conversion does: the header flag stays 1 up to and
// including the first empty line.
struct Harness {
  test::RunningMonitor running;
  std::vector<std::string> log;
  platform::File sink;
  MboxOutput out{sink};
  RecordingParser parser{&running.monitor, &log};
  int inHeader = 1;

  int Line(std::string_view text) {
    const int result = parser.ParseLine(LinePiece{text, "\r\n"}, inHeader, out);
    if (text.empty()) inHeader = 0;
    return result;
  }
  std::vector<std::string> Run(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) Line(line);
    return log;
  }
};

struct RoutingCase {
  const char* name;
  std::vector<std::string> lines;
  std::vector<std::string> codes;
};

class Routing : public ::testing::TestWithParam<RoutingCase> {};

TEST_P(Routing, EveryLineReachesItsWriter) {
  Harness h;
  EXPECT_EQ(h.Run(GetParam().lines), GetParam().codes);
}

const std::string kSjis = "\x93\xfa\x96\x7b";  // 日本

INSTANTIATE_TEST_SUITE_P(
    Parser, Routing,
    ::testing::Values(
        RoutingCase{"NoContentType", {"Subject: x", "", "body", kSjis}, {"h", "h", "v", "v"}},
        RoutingCase{
            "Iso2022JpBody", {"Content-Type: text/plain; charset=ISO-2022-JP", "", kSjis}, {"h", "h", "t"}},
        RoutingCase{
            "SevenBitAndBase64Transcode",
            {"Content-Type: text/plain; charset=iso-2022-jp", "Content-Transfer-Encoding: 7bit", "", "x"},
            {"h", "h", "h", "t"}},
        RoutingCase{"QuotedPrintableVerbatim",
                    {"Content-Type: text/plain; charset=iso-2022-jp",
                     "Content-Transfer-Encoding: Quoted-Printable", "", "x"},
                    {"h", "h", "h", "v"}},
        RoutingCase{"ContinuationLineCarriesCharset",
                    {"Content-Type: text/plain;", "\tcharset=\"ISO-2022-JP\"", "", "x"},
                    {"h", "h", "h", "t"}},
        RoutingCase{"BlankBeforeColonNotRecognised",
                    {"Content-Type : text/plain; charset=iso-2022-jp", "", "x"},
                    {"h", "h", "v"}},
        RoutingCase{"ParameterNamesAnyCase",
                    {"Content-Type: text/plain; CHARSET=Iso-2022-Jp", "", "x"},
                    {"h", "h", "t"}},
        RoutingCase{"HeaderWithoutEmptyLineIsAllHeader", {"Subject: a", "b", "From x"}, {"h", "h", "h"}},
        RoutingCase{"BoundaryWithoutDashesOrTrailingBlank",
                    {"Content-Type: multipart/mixed; boundary=b1", "", "pre", "--b1 ", "b1", "--b1",
                     "Content-Type: text/plain", "", "x", "--b1--", "after"},
                    {"h", "h", "v", "v", "v", "b", "h", "h", "v", "v", "v"}},
        RoutingCase{"EmptyBoundaryNeverMatches",
                    {"Content-Type: multipart/mixed; boundary=\"\"", "", "--", "x"},
                    {"h", "h", "v", "v"}},
        RoutingCase{"BoundaryCaseSensitive",
                    {"Content-Type: multipart/mixed; boundary=AbC", "", "--abc", "--AbC"},
                    {"h", "h", "v", "b"}},
        RoutingCase{"PartWithoutContentTypeIgnoresMessageCharset",
                    {"Content-Type: multipart/mixed; charset=iso-2022-jp; boundary=b", "", "--b", "", "x"},
                    {"h", "h", "b", "h", "v"}},
        RoutingCase{"QuotedBoundaryWithSemicolonAndBlank",
                    {"Content-Type: multipart/mixed; boundary=\"a; b\"", "", "--a; b", "", "x"},
                    {"h", "h", "b", "h", "v"}},
        RoutingCase{"UnquotedBoundaryEndsAtBlank",
                    {"Content-Type: multipart/mixed; boundary=a b", "", "--a b", "--a"},
                    {"h", "h", "v", "b"}},
        RoutingCase{"PendingPartFieldCarriesToNextPart",
                    {"Content-Type: multipart/mixed; boundary=b", "", "--b",
                     "Content-Type: text/plain; charset=iso-2022-jp", "--b", "X-Other: 1", "", "x"},
                    {"h", "h", "b", "h", "b", "h", "h", "t"}},
        // An embedded message: its header and body go to a nested parser with its own rules.
        RoutingCase{
            "EmbeddedMessage",
            {"Content-Type: multipart/mixed; boundary=b", "", "--b", "Content-Type: message/rfc822", "",
             "Subject: inner", "Content-Type: text/plain; charset=iso-2022-jp", "", kSjis, "--b", "", "x"},
            {"h", "h", "b", "h", "h", "1h", "1h", "1h", "1t", "b", "h", "v"}},
        // A multipart inside a part is followed: its own boundary and each inner part's charset count.
        RoutingCase{
            "MultipartInsidePart",
            {"Content-Type: multipart/mixed; boundary=outer", "", "--outer",
             "Content-Type: multipart/alternative; boundary=inner", "", "--inner",
             "Content-Type: text/plain; charset=iso-2022-jp", "", kSjis, "--inner", "Content-Type: text/html",
             "", "<p>", "--inner--", "--outer", "", "tail"},
            {"h", "h", "b", "h", "h", "1b", "1h", "1h", "1t", "1b", "1h", "1h", "1v", "1v", "b", "h", "v"}}),
    [](const ::testing::TestParamInfo<RoutingCase>& info) { return std::string(info.param.name); });

struct RoleCase {
  const char* name;
  std::vector<std::string> lines;
  std::vector<std::string> roles;  // of the header lines of the top-level parser
};

class HeaderRoles : public ::testing::TestWithParam<RoleCase> {};

TEST_P(HeaderRoles, TellTheWriterFieldAndFold) {
  Harness h;
  h.Run(GetParam().lines);
  EXPECT_EQ(h.parser.roles, GetParam().roles);
}

INSTANTIATE_TEST_SUITE_P(
    Parser, HeaderRoles,
    ::testing::Values(
        RoleCase{"ContinuationBelongsToItsField",
                 {"Content-Type: a/b;", " name=x", "Subject: s", " more", "", "body"},
                 {"p", "pa", "a", "a", "a"}},
        RoleCase{"FieldNameAnyCaseNotTrimmed",
                 {"content-disposition: x", "Content-Type : y", "Content-Typo: z", "CONTENT-TYPE:x", "X: y"},
                 {"p", "a", "a", "pa", "a"}},
        // A boundary line ends what a fold may continue; a continuation line opening a part header
        // belongs to no field.
        RoleCase{"PartHeadersAfterBoundaries",
                 {"Content-Type: multipart/mixed; boundary=b", "", "--b", "Content-Disposition: attachment;",
                  "\tfilename=x", "", "body", "--b", " y: z", ""},
                 {"p", "a", "p", "pa", "a", "", "a"}}),
    [](const ::testing::TestParamInfo<RoleCase>& info) { return std::string(info.param.name); });

TEST(Parser, ResetStartsWithoutAHeaderLineBefore) {
  Harness h;
  h.Run({"Subject: a"});
  h.parser.Reset();
  h.Line(" b");
  EXPECT_EQ(h.parser.roles, (std::vector<std::string>{"", ""}));
}

// The lines of the two-part message of the parser's worked example, with the state after each line.
TEST(Parser, WorkedTwoPartMessage) {
  Harness h;
  h.Line("Content-Type: multipart/mixed;");
  EXPECT_EQ(h.parser.pendingMessageField(), "Content-Type: multipart/mixed;");
  h.Line("\tboundary=\"b1\"");
  EXPECT_EQ(h.parser.pendingMessageField(), "Content-Type: multipart/mixed;\tboundary=\"b1\"");
  h.Line("");
  EXPECT_EQ(h.parser.messageCharset(), "");
  EXPECT_EQ(h.parser.boundaryLine(), "--b1");
  h.Line("This is a multipart message.");
  h.Line("--b1");
  EXPECT_EQ(h.parser.partCount(), 1);
  EXPECT_TRUE(h.parser.inPartHeader());
  h.Line("Content-Type: text/plain; charset=ISO-2022-JP");
  h.Line("");
  EXPECT_EQ(h.parser.partContentType(), "text/plain");
  EXPECT_EQ(h.parser.partCharset(), "iso-2022-jp");
  EXPECT_FALSE(h.parser.inPartHeader());
  h.Line(kSjis);
  h.Line("--b1");
  EXPECT_EQ(h.parser.partCount(), 2);
  EXPECT_EQ(h.parser.partCharset(), "");
  h.Line("Content-Type: message/rfc822");
  h.Line("");
  EXPECT_EQ(h.parser.partContentType(), "message/rfc822");
  h.Line("Subject: inner");
  ASSERT_NE(h.parser.nested(), nullptr);
  EXPECT_EQ(h.parser.nested()->pendingMessageField(), "Subject: inner");
  h.Line("Content-Type: text/plain; charset=iso-2022-jp");
  h.Line("");
  EXPECT_EQ(h.parser.nested()->messageCharset(), "iso-2022-jp");
  h.Line(kSjis);
  h.Line("--b1--");
  EXPECT_EQ(h.log, (std::vector<std::string>{"h", "h", "h", "v", "b", "h", "h", "t", "b", "h", "h", "1h",
                                             "1h", "1h", "1t", "1t"}));
}

TEST(Parser, NestingStopsAtDepthBound) {
  const int levels = MessageParser::kMaxNestingDepth + 5;
  Harness deep;
  deep.Line("Content-Type: multipart/mixed; boundary=b0");
  deep.Line("");
  for (int i = 0; i < levels; ++i) {
    deep.Line("--b" + std::to_string(i));
    deep.Line("Content-Type: multipart/mixed; boundary=b" + std::to_string(i + 1));
    deep.Line("");
  }
  deep.log.clear();
  deep.Line("deepest");
  const MessageParser* p = &deep.parser;
  int depth = 0;
  while (p->nested()) {
    p = p->nested();
    ++depth;
  }
  EXPECT_EQ(depth, MessageParser::kMaxNestingDepth);
  EXPECT_EQ(deep.log, std::vector<std::string>{std::to_string(MessageParser::kMaxNestingDepth) + "v"});
}

TEST(Parser, NestedParserThatCannotBeMadeStopsTheRun) {
  Harness h;
  h.parser.failCreate = true;
  for (const char* line :
       {"Content-Type: multipart/mixed; boundary=b", "", "--b", "Content-Type: message/rfc822", ""}) {
    ASSERT_EQ(h.Line(line), 0);
  }
  EXPECT_EQ(h.Line("Subject: x"), -1);
  EXPECT_TRUE(h.running.Failed(kMsgUnexpected));
}

TEST(Parser, CollectedFieldKeepsItsFirst64KiB) {
  Harness h;
  h.Line("Content-Type: text/plain; charset=iso-2022-jp");
  h.Line("X-Long: " + std::string(40000, 'a'));
  for (int i = 0; i < 10; ++i) h.Line(" " + std::string(40000, 'b'));
  EXPECT_EQ(h.parser.pendingMessageField().size(), MessageParser::kMaxFieldBytes);
  h.Line("");
  h.Line("x");
  EXPECT_EQ(h.log.back(), "t");
}

TEST(Parser, ResetForgetsEverything) {
  Harness h;
  h.Run({"Content-Type: multipart/mixed; boundary=b", "", "--b", "Content-Type: message/rfc822", "", "S: x"});
  ASSERT_NE(h.parser.nested(), nullptr);
  h.parser.Reset();
  EXPECT_EQ(h.parser.nested(), nullptr);
  EXPECT_EQ(h.parser.boundaryLine(), "");
  EXPECT_EQ(h.parser.partCount(), 0);
  EXPECT_EQ(h.parser.pendingPartField(), "");
}

struct FieldCase {
  std::string text;
  std::string contentType, charset, boundary, transferEncoding;
};

class FieldParsing : public ::testing::TestWithParam<FieldCase> {};

TEST_P(FieldParsing, ReadsWhatTheFieldCarries) {
  const FieldCase& c = GetParam();
  const HeaderField f = HeaderField::Parse(c.text);
  EXPECT_EQ(f.contentType, c.contentType);
  EXPECT_EQ(f.charset, c.charset);
  EXPECT_EQ(f.boundary, c.boundary);
  EXPECT_EQ(f.transferEncoding, c.transferEncoding);
  EXPECT_EQ(f.fieldText, c.text);
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
                      FieldCase{"no colon here", "", "", "", ""}));

}  // namespace
}  // namespace boxferry
