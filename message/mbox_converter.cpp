#include "message/mbox_converter.h"

#include <string_view>

#include "engine/messages.h"
#include "engine/progress_monitor.h"
#include "message/mbox_output.h"
#include "message/mbox_part_writer.h"

namespace boxferry {
namespace {

// Thunderbird's own status headers, written after the separator of a message that does not begin with
// two header lines, so that Thunderbird still sees the separator as the start of a message.
constexpr std::string_view kStatusHeaders = "X-Mozilla-Status: 0000\r\nX-Mozilla-Status2: 00000000\r\n";

// A header field's first line: a name of printable ASCII without blanks, then a colon.
bool IsHeaderLine(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == 0 || colon == std::string_view::npos) return false;
  for (std::size_t i = 0; i < colon; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c <= 0x20 || c >= 0x7F) return false;
  }
  return true;
}

}  // namespace

int MboxConverter::ConvertMessage(const std::string& messagePath, const std::string& /*accountName*/,
                                  const std::string& /*folderName*/, const std::string& /*fileName*/,
                                  const std::string& /*mboxPath*/, platform::File& mboxFile) {
  platform::File file = platform::File::OpenRead(messagePath);
  if (!file.IsOpen()) return monitor_->Fail(kMsgFileOpenFailed);
  FileSource source(file);
  FileSink sink(mboxFile);
  return WriteMessage(source, file.Size(), sink);
}

int MboxConverter::WriteMessage(ByteSource& message, std::int64_t size, ByteSink& mbox) {
  MboxPartWriter parser(monitor_);
  MboxOutput out(mbox, writeBuffer_);
  MessageReader reader(message, size, readBuffer_, readBufferSize_);
  LinePiece piece;
  MessageReader::Status status = size < 0 ? MessageReader::Status::kError : reader.Next(piece);

  // An mbox envelope line kept from another store is the separator itself: Thunderbird would not take
  // "From - " followed by an escaped envelope line for the start of a message.
  std::string separator(MessageParser::kDefaultSeparator);
  bool envelope = false;
  if (status == MessageReader::Status::kPiece && piece.first && piece.last &&
      piece.text.starts_with("From ")) {
    separator = piece.text;
    envelope = true;
  }

  if (envelope) status = reader.Next(piece);

  // Thunderbird takes a separator for the start of a message only when two header lines follow it, and
  // ends a header only at an empty line; otherwise it merges the message into the one before. Look at
  // the first two lines (copied, as the reader's views last only until its next call).
  std::string ahead[2];
  std::string_view aheadEnd[2];
  int aheadCount = 0;
  bool startsWithHeaders = true;
  // A file whose first line is text rather than a header field has no header: its lines are body text.
  const bool headerless =
      status == MessageReader::Status::kPiece && !piece.text.empty() && !IsHeaderLine(piece.text);
  while (aheadCount < 2) {
    if (status != MessageReader::Status::kPiece) {
      startsWithHeaders = false;
      break;
    }
    if (!piece.last) {  // a line longer than the buffer: its start tells whether it is a header line
      startsWithHeaders = startsWithHeaders && IsHeaderLine(piece.text);
      break;
    }
    startsWithHeaders = startsWithHeaders && IsHeaderLine(piece.text);
    ahead[aheadCount].assign(piece.text);
    aheadEnd[aheadCount] = piece.lineEnd;  // a literal, not a view into the buffer
    ++aheadCount;
    status = reader.Next(piece);
  }

  int result = parser.BeginMessage(out, separator);
  const bool readFailed = status == MessageReader::Status::kError;
  if (result == 0 && !startsWithHeaders && !readFailed &&
      !out.Write(headerless ? std::string(kStatusHeaders) + "\r\n" : std::string(kStatusHeaders))) {
    result = monitor_->Fail(kMsgFileWriteFailed);
  }
  int inHeader = headerless ? 0 : 1;
  bool headerEnded = headerless;
  bool sawLine = false;
  std::string_view lastLineEnd;
  auto handle = [&](const LinePiece& line) {
    const int r = parser.ParseLine(line, inHeader, out);
    if (r == 0 && line.last) {
      sawLine = true;
      lastLineEnd = line.lineEnd;
      if (line.IsEmptyLine() && !headerEnded) {
        headerEnded = true;
        inHeader = 0;
      }
    }
    return r;
  };
  for (int i = 0; i < aheadCount && result == 0; ++i) {
    LinePiece saved;
    saved.text = ahead[i];
    saved.lineEnd = aheadEnd[i];
    result = handle(saved);
  }
  while (result == 0 && status == MessageReader::Status::kPiece) {
    result = handle(piece);
    if (result == 0) status = reader.Next(piece);
  }
  if (result == 0 && status == MessageReader::Status::kError) {
    result = monitor_->Fail(kMsgFileReadFailed);
  } else if (result == 0) {
    // The next separator must start a line: complete a missing line end, or a lone CR, to CR LF. A
    // message without an empty line gets one, so its header ends before the next separator.
    std::string tail;
    if (sawLine && lastLineEnd.size() < 2 && lastLineEnd != "\n") tail = lastLineEnd.empty() ? "\r\n" : "\n";
    if (!headerEnded) tail += "\r\n";
    if (!tail.empty() && !out.Write(tail)) result = monitor_->Fail(kMsgFileWriteFailed);
  }
  if (!out.Flush() && result == 0) result = monitor_->Fail(kMsgFileWriteFailed);
  return result;
}

}  // namespace boxferry
