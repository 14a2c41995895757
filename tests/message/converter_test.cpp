// One message file into the mbox: separator, line ends, header flag, failures, long lines, real messages.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <ostream>
#include <string>

#include "encoding/jis_encoder.h"
#include "jis_decode.h"
#include "message/mbox_converter.h"
#include "platform/platform.h"
#include "support/message_bytes.h"
#include "support/temp_dir.h"

namespace boxferry {
namespace {

// Thunderbird's status lines, which follow every separator.
const std::string kStatus = "X-Mozilla-Status: 0000\r\nX-Mozilla-Status2: 00000000\r\n";
const std::string kStart = "From - \r\n" + kStatus;

// A From line in the body is escaped; the charset on a continuation line makes the body ISO-2022-JP.
TEST(Converter, OnePartMessageWithFromLineAndJapaneseBody) {
  const std::string in =
      "Subject: test\r\nContent-Type: text/plain;\r\n\tcharset=\"ISO-2022-JP\"\r\n\r\nFrom here on\r\n"
      "\x93\xfa\x96\x7b\r\nend\r\n";
  int result = -2;
  const std::string out = test::ConvertBytes(in, &result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(test::ToHex(out), test::ToHex(kStart +
                                          "Subject: test\r\nContent-Type: text/plain;\r\n"
                                          "\tcharset=\"ISO-2022-JP\"\r\n\r\n>From here on\r\n" +
                                          test::Hex("1B 24 42 46 7C 4B 5C 1B 28 42") + "\r\nend\r\n"));
}

// A text part and an embedded message, byte for byte: Shift_JIS becomes ISO-2022-JP in
// the iso-2022-jp part and in the embedded message's body; "--b1--" belongs to the embedded message.
TEST(Converter, TwoPartMessageWithEmbeddedMessage) {
  const std::string sjis = "\x93\xfa\x96\x7b";
  const std::string jis = test::Hex("1B 24 42 46 7C 4B 5C 1B 28 42");
  auto message = [](const std::string& part1, const std::string& inner) {
    return "Content-Type: multipart/mixed;\r\n\tboundary=\"b1\"\r\n\r\nThis is a multipart "
           "message.\r\n--b1\r\n"
           "Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n" +
           part1 + "\r\n--b1\r\nContent-Type: message/rfc822\r\n\r\nSubject: inner\r\n" +
           "Content-Type: text/plain; charset=iso-2022-jp\r\n\r\n" + inner + "\r\n--b1--\r\n";
  };
  int result = -2;
  EXPECT_EQ(test::ToHex(test::ConvertBytes(message(sjis, sjis), &result)),
            test::ToHex(kStart + message(jis, jis)));
  EXPECT_EQ(result, 0);
}

struct EndCase {
  const char* name;
  std::string in;
  std::string out;
};

void PrintTo(const EndCase& c, std::ostream* os) {
  *os << c.name;
}

class MessageEnds : public ::testing::TestWithParam<EndCase> {};

TEST_P(MessageEnds, NextSeparatorStartsALine) {
  int result = -2;
  EXPECT_EQ(test::ToHex(test::ConvertBytes(GetParam().in, &result)), test::ToHex(GetParam().out));
  EXPECT_EQ(result, 0);
}

// Every message begins with the status lines; a header always ends before the next separator; a
// first line without ':' makes the whole file the body; line ends Thunderbird would not take for one
// (a lone CR, CR CR LF) are written CR LF.
INSTANTIATE_TEST_SUITE_P(
    Converter, MessageEnds,
    ::testing::Values(
        EndCase{"EmptyFile", "", kStart + "\r\n"},
        EndCase{"LastLineWithoutEnd", "S: x\r\nT: y\r\n\r\nbody", kStart + "S: x\r\nT: y\r\n\r\nbody\r\n"},
        EndCase{"LastLineLoneCr", "S: x\r\nT: y\r\n\r\nbody\r", kStart + "S: x\r\nT: y\r\n\r\nbody\r\n"},
        EndCase{"LastLineLf", "S: x\nT: y\n\nbody\n", kStart + "S: x\nT: y\n\nbody\n"},
        EndCase{"HeaderOnlyNoEnd", "S: x\r\nT: y", kStart + "S: x\r\nT: y\r\n\r\n"},
        EndCase{"OneHeaderLine", "S: x\r\n\r\nb\r\n", kStart + "S: x\r\n\r\nb\r\n"},
        EndCase{"OneHeaderLineOnly", "S: x", kStart + "S: x\r\n\r\n"},
        EndCase{"TextWithoutHeader", "hello world\nFrom x\n", kStart + "\r\nhello world\n>From x\n"},
        EndCase{"BlankFirstLine", " \r\nS: x\r\n", kStart + "\r\n \r\nS: x\r\n"},
        EndCase{"QuotedFromFirstLine", ">From me\r\nS: x\r\n", kStart + "\r\n>>From me\r\nS: x\r\n"},
        // Only a first line without any ':' is text: a broken field name still begins a header.
        EndCase{"BlankBeforeTheColon", "Subject : x\r\nFrom: y\r\n\r\nb\r\n",
                kStart + "Subject : x\r\nFrom: y\r\n\r\nb\r\n"},
        EndCase{"QuotedFromWithATime", ">From a 10:00\r\nS: x\r\n\r\n",
                kStart + ">>From a 10:00\r\nS: x\r\n\r\n"},
        EndCase{"HeaderFirstThenText", "a: b\nno header\n", kStart + "a: b\nno header\n\r\n"},
        EndCase{"ContinuationSecond", "S: x\r\n\ty\r\n\r\n", kStart + "S: x\r\n\ty\r\n\r\n"},
        // An old status line of the source comes after ours: Thunderbird takes the first.
        EndCase{"OldStatusOfTheSource", "X-Mozilla-Status: 0009\r\nS: x\r\n\r\n",
                kStart + "X-Mozilla-Status: 0009\r\nS: x\r\n\r\n"},
        // Lone CRs and CR CR LF end lines as CR LF, in the header and the body alike.
        EndCase{"LoneCrLines", "S: x\rT: y\r\rbody\rFrom z\r",
                kStart + "S: x\r\nT: y\r\n\r\nbody\r\n>From z\r\n"},
        EndCase{"HeaderEndedByALoneCr", "S: x\r\nT: y\r\n\rbody\r\n",
                kStart + "S: x\r\nT: y\r\n\r\nbody\r\n"},
        EndCase{"CrCrLfLines", "S: x\r\r\nT: y\r\r\n\r\r\nb\r\r\n", kStart + "S: x\r\nT: y\r\n\r\nb\r\n"},
        EndCase{"CrCrCrLf", "S: x\r\r\r\nb\r\n", kStart + "S: x\r\n\r\nb\r\n"},
        EndCase{"OnlyCrs", "\r\r\r", kStart + "\r\n\r\n\r\n"},
        // A binary body keeps its bytes; a line after a kept lone CR is the rest of that line to
        // Thunderbird and needs no '>'; a kept CR at the end gets its LF.
        EndCase{"BinaryBodyKeepsItsBytes",
                "S: x\r\nContent-Transfer-Encoding: binary\r\n\r\na\rFrom b\r\r\nFrom c\r",
                kStart + "S: x\r\nContent-Transfer-Encoding: binary\r\n\r\na\rFrom b\r\r\n>From c\r\n"},
        EndCase{"BinaryPartHeaderIsNoBinary",
                "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\rContent-Transfer-Encoding: "
                "binary\r\rx\ry\r--b--\r",
                kStart + "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Transfer-Encoding: "
                         "binary\r\n\r\nx\ry\r--b--\r\n"},
        EndCase{"BinaryIsNotTranscoded",
                "Content-Type: text/plain; charset=iso-2022-jp\r\nContent-Transfer-Encoding: binary\r\n\r\n"
                "\x93\xfa\r\n",
                kStart + "Content-Type: text/plain; charset=iso-2022-jp\r\nContent-Transfer-Encoding: "
                         "binary\r\n\r\n\x93\xfa\r\n"},
        // A first line that is an mbox envelope line becomes the separator itself.
        EndCase{"EnvelopeLine", "From a@b Mon Dec  7 10:00:00 2026\nS: x\r\nT: y\r\n\r\nFrom y\r\n",
                "From a@b Mon Dec  7 10:00:00 2026\r\n" + kStatus + "S: x\r\nT: y\r\n\r\n>From y\r\n"},
        EndCase{"EnvelopeLineOnly", "From a@b\r", "From a@b\r\n" + kStatus + "\r\n"},
        EndCase{"EnvelopeNeedsTheBlank", "From:a@b\r\nT: y\r\n\r\n", kStart + "From:a@b\r\nT: y\r\n\r\n"},
        EndCase{"SecondFromLineIsEscaped", "S: x\r\nT: y\r\n\r\nFrom a\r\n",
                kStart + "S: x\r\nT: y\r\n\r\n>From a\r\n"}),
    [](const ::testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });

TEST(Converter, FileThatCannotBeOpenedWritesNothing) {
  test::TempDir dir;
  std::vector<std::string> paths = {(dir / "absent.ALM").string()};
  std::error_code linkError;  // Wine, and Windows without the privilege, make no symbolic links
  std::filesystem::create_symlink(dir / "missing", dir / "dangling.ALM", linkError);
  if (!linkError) paths.push_back((dir / "dangling.ALM").string());
  if (geteuid() != 0) {  // permissions do not stop root
    test::WriteFile(dir / "locked.ALM", "S: x\r\n");
    std::filesystem::permissions(dir / "locked.ALM", std::filesystem::perms::none);
    paths.push_back((dir / "locked.ALM").string());
  }
  const std::string mboxPath = (dir / "mbox").string();
  for (const std::string& path : paths) {
    test::RunningMonitor running;
    MboxConverter converter(&running.monitor);
    platform::File mbox = platform::File::OpenReadWrite(mboxPath);
    EXPECT_EQ(converter.ConvertMessage(path, "a", "f", "x.ALM", mboxPath, mbox), -1) << path;
    EXPECT_TRUE(running.Failed(kMsgFileOpenFailed)) << path;
    EXPECT_EQ(mbox.Size(), 0) << path;
  }
}

TEST(Converter, ReadErrorKeepsTheSeparator) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows opens no directory as a file, so there is no read to fail";
#endif
  test::TempDir dir;
  std::filesystem::create_directory(dir / "dir.ALM");  // opens, but every read fails
  test::RunningMonitor running;
  MboxConverter converter(&running.monitor);
  {
    const std::string mboxPath = (dir / "mbox").string();
    platform::File mbox = platform::File::OpenReadWrite(mboxPath);
    EXPECT_EQ(converter.ConvertMessage((dir / "dir.ALM").string(), "a", "f", "dir.ALM", mboxPath, mbox), -1);
  }
  EXPECT_TRUE(running.Failed(kMsgFileReadFailed));
  EXPECT_EQ(test::ReadFile(dir / "mbox"), kStart);  // nothing is completed after a read error
}

TEST(Converter, FullDiskIsMessage108) {
  test::TempDir dir;
  test::WriteFile(dir / "1.ALM", "Subject: x\r\n\r\nbody\r\n");
  platform::File full = platform::File::OpenReadWrite("/dev/full");
  if (!full.IsOpen()) GTEST_SKIP() << "/dev/full not available";
  test::RunningMonitor running;
  MboxConverter converter(&running.monitor);
  EXPECT_EQ(converter.ConvertMessage((dir / "1.ALM").string(), "a", "f", "1.ALM", "/dev/full", full), -1);
  EXPECT_TRUE(running.Failed(kMsgFileWriteFailed));
}

TEST(Converter, AppendsBehindWhatTheMboxHolds) {
  test::TempDir dir;
  test::WriteFile(dir / "1.ALM", "S: 1\r\n");
  test::WriteFile(dir / "2.ALM", "S: 2");
  test::RunningMonitor running;
  MboxConverter converter(&running.monitor);
  {
    const std::string mboxPath = (dir / "mbox").string();
    platform::File mbox = platform::File::OpenReadWrite(mboxPath);
    ASSERT_EQ(converter.ConvertMessage((dir / "1.ALM").string(), "a", "f", "1.ALM", mboxPath, mbox), 0);
    ASSERT_EQ(converter.ConvertMessage((dir / "2.ALM").string(), "a", "f", "2.ALM", mboxPath, mbox), 0);
  }
  // Each message lacks an empty line, so each header is ended before the next separator.
  EXPECT_EQ(test::ReadFile(dir / "mbox"), kStart + "S: 1\r\n\r\n" + kStart + "S: 2\r\n\r\n");
}

// Lines longer than the reader's buffer go through in pieces and come out as if converted whole.
TEST(Converter, LongLinesStreamLikeWholeLines) {
  std::string kanji;
  for (int i = 0; i < 5000; ++i) kanji += (i % 7 ? "\x93\xfa" : "a\xb1");
  const std::string message = "Subject: x\r\nX-Long: " + std::string(3000, 'h') +
                              "\r\nContent-Type: text/plain; charset=iso-2022-jp\r\n\r\n" + kanji +
                              "\r\nFrom " + std::string(2000, 'f') + "\r\n" + kanji;
  const std::string expected = kStart + "Subject: x\r\nX-Long: " + std::string(3000, 'h') +
                               "\r\nContent-Type: text/plain; charset=iso-2022-jp\r\n\r\n" +
                               encoding::Cp932ToJis(kanji) + "\r\n>From " + std::string(2000, 'f') + "\r\n" +
                               encoding::Cp932ToJis(kanji) + "\r\n";
  for (std::size_t capacity : {std::size_t{100}, std::size_t{4099}, MessageReader::kDefaultCapacity}) {
    int result = -2;
    const std::string out = test::ConvertBytes(message, &result, capacity);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(out == expected) << "capacity " << capacity;
  }
}

// A header line longer than the buffer is encoded piece by piece; every word stays well-formed and the
// line still decodes to its text.
TEST(Converter, LongHeaderLineDecodesBack) {
  std::string subject = "Subject:";
  for (int i = 0; i < 40; ++i) subject += i % 3 ? " \x93\xfa\x96\x7b\x8c\xea" : " \x82\xa0\xb1x\x82\xa2";
  const std::string out = test::ConvertBytes(subject + "\r\n\r\n", nullptr, 64);
  ASSERT_TRUE(out.starts_with(kStart));
  const std::string line = out.substr(kStart.size(), out.find("\r\n", kStart.size()) - kStart.size());
  std::vector<std::string> words, encodedWords;
  EXPECT_EQ(test::DecodeHeaderLine(line, &words, &encodedWords), subject);
  EXPECT_GT(words.size(), 5u);
  for (const std::string& jis : words) EXPECT_TRUE(test::WellFormedJis(jis));
  for (const std::string& word : encodedWords) EXPECT_LE(word.size(), 75u);
  EXPECT_EQ(line.find("?==?"), std::string::npos) << line;
}

}  // namespace
}  // namespace boxferry
