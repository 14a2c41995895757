// Line splitting: every line keeps its own line end, whatever the buffer size and wherever it is cut.
#include "message/message_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "support/temp_dir.h"

namespace boxferry {
namespace {

using Lines = std::vector<std::pair<std::string, std::string>>;  // text, line end

struct SplitResult {
  Lines lines;
  bool error = false;
  bool piecesWellFormed = true;
  std::vector<std::size_t> pieceEnds;  // offsets within their line where pieces were cut
};

SplitResult Split(const std::string& bytes, std::size_t capacity) {
  test::TempDir dir;
  test::WriteFile(dir / "m", bytes);
  platform::File file = platform::File::OpenRead((dir / "m").string());
  MessageReader reader(file, file.Size(), capacity);
  SplitResult r;
  LinePiece piece;
  std::string text;
  bool inLine = false;
  for (;;) {
    const MessageReader::Status status = reader.Next(piece);
    if (status == MessageReader::Status::kError) r.error = true;
    if (status != MessageReader::Status::kPiece) break;
    if (piece.first == inLine) r.piecesWellFormed = false;
    if (!piece.last && !piece.lineEnd.empty()) r.piecesWellFormed = false;
    text += piece.text;
    if (piece.last) {
      r.lines.emplace_back(text, std::string(piece.lineEnd));
      text.clear();
      inLine = false;
    } else {
      r.pieceEnds.push_back(text.size());
      inLine = true;
    }
  }
  return r;
}

struct SplitCase {
  const char* name;
  std::string bytes;
  Lines lines;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
  *os << c.name;
}

class Splitting : public ::testing::TestWithParam<SplitCase> {};

TEST_P(Splitting, SameLinesForEveryBufferSize) {
  const SplitCase& c = GetParam();
  for (std::size_t capacity : {std::size_t{16}, std::size_t{17}, std::size_t{18}, std::size_t{19},
                               std::size_t{23}, std::size_t{64}, MessageReader::kDefaultCapacity}) {
    const SplitResult r = Split(c.bytes, capacity);
    EXPECT_FALSE(r.error);
    EXPECT_TRUE(r.piecesWellFormed) << "capacity " << capacity;
    EXPECT_EQ(r.lines, c.lines) << "capacity " << capacity;
  }
}

const std::string k20 = "abcdefghijklmnopqrst";

INSTANTIATE_TEST_SUITE_P(
    Reader, Splitting,
    ::testing::Values(
        SplitCase{"Empty", "", {}}, SplitCase{"NoLineEnd", "a", {{"a", ""}}},
        SplitCase{"CrAtEnd", "a\r", {{"a", "\r"}}},
        SplitCase{"LoneCrThenByte", "a\rb", {{"a", "\r"}, {"b", ""}}},
        SplitCase{"Mixed", "a\r\nb\nc\rd\r\n", {{"a", "\r\n"}, {"b", "\n"}, {"c", "\r"}, {"d", "\r\n"}}},
        SplitCase{"LfCr", "a\n\rb\n\r\n", {{"a", "\n"}, {"", "\r"}, {"b", "\n"}, {"", "\r\n"}}},
        // CR CR LF is one line end (a damaged CR LF); at a CR the longest end is taken.
        SplitCase{"CrCrLf", "a\r\r\nb", {{"a", "\r\r\n"}, {"b", ""}}},
        SplitCase{"CrCrCrLf", "a\r\r\r\n", {{"a", "\r"}, {"", "\r\r\n"}}},
        SplitCase{"CrCrThenByte", "a\r\rb\r\r", {{"a", "\r"}, {"", "\r"}, {"b", "\r"}, {"", "\r"}}},
        SplitCase{"EmptyLines", "\n\r\n\r", {{"", "\n"}, {"", "\r\n"}, {"", "\r"}}},
        SplitCase{"NulInside", std::string("a\0b\n", 4), {{std::string("a\0b", 3), "\n"}}},
        // Lines longer than the small buffers, with their ends at every offset around its size.
        SplitCase{"LongLines",
                  k20 + "\r\n" + k20 + k20 + "\r" + k20 + "x\n" + k20,
                  {{k20, "\r\n"}, {k20 + k20, "\r"}, {k20 + "x", "\n"}, {k20, ""}}},
        SplitCase{"LongLineEndingInCrAtEnd", k20 + k20 + "\r", {{k20 + k20, "\r"}}},
        SplitCase{"LongLinesEndingInCrCrLf", k20 + k20 + "\r\r\n" + k20 + "x\r\r\n",
                  {{k20 + k20, "\r\r\n"}, {k20 + "x", "\r\r\n"}}},
        SplitCase{"LongLineEndingInCrCrAtEnd", k20 + k20 + "\r\r", {{k20 + k20, "\r"}, {"", "\r"}}}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

TEST(Reader, PiecesNeverCutACharacter) {
  // \x82\xa0: a second byte that is no lead byte; \x88\x9f: both bytes in the lead byte range.
  for (const std::string character : {"\x82\xa0", "\x88\x9f"}) {
    std::string line = "a";
    for (int i = 0; i < 100; ++i) line += character;
    for (std::size_t capacity = 16; capacity < 40; ++capacity) {
      const SplitResult r = Split(line + "\r\n", capacity);
      ASSERT_EQ(r.lines, (Lines{{line, "\r\n"}}));
      ASSERT_FALSE(r.pieceEnds.empty());
      for (std::size_t end : r.pieceEnds) EXPECT_EQ(end % 2, 1u) << "capacity " << capacity;
    }
  }
}

TEST(Reader, FileThatShrinksWhileReadIsAReadError) {
  test::TempDir dir;
  const std::string path = (dir / "m").string();
  std::string bytes;
  for (int i = 0; i < 100; ++i) bytes += "line " + std::to_string(i) + "\r\n";
  test::WriteFile(path, bytes);
  platform::File file = platform::File::OpenRead(path);
  MessageReader reader(file, file.Size(), 64);
  LinePiece piece;
  ASSERT_EQ(reader.Next(piece), MessageReader::Status::kPiece);
  std::filesystem::resize_file(path, 100);  // another program cuts the file between two buffer refills
  MessageReader::Status status;
  int lines = 1;
  while ((status = reader.Next(piece)) == MessageReader::Status::kPiece) ++lines;
  EXPECT_EQ(status, MessageReader::Status::kError);
  EXPECT_LT(lines, 100);
  EXPECT_EQ(reader.Next(piece), MessageReader::Status::kError);
}

TEST(Reader, FileThatGrowsIsReadToItsEnd) {
  test::TempDir dir;
  const std::string path = (dir / "m").string();
  test::WriteFile(path, "a\r\n");
  platform::File file = platform::File::OpenRead(path);
  MessageReader reader(file, file.Size(), 64);
  test::WriteFile(path, "a\r\nb\r\n");
  LinePiece piece;
  int lines = 0;
  while (reader.Next(piece) == MessageReader::Status::kPiece) ++lines;
  EXPECT_EQ(lines, 2);
}

}  // namespace
}  // namespace boxferry
