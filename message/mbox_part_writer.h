// The concrete message parser: writes every line to the mbox, From-escaped (mboxrd), transcoded from
// Shift_JIS (code page 932) to ISO-2022-JP or unchanged, as the parser decides.
#pragma once

#include <memory>
#include <string>

#include "encoding/jis_encoder.h"
#include "message/header_words.h"
#include "message/message_parser.h"

namespace boxferry {

class MboxPartWriter : public MessageParser {
 public:
  explicit MboxPartWriter(ProgressMonitor* monitor);

  // True when a line beginning with `text` needs a ">" in front: zero or more ">" and then "From ".
  static bool NeedsFromEscape(std::string_view text);

  // Appends the ISO-2022-JP form of one piece of a body line; the encoder's mode is carried from piece
  // to piece and returns to ASCII on the last piece. Total: every byte sequence converts.
  void TranscodeToJis(const LinePiece& line, std::string& out);

  // Characters of the whole message (nested parts included) written as GETA MARK for want of a JIS cell.
  std::int64_t unencodable() const { return *unencodable_; }

 protected:
  int EscapeFromLine(const LinePiece& line, MboxOutput& out) override;
  int WriteTranscoded(const LinePiece& line, const LineRole& role, MboxOutput& out) override;
  int WriteVerbatim(const LinePiece& line, MboxOutput& out) override;
  std::unique_ptr<MessageParser> CreateNested(ProgressMonitor* monitor) override;

 private:
  int WriteFailed();
  int WriteLine(const LinePiece& line, MboxOutput& out);

  encoding::JisEncoder encoder_;
  std::int64_t ownUnencodable_ = 0;
  std::int64_t* unencodable_ = &ownUnencodable_;  // a nested writer adds to its owner's count
  bool headerPieceEndedInWord_ = false;
  HeaderLineEnd lastHeaderEnd_;  // what the last whole header line written ended in
  std::string converted_;        // reused between lines
};

}  // namespace boxferry
