#include "message/mbox_part_writer.h"

#include <new>

#include "encoding/text.h"
#include "encoding/utf8.h"
#include "engine/messages.h"
#include "engine/progress_monitor.h"

namespace boxferry {
namespace {

constexpr std::string_view kFromPrefix = "From ";
// The conversion buffer is reused from line to line; one that grew beyond this (a line piece of unusual
// expansion) is given back.
constexpr std::size_t kKeptBufferBytes = 4 * 1024 * 1024;

}  // namespace

MboxPartWriter::MboxPartWriter(ProgressMonitor* monitor) : MessageParser(monitor) {}

bool MboxPartWriter::NeedsFromEscape(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == '>') ++i;
  return text.substr(i).starts_with(kFromPrefix);
}

int MboxPartWriter::WriteFailed() {
  return monitor_->Fail(kMsgFileWriteFailed);
}

int MboxPartWriter::EscapeFromLine(const LinePiece& line, MboxOutput& out) {
  if (NeedsFromEscape(line.text) && !out.Write(">")) return WriteFailed();
  return 0;
}

void MboxPartWriter::TranscodeToJis(const LinePiece& line, std::string& out) {
  if (line.first) encoder_.Reset();
  // Bytes 00-7F from the start of a line come out as they are: the encoder starts in ASCII.
  if (line.first && encoding::IsAscii(line.text)) {
    out += line.text;
    return;
  }
  encoder_.Feed(line.text, out);
  if (line.last) encoder_.Finish(out);
  *unencodable_ += encoder_.TakeUnencodable();
}

int MboxPartWriter::WriteTranscoded(const LinePiece& line, const LineRole& role, MboxOutput& out) {
  converted_.clear();
  if (converted_.capacity() > kKeptBufferBytes) converted_.shrink_to_fit();
  // A header line read as code page 932 (not UTF-8, not 7-bit) goes through encoders of the word writer's
  // own; what they write as GETA MARK is counted here from the text.
  if (role.header && !encoding::IsAscii(line.text) && !encoding::IsWellFormedUtf8(line.text)) {
    *unencodable_ += encoding::CountUnencodable(line.text);
  }
  if (role.header && line.first && line.last) {
    const HeaderLineContext context{role.parameterField, role.afterHeaderLine ? &lastHeaderEnd_ : nullptr};
    lastHeaderEnd_ = EncodeHeaderLine(line.text, context, converted_);
  } else if (role.header) {
    // A line in pieces: each piece on its own (header_words.h); it leaves nothing for a fold.
    HeaderWordEdges edges;
    EncodeHeaderPiece(line.text, line.first, converted_, &edges);
    const bool space = !line.first && headerPieceEndedInWord_ && edges.startsWithWord;
    headerPieceEndedInWord_ = edges.endsWithWord;
    lastHeaderEnd_ = HeaderLineEnd{};
    if (space && !out.Write(" ")) return WriteFailed();
  } else if (line.first && encoding::IsAscii(line.text)) {
    encoder_.Reset();  // a later piece goes on from ASCII
    return WriteLine(line, out);
  } else {
    TranscodeToJis(line, converted_);
  }
  if (!out.Write(converted_) || !out.Write(line.lineEnd)) return WriteFailed();
  return 0;
}

int MboxPartWriter::WriteVerbatim(const LinePiece& line, MboxOutput& out) {
  return WriteLine(line, out);
}

// The line's text and end as they stand: in one piece when the end follows the text in the reader's
// buffer (it does unless the end was replaced), which halves the writes of a plain body.
int MboxPartWriter::WriteLine(const LinePiece& line, MboxOutput& out) {
  const bool adjacent = line.text.data() + line.text.size() == line.lineEnd.data();
  const bool written =
      adjacent ? out.Write(std::string_view(line.text.data(), line.text.size() + line.lineEnd.size()))
               : out.Write(line.text) && out.Write(line.lineEnd);
  return written ? 0 : WriteFailed();
}

std::unique_ptr<MessageParser> MboxPartWriter::CreateNested(ProgressMonitor* monitor) {
  std::unique_ptr<MboxPartWriter> nested(new (std::nothrow) MboxPartWriter(monitor));
  if (nested) nested->unencodable_ = unencodable_;
  return nested;
}

}  // namespace boxferry
