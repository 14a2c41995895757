#include "message/mbox_converter.h"

#include <string_view>

#include "engine/control_ids.h"
#include "engine/messages.h"
#include "engine/progress_monitor.h"
#include "message/mbox_output.h"
#include "message/mbox_part_writer.h"

namespace boxferry {

int MboxConverter::Fail(int messageId) {
  monitor->ShowMessage(messageId, kIconStop, 0);
  monitor->SetState(kFailed);
  return -1;
}

int MboxConverter::ConvertMessage(const std::string& messagePath, const std::string& /*accountName*/,
                                  const std::string& /*folderName*/, const std::string& /*fileName*/,
                                  const std::string& /*mboxPath*/, platform::File& mboxFile) {
  MboxPartWriter parser(monitor);
  platform::File file = platform::File::OpenRead(messagePath);
  if (!file.IsOpen()) return Fail(kMsgFileOpenFailed);

  MboxOutput out(mboxFile);
  const std::int64_t size = file.Size();
  MessageReader reader(file, size, readBufferSize_);
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

  int result = parser.BeginMessage(out, separator);
  if (result == 0) {
    if (envelope) status = reader.Next(piece);
    int inHeader = 1;
    bool headerEnded = false;
    bool sawLine = false;
    std::string_view lastLineEnd;
    while (status == MessageReader::Status::kPiece) {
      result = parser.ParseLine(piece, inHeader, out);
      if (result != 0) break;
      if (piece.last) {
        sawLine = true;
        lastLineEnd = piece.lineEnd;  // a literal, not a view into the buffer
        if (piece.IsEmptyLine() && !headerEnded) {
          headerEnded = true;
          inHeader = 0;
        }
      }
      status = reader.Next(piece);
    }
    if (result == 0 && status == MessageReader::Status::kError) {
      result = Fail(kMsgFileReadFailed);
    } else if (result == 0 && sawLine && lastLineEnd.size() < 2 && lastLineEnd != "\n") {
      // The next separator must start a line: complete a missing line end, or a lone CR, to CR LF.
      if (!out.Write(lastLineEnd.empty() ? "\r\n" : "\n")) result = Fail(kMsgFileWriteFailed);
    }
  }
  if (!out.Flush() && result == 0) result = Fail(kMsgFileWriteFailed);
  file.Close();
  return result;
}

}  // namespace boxferry
