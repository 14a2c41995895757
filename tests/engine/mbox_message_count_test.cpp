// Thunderbird's count of an mbox's messages, read from the bytes alone. Every count in the first table was
// seen in Thunderbird 153 (each row one folder of a local-folders tree it indexed itself).
#include "engine/mbox_message_count.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "support/temp_dir.h"

namespace boxferry {
namespace {

using namespace std::string_literals;
using test::TempDir;
using test::WriteFile;

struct Row {
  const char* name;
  std::string bytes;
  std::int64_t count;
};

// A first message with two fields and a body; the rows then judge what follows it.
const std::string kFirst = "From x\nA: 1\nB: 2\n\nbody\n";

// Our own separator and status lines.
const std::string kOurs = "From - \r\nX-Mozilla-Status: 0000\r\nX-Mozilla-Status2: 00000000\r\n";

// A first message padded with body lines to `size` bytes.
std::string PaddedTo(std::size_t size) {
  std::string bytes = "From x\nA: 1\n\n";
  while (bytes.size() < size) {
    const std::size_t left = size - bytes.size();
    const std::size_t n = left < 70 ? left : 70;
    bytes += n == 1 ? "\n" : std::string(n - 1, 'b') + "\n";
  }
  return bytes;
}

std::vector<Row> ThunderbirdRows() {
  return {
      {"EmptyFile", ""s, 0},
      {"NoSeparatorAtStart", "Subject: a\nTo: b\n\nbody\n"s, 0},
      {"BlankBeforeSeparator", "\nFrom x\nA: 1\n\nb\n"s, 0},
      {"FromWithoutSpace", "From"s, 0},
      {"SeparatorOnly", "From "s, 0},
      {"SeparatorLineWithoutLf", "From x"s, 0},
      {"SeparatorLineOnly", "From x\n"s, 0},
      {"HeaderNeverEnds", "From x\nA: 1\n"s, 0},
      {"FirstSeparatorNeedsNoFields", "From x\nbody text, no colon\n\nhello\n"s, 1},
      {"FirstSeparatorThenBlank", "From x\n\nbody only\n"s, 1},
      {"FirstSeparatorThenCrLfBlank", "From x\r\n\r\n"s, 1},
      {"LfBlankAtEnd", "From x\n\n"s, 1},
      {"FirstWithoutFieldsSecondWithTwo", "From x\nnot\n\nbody\nFrom y\nC: 3\nD: 4\n\nbody2\n"s, 2},
      {"TwoFields", kFirst + "From y\nC: 3\nD: 4\n\nbody2\n"s, 2},
      {"OneFieldThenText", kFirst + "From y\nC: 3\nnot a field\n\nbody2\n"s, 1},
      {"FieldThenBlank", kFirst + "From y\nA: 1\n\nb\n"s, 1},
      {"BlankAfterFrom", kFirst + "From y\n\nA: 1\nB: 2\n\nb\n"s, 1},
      {"FoldedFirstField", kFirst + "From y\nC: 3\n folded\n\tmore\nD: 4\n\nbody2\n"s, 2},
      {"FoldedFieldThenText", kFirst + "From y\nC: 3\n folded\nnot\n\nbody2\n"s, 1},
      {"EmptyFieldNames", kFirst + "From y\n:x\n:y\n\nbody2\n"s, 2},
      {"EmptyFieldValues", kFirst + "From y\nA:\nB:\n\nb\n"s, 2},
      {"NameByte80",
       kFirst + "From y\nA\x80"
                "b: 1\nC: 2\n\nbody2\n"s,
       1},
      {"NameByte7F",
       kFirst + "From y\nA\x7f"
                "b: 1\nB: 2\n\nb\n"s,
       1},
      {"NameWithSpace", kFirst + "From y\nA b: 1\nC: 2\n\nbody2\n"s, 1},
      {"NameWithTab", kFirst + "From y\nA\tb: 1\nC: 2\n\nbody2\n"s, 1},
      {"NameBytes21And7E", kFirst + "From y\n~!: 1\nB: 2\n\nb\n"s, 2},
      {"SecondNameBad", kFirst + "From y\nA: 1\nB\x01: 2\n\nb\n"s, 1},
      {"FromInHeader", "From x\nA: 1\nFrom y\nC: 3\nD: 4\n\nbody\n"s, 1},
      {"CrLf", "From x\r\nA: 1\r\nB: 2\r\n\r\nbody\r\nFrom y\r\nC: 3\r\nD: 4\r\n\r\nbody2\r\n"s, 2},
      {"CrLfBlankBeforeFrom", "From x\nA: 1\r\n\r\nb\r\n\r\nFrom y\r\nA: 1\r\nB: 2\r\n\r\nb\r\n"s, 2},
      {"LoneCrIsNoLineEnd", "From x\rA: 1\nB: 2\n\r\nbody\nFrom y\nC: 3\nD: 4\n\nbody2\n"s, 2},
      {"LoneCrBeforeFrom", "From x\nA: 1\n\ntext\rFrom y\nA: 1\nB: 2\n\nb\n"s, 1},
      {"CrLineEndsHeaderForIndex", "From x\nA: 1\n\rbody\n"s, 1},
      {"NulLineEndsHeaderForIndex", "From x\nA: 1\n\x00x\n"s, 1},
      {"CrCrLfEndsHeaderForIndex", "From x\nA: 1\n\r\r\nbody\n"s, 1},
      {"FromAfterCrLineStaysInHeader", "From x\nA: 1\n\rbody\nFrom y\nC: 3\nD: 4\n\nbody2\n"s, 1},
      {"FromInHeaderAfterCrLine", "From x\nA: 1\n\rfoo\nFrom y\nB: 1\nC: 2\n\nbody\n"s, 1},
      {"SecondHeaderEndsAtCrLine", kFirst + "From y\nC: 1\nD: 2\n\rq\n"s, 2},
      {"SecondHeaderNeverEnds", kFirst + "From y\nC: 1\nD: 2\n"s, 1},
      {"CrLineAtEndWithoutLf", "From x\nA: 1\n\r"s, 0},
      {"EndAfterOneField", kFirst + "From y\nC: 3\n"s, 1},
      {"EndInsideField", kFirst + "From y\nC: 3"s, 1},
      {"EndInsideFromLine", kFirst + "From y"s, 1},
      {"EndAfterFromLine", kFirst + "From y\n"s, 1},
      {"EndInsideFold", kFirst + "From y\nC: 3\n fold"s, 1},
      {"Escaped", kFirst + ">From y\nC: 3\nD: 4\n\nbody2\n"s, 1},
      {"BodyFromWithoutSpace", kFirst + "From\nA: 1\nB: 2\n\nb\n"s, 1},
      {"FromLineJudgedAfterFailedCheck", kFirst + "From y\nFrom z\nA: 1\nB: 2\n\nb\n"s, 2},
      {"FromAsSecondLineJudgedAgain", kFirst + "From y\nA: 1\nFrom z\nA: 1\nB: 2\n\nb\n"s, 2},
      {"FromAsSecondLineFailsToo", kFirst + "From y\nA: 1\nFrom z\nA: 1\nno\n\nb\n"s, 1},
      {"FromLikeName", kFirst + "From y\nFromage: 1\nB: 2\n\nb\n"s, 2},
      {"FroName", kFirst + "From y\nFro m\nB: 2\n\nb\n"s, 1},
      {"OursHeaderlessAndEmpty",
       "From - \r\nX-Mozilla-Status: 0000\r\nX-Mozilla-Status2: 00000000\r\n\r\ntext\r\nFrom - \r\nX-Mozilla-Status: 0000\r\nX-Mozilla-Status2: 00000000\r\n\r\n"s,
       2},
      {"ThreeOfOurs",
       kOurs + "Subject: a\r\n\r\nbody\r\n" + kOurs + "Subject: a\r\n\r\nbody\r\n" + kOurs +
           "Subject: a\r\n\r\nbody\r\n",
       3},
      {"CrLine999", "From x\nA: 1\n\r"s + std::string(998, 'a') + "\n", 1},
      {"LongLineThatFitsTheWindow", kFirst + "From y\n" + std::string(300, 'A') + "\nmore\n\nbody2\n", 1},
      {"LongLineEarlyInTheWindow", PaddedTo(100) + "From y\n" + std::string(700, 'A') + "\nmore\n\nbody2\n",
       1},
  };
}

std::int64_t CountWhole(std::string_view bytes) {
  MboxMessageCounter counter;
  counter.Feed(bytes);
  return counter.Finish();
}

std::int64_t CountInPieces(std::string_view bytes, std::size_t piece) {
  MboxMessageCounter counter;
  for (std::size_t at = 0; at < bytes.size(); at += piece) counter.Feed(bytes.substr(at, piece));
  return counter.Finish();
}

TEST(MboxMessageCountTest, CountsAsThunderbirdDoes) {
  for (const Row& row : ThunderbirdRows()) EXPECT_EQ(CountWhole(row.bytes), row.count) << row.name;
}

TEST(MboxMessageCountTest, PiecesOfEverySizeGiveTheSameCount) {
  for (const Row& row : ThunderbirdRows()) {
    for (std::size_t piece = 1; piece <= row.bytes.size(); ++piece) {
      if (CountInPieces(row.bytes, piece) != row.count) {
        ADD_FAILURE() << row.name << " in pieces of " << piece;
        break;
      }
    }
  }
}

TEST(MboxMessageCountTest, EverySplitInTwoGivesTheSameCount) {
  for (const Row& row : ThunderbirdRows()) {
    const std::string_view bytes = row.bytes;
    for (std::size_t at = 0; at <= bytes.size(); ++at) {
      MboxMessageCounter counter;
      counter.Feed(bytes.substr(0, at));
      counter.Feed({});
      counter.Feed(bytes.substr(at));
      if (counter.Finish() != row.count) {
        ADD_FAILURE() << row.name << " split at " << at;
        break;
      }
    }
  }
}

// Where Thunderbird's answer depends on how its reads fall, or on header values, the counter keeps to
// the end of the file and to the bytes of the lines.
TEST(MboxMessageCountTest, WhereThunderbirdDependsOnItsReads) {
  const struct {
    const char* name;
    std::string bytes;
    std::int64_t thunderbird;  // as seen in Thunderbird 153
    std::int64_t count;
  } rows[] = {
      // Its window (512 bytes to 8 KiB) ends before the field after "From y" does.
      {"LongLineAtTheWindowEnd", PaddedTo(7592) + "From y\n" + std::string(700, 'A') + "\nmore\n\nbody2\n", 2,
       1},
      {"LineLongerThanTheWindow", kFirst + "From y\n" + std::string(9000, 'A') + "\nmore\n\nbody2\n", 2, 1},
      {"FromLineLongerThanTheWindow", kFirst + "From y" + std::string(9000, 'Y') + "\n\nbody2\n", 2, 1},
      // Its indexer skips a header line of 1000 bytes or more that arrives in pieces.
      {"CrLine1000", "From x\nA: 1\n\r"s + std::string(999, 'a') + "\n", 1, 0},
      {"CrLine1100", "From x\nA: 1\n\r"s + std::string(1100, 'a') + "\n", 1, 0},
      // It hides a message whose status has the deleted bit.
      {"Expunged", "From x\nX-Mozilla-Status: 0008\n\nb\n", 0, 1},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(CountWhole(row.bytes), row.count) << row.name << " (Thunderbird: " << row.thunderbird << ")";
    EXPECT_EQ(CountInPieces(row.bytes, 7), row.count) << row.name;
  }
}

// A line beyond 4 GiB goes through without being held, and its length is not cut to 32 bits: a header
// line of CR and 2^32 more bytes is no "CR LF alone".
TEST(MboxMessageCountTest, LinesBeyondFourGibibytes) {
  const std::string filler(1 << 20, 'a');
  MboxMessageCounter counter;
  counter.Feed("From x\nA: 1\n\r");
  for (int i = 0; i < 4096; ++i) counter.Feed(filler);
  counter.Feed("\nFrom y\n");
  EXPECT_EQ(counter.Finish(), 0);

  MboxMessageCounter body;
  body.Feed(kFirst);
  for (int i = 0; i < 4097; ++i) body.Feed(filler);
  body.Feed("\nFrom y\nA: 1\nB: 2\n\nb\n");
  EXPECT_EQ(body.Finish(), 2);
}

TEST(MboxMessageCountTest, FileReadInChunks) {
  TempDir dir;
  // Messages of growing size: separators and fields fall on every side of the chunk borders.
  std::string bytes;
  int messages = 0;
  for (std::size_t body = 0; bytes.size() < 300 * 1024; body += 97, ++messages) {
    bytes += kOurs + "Subject: " + std::to_string(messages) + "\r\n\r\n" + std::string(body, 'x') + "\r\n";
    bytes += ">From a body line\r\nFrom a body line\r\nA: only one field\r\n\r\n";
  }
  WriteFile(dir / "mbox", bytes);
  std::int64_t count = -1;
  ASSERT_TRUE(CountMboxMessages((dir / "mbox").string(), count));
  EXPECT_EQ(count, messages);

  WriteFile(dir / "empty", "");
  ASSERT_TRUE(CountMboxMessages((dir / "empty").string(), count));
  EXPECT_EQ(count, 0);
}

TEST(MboxMessageCountTest, FileThatCannotBeReadIsAnError) {
  TempDir dir;
  const std::string missing = (dir / "missing").string();
  std::int64_t count = -1;
  EXPECT_FALSE(CountMboxMessages(missing, count));
  EXPECT_EQ(count, 0);
  EXPECT_NE(platform::LastErrorCode(), 0);
#ifndef _WIN32
  EXPECT_EQ(platform::LastErrorCode(), ENOENT);
#endif
  EXPECT_EQ(platform::LastErrorPath(), missing);

  // A directory opens on POSIX and fails at the first read; Windows refuses the open.
  const std::string folder = dir.str();
  EXPECT_FALSE(CountMboxMessages(folder, count));
  EXPECT_EQ(platform::LastErrorPath(), folder);
}

}  // namespace
}  // namespace boxferry
