#include "message/message_parser.h"

#include <algorithm>

#include "encoding/text.h"
#include "engine/messages.h"
#include "engine/progress_monitor.h"
#include "message/header_field.h"

namespace boxferry {
namespace {

// Whether a field, from the text of its first line on, is a Content-Type or Content-Disposition field.
bool TakesParameters(std::string_view field) {
  constexpr std::string_view kContentType = "content-type";
  constexpr std::string_view kContentDisposition = "content-disposition";
  const std::size_t colon = field.substr(0, kContentDisposition.size() + 1).find(':');
  if (colon == std::string_view::npos) return false;
  const std::string_view name = field.substr(0, colon);
  return encoding::EqualsNoCase(name, kContentType) || encoding::EqualsNoCase(name, kContentDisposition);
}

}  // namespace

MessageParser::MessageParser(ProgressMonitor* monitor) : monitor_(monitor) {
  Reset();
}

MessageParser::~MessageParser() = default;

void MessageParser::Reset() {
  partCount_ = 0;
  inPartHeader_ = false;
  nestedInHeader_ = 0;
  messageCharset_.clear();
  messageTransferEncoding_.clear();
  boundaryLine_.clear();
  partCharset_.clear();
  partContentType_.clear();
  partTransferEncoding_.clear();
  partBoundary_.clear();
  messageBody_ = partBody_ = Route::kVerbatim;
  pendingMessageField_.clear();
  pendingPartField_.clear();
  nested_.reset();
  route_ = Route::kMessageHeader;
  headerLineBefore_ = false;
  lineAfterHeader_ = false;
  afterKeptCr_ = false;
}

int MessageParser::BeginMessage(MboxOutput& out, std::string_view separator) {
  Reset();
  if (!out.Write(separator) || !out.Write("\r\n")) return monitor_->Fail(kMsgFileWriteFailed);
  return 0;
}

void MessageParser::StartInBody(std::string_view charset, std::string_view boundary,
                                std::string_view transferEncoding) {
  messageCharset_ = std::string(charset);
  messageTransferEncoding_ = std::string(transferEncoding);
  boundaryLine_ = boundary.empty() ? std::string() : "--" + std::string(boundary);
  messageBody_ = BodyRoute(messageCharset_, messageTransferEncoding_);
}

void MessageParser::ApplyHeaderField(std::string_view fieldText, bool isPart) {
  const HeaderField field = HeaderField::Parse(fieldText);
  if (field.isContentType) {
    if (isPart) {
      partContentType_ = field.contentType;
      partCharset_ = field.charset;
      partBoundary_ = field.boundary;
    } else {
      messageCharset_ = field.charset;
      boundaryLine_ = field.boundary.empty() ? std::string() : "--" + field.boundary;
    }
  } else if (field.isTransferEncoding) {
    (isPart ? partTransferEncoding_ : messageTransferEncoding_) = field.transferEncoding;
  }
  // Worked out once per field rather than once per body line.
  if (isPart) {
    partBody_ = BodyRoute(partCharset_, partTransferEncoding_);
  } else {
    messageBody_ = BodyRoute(messageCharset_, messageTransferEncoding_);
  }
}

// A line that does not begin with a blank applies the field collected so far and starts a new one; a
// continuation line is appended to it. Only the field's first kMaxFieldBytes bytes are kept.
void MessageParser::Collect(std::string& pending, const LinePiece& line, bool isPart) {
  if (line.first) {
    const bool continuation = !line.text.empty() && (line.text[0] == ' ' || line.text[0] == '\t');
    if (!continuation) {
      if (!pending.empty()) ApplyHeaderField(pending, isPart);
      pending.clear();
    }
  }
  const std::size_t room = kMaxFieldBytes - std::min(pending.size(), kMaxFieldBytes);
  pending.append(line.text.substr(0, room));
}

MessageParser::Route MessageParser::BodyRoute(const std::string& charset,
                                              const std::string& transferEncoding) {
  if (transferEncoding == "binary") return Route::kBinary;
  return charset == "iso-2022-jp" && transferEncoding != "quoted-printable" ? Route::kTranscoded
                                                                            : Route::kVerbatim;
}

MessageParser::Route MessageParser::ChooseRoute(const LinePiece& line, int inHeader, int& result) {
  if (inHeader) return Route::kMessageHeader;
  // A line in pieces is longer than any boundary line (the reader's pieces exceed kMaxFieldBytes).
  if (!boundaryLine_.empty() && line.last && line.text == boundaryLine_) {
    ++partCount_;
    inPartHeader_ = true;
    partCharset_.clear();
    partTransferEncoding_.clear();
    partContentType_.clear();
    partBoundary_.clear();
    partBody_ = Route::kVerbatim;
    nested_.reset();
    return Route::kBoundary;
  }
  if (inPartHeader_) return Route::kPartHeader;
  if (partCount_ == 0) return messageBody_;
  const bool embedded = partContentType_ == "message/rfc822";
  const bool multipart = partContentType_.starts_with("multipart/");
  if ((embedded || multipart) && depth_ < kMaxNestingDepth) {
    if (!nested_) {
      nested_ = CreateNested(monitor_);
      if (!nested_) {
        result = monitor_->Fail(kMsgUnexpected);
        return Route::kNested;
      }
      nested_->depth_ = depth_ + 1;
      if (multipart) {
        nested_->StartInBody(partCharset_, partBoundary_, partTransferEncoding_);
        nestedInHeader_ = 0;
      } else {
        nestedInHeader_ = 1;
      }
    }
    return Route::kNested;
  }
  return partBody_;
}

int MessageParser::EscapeThen(const LinePiece& line, bool transcode, const LineRole& role, MboxOutput& out) {
  // Only a line that begins with '>' or 'F' can need the escape.
  if (line.first && !afterKeptCr_ && !line.text.empty() && (line.text[0] == '>' || line.text[0] == 'F')) {
    const int escaped = EscapeFromLine(line, out);
    if (escaped != 0) return escaped;
  }
  return transcode ? WriteTranscoded(line, role, out) : WriteVerbatim(line, out);
}

// `pending` is the field the line was just collected into.
LineRole MessageParser::HeaderRole(const std::string& pending) const {
  return LineRole{true, TakesParameters(pending), lineAfterHeader_};
}

int MessageParser::ParseLine(const LinePiece& source, int inHeader, MboxOutput& out) {
  if (source.first) {
    int result = 0;
    route_ = ChooseRoute(source, inHeader, result);
    if (result != 0) return result;
    lineAfterHeader_ = headerLineBefore_;
    headerLineBefore_ = route_ == Route::kMessageHeader || route_ == Route::kPartHeader;
  }
  if (route_ == Route::kNested) {
    afterKeptCr_ = false;
    const int result = nested_->ParseLine(source, nestedInHeader_, out);
    if (nestedInHeader_ && source.IsEmptyLine()) nestedInHeader_ = 0;
    return result;
  }
  // Thunderbird ends lines only at LF: a lone CR, and CR CR LF, are written CR LF but in a binary body.
  LinePiece line = source;
  if (route_ != Route::kBinary && (line.lineEnd == "\r" || line.lineEnd == "\r\r\n")) line.lineEnd = "\r\n";
  int result = 0;
  switch (route_) {
    case Route::kMessageHeader:
      Collect(pendingMessageField_, line, false);
      result = EscapeThen(line, true, HeaderRole(pendingMessageField_), out);
      break;
    case Route::kBoundary:
      result = WriteVerbatim(line, out);
      break;
    case Route::kPartHeader:
      Collect(pendingPartField_, line, true);
      result = EscapeThen(line, true, HeaderRole(pendingPartField_), out);
      if (line.IsEmptyLine()) inPartHeader_ = false;
      break;
    case Route::kTranscoded:
      result = EscapeThen(line, true, LineRole{}, out);
      break;
    case Route::kVerbatim:
    case Route::kBinary:
      result = EscapeThen(line, false, LineRole{}, out);
      break;
    case Route::kNested:
      break;
  }
  if (line.last) afterKeptCr_ = route_ == Route::kBinary && line.lineEnd == "\r";
  return result;
}

}  // namespace boxferry
