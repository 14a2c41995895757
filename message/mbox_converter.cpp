#include "message/mbox_converter.h"

#include <string_view>

#include "engine/messages.h"
#include "engine/progress_monitor.h"
#include "message/mbox_output.h"
#include "message/mbox_part_writer.h"

namespace boxferry {
namespace {

// Thunderbird's own status lines, as its importers write them after every separator. Thunderbird takes a
// separator for the start of a message only when two header fields follow it, and takes the first
// X-Mozilla-Status of a message (an old one of the source with the deleted bit would hide it).
constexpr std::string_view kStatusLines = "X-Mozilla-Status: 0000\r\nX-Mozilla-Status2: 00000000\r\n";

}  // namespace

int MboxConverter::ConvertMessage(const std::string& messagePath, const std::string& /*accountName*/,
                                  const std::string& /*folderName*/, const std::string& /*fileName*/,
                                  const std::string& /*mboxPath*/, platform::File& mboxFile) {
  platform::File file = platform::File::OpenRead(messagePath);
  if (!file.IsOpen()) return monitor_->Fail(kMsgFileOpenFailed);
  FileSource source(file);
  FileSink sink(mboxFile);
  const int result = WriteMessage(source, file.SizeAtOpen(), sink);
  if (result == 0 && report_ && unencodable_ > 0) report_->unencodable.push_back({messagePath, unencodable_});
  return result;
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
  if (status == MessageReader::Status::kPiece && piece.first && piece.last &&
      piece.text.starts_with("From ")) {
    separator = piece.text;
    status = reader.Next(piece);
  }
  int result = parser.BeginMessage(out, separator);
  if (result == 0 && !out.Write(kStatusLines)) result = monitor_->Fail(kMsgFileWriteFailed);

  // A file whose first line is text, not a header field (no ':' at all), has no header: an empty line
  // after the status lines makes all of it the body.
  const bool headerless = status == MessageReader::Status::kPiece && !piece.text.empty() &&
                          piece.text.find(':') == std::string_view::npos;
  if (result == 0 && headerless && !out.Write("\r\n")) result = monitor_->Fail(kMsgFileWriteFailed);
  bool headerEnded = headerless;
  while (result == 0 && status == MessageReader::Status::kPiece) {
    result = parser.ParseLine(piece, headerEnded ? 0 : 1, out);
    if (piece.IsEmptyLine()) headerEnded = true;
    if (result == 0) status = reader.Next(piece);
  }
  if (result == 0 && status == MessageReader::Status::kError) {
    result = monitor_->Fail(kMsgFileReadFailed);  // nothing is added to what was read
  } else if (result == 0) {
    // The next separator must start a line, and a header must have ended before it.
    std::string_view tail = out.lastByte() == '\n' ? "" : out.lastByte() == '\r' ? "\n" : "\r\n";
    std::string ending(tail);
    if (!headerEnded) ending += "\r\n";
    if (!out.Write(ending)) result = monitor_->Fail(kMsgFileWriteFailed);
  }
  if (!out.Flush() && result == 0) result = monitor_->Fail(kMsgFileWriteFailed);
  unencodable_ = parser.unencodable();
  return result;
}

}  // namespace boxferry
