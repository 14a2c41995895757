// Follows the MIME structure of one message while its lines pass by, and decides for every line how it is
// written: transcoded from Shift_JIS to ISO-2022-JP, written unchanged, or handed to a nested parser (an
// embedded message, or a multipart inside a part). The writing itself belongs to the concrete class.
//
// Rule: header lines (message, part and embedded-message headers) are transcoded; boundary lines are
// written unchanged; a body line is transcoded only when its governing charset is "iso-2022-jp" and its
// transfer encoding is neither "quoted-printable" nor "binary"; other body lines are written unchanged.
// Every line except a boundary line first passes the From-escape. Every line end that is a lone CR or
// CR CR LF is written CR LF (Thunderbird ends lines only at LF), except in a body whose transfer encoding
// is "binary", which keeps its bytes.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "message/line_piece.h"
#include "message/mbox_output.h"

namespace boxferry {

class ProgressMonitor;

// What the parser knows of a line it hands to WriteTranscoded.
struct LineRole {
  bool header = false;  // a line of a message, part or embedded-message header
  // A header line of a Content-Type or Content-Disposition field (its first line or a continuation line),
  // named as HeaderField reads a name: the text before the first colon, any letter case, not trimmed.
  bool parameterField = false;
  // The line this parser wrote just before was a header line too (not a boundary or body line, and this is
  // not the first line of the message).
  bool afterHeaderLine = false;
};

class MessageParser {
 public:
  // A collected header field keeps at most this many bytes; only Content-Type and
  // Content-Transfer-Encoding matter, and theirs are short.
  static constexpr std::size_t kMaxFieldBytes = 64 * 1024;
  // Nested parsers followed below the top-level one (embedded messages and multiparts together).
  static constexpr int kMaxNestingDepth = 32;
  static constexpr std::string_view kDefaultSeparator = "From - ";

  explicit MessageParser(ProgressMonitor* monitor);
  virtual ~MessageParser();
  MessageParser(const MessageParser&) = delete;
  MessageParser& operator=(const MessageParser&) = delete;

  // Empties every field and drops the nested parser.
  void Reset();
  // Reset, then writes the separator line (`separator` followed by CR LF). 0, or -1 after
  // kMsgFileWriteFailed.
  int BeginMessage(MboxOutput& out, std::string_view separator = kDefaultSeparator);
  // Handles one line or one piece of a line. `inHeader` is 1 while the line belongs to this parser's
  // message header. Returns 0, or the non-zero result of the writer operation that failed.
  int ParseLine(const LinePiece& line, int inHeader, MboxOutput& out);
  // Reads a complete header field and stores what it carries at message or part level.
  void ApplyHeaderField(std::string_view fieldText, bool isPart);
  // Puts the parser in the body of a message whose Content-Type carried these values (a multipart
  // inside a part is followed this way).
  void StartInBody(std::string_view charset, std::string_view boundary, std::string_view transferEncoding);

 protected:
  // Writes ">" before a line that must not be taken for a separator; called on a line's first piece.
  virtual int EscapeFromLine(const LinePiece& line, MboxOutput& out) = 0;
  // Writes the piece converted to ISO-2022-JP, then (on the last piece) the line end. `role` tells header
  // lines (message, part or embedded-message header) from body lines.
  virtual int WriteTranscoded(const LinePiece& line, const LineRole& role, MboxOutput& out) = 0;
  virtual int WriteVerbatim(const LinePiece& line, MboxOutput& out) = 0;
  // A new parser of the concrete class, or null when none could be made.
  virtual std::unique_ptr<MessageParser> CreateNested(ProgressMonitor* monitor) = 0;

  ProgressMonitor* monitor_;

 private:
  // How the current line goes out; fixed on its first piece.
  // kBinary: a body line whose transfer encoding is binary, written verbatim with its own line end.
  enum class Route { kMessageHeader, kBoundary, kPartHeader, kTranscoded, kVerbatim, kBinary, kNested };

  Route ChooseRoute(const LinePiece& line, int inHeader, int& result);
  void Collect(std::string& pending, const LinePiece& line, bool isPart);
  int EscapeThen(const LinePiece& line, bool transcode, const LineRole& role, MboxOutput& out);
  LineRole HeaderRole(const std::string& pending) const;
  static Route BodyRoute(const std::string& charset, const std::string& transferEncoding);

  std::string messageCharset_;
  std::string messageTransferEncoding_;
  int partCount_ = 0;
  std::string boundaryLine_;
  bool inPartHeader_ = false;
  std::string partCharset_;
  std::string partContentType_;
  std::string partTransferEncoding_;
  std::string partBoundary_;
  std::string pendingMessageField_;
  std::string pendingPartField_;
  int nestedInHeader_ = 0;
  std::unique_ptr<MessageParser> nested_;
  int depth_ = 0;
  Route route_ = Route::kMessageHeader;
  // How a body line of the message, and of the current part, goes out (BodyRoute of their fields).
  Route messageBody_ = Route::kVerbatim;
  Route partBody_ = Route::kVerbatim;
  bool headerLineBefore_ = false;  // the last line this parser wrote was a header line
  bool lineAfterHeader_ = false;   // the current line came right after a header line
  // The line before ended in a lone CR that a binary part kept: Thunderbird, which ends lines only at LF,
  // reads this line as the rest of that one, so it is no line that could be taken for a separator.
  bool afterKeptCr_ = false;
};

}  // namespace boxferry
