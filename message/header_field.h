// One complete header field, and what the parser reads from it: the content type with its charset and
// boundary parameters, and the transfer encoding. Nothing else of a field matters to the conversion.
#pragma once

#include <string>
#include <string_view>

namespace boxferry {

struct HeaderField {
  std::string contentType;       // Content-Type value before the parameters, trimmed, lower-cased
  std::string charset;           // charset parameter, lower-cased
  std::string boundary;          // boundary parameter, as written
  std::string transferEncoding;  // Content-Transfer-Encoding value, trimmed, lower-cased
  bool isContentType = false;
  bool isTransferEncoding = false;

  // Malformed text never fails: what cannot be read simply stays empty.
  static HeaderField Parse(std::string_view text);
};

}  // namespace boxferry
