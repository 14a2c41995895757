#include "message/header_field.h"

#include "encoding/text.h"

namespace boxferry {
namespace {

using encoding::AsciiLower;
using encoding::IsBlank;
using encoding::OnlyBlanks;
using encoding::TrimBlanks;
using encoding::TrimTrailingBlanks;

// The value after the colon up to the first ';', trimmed and lower-cased. Sets `rest` to the text after
// that ';' and returns false for `rest` when there is no ';'.
std::string ReadMainValue(std::string_view value, std::string_view& rest, bool& hasParameters) {
  const std::size_t semicolon = value.find(';');
  hasParameters = semicolon != std::string_view::npos;
  rest = hasParameters ? value.substr(semicolon + 1) : std::string_view();
  return AsciiLower(TrimBlanks(value.substr(0, semicolon)));
}

void ReadParameters(std::string_view s, HeaderField& field) {
  std::size_t pos = 0;
  const std::size_t n = s.size();
  for (;;) {
    while (pos < n && IsBlank(s[pos])) ++pos;
    if (pos >= n) return;
    const std::size_t nameEnd = s.find_first_of(";=", pos);
    if (nameEnd == std::string_view::npos) return;
    const std::string name = AsciiLower(TrimTrailingBlanks(s.substr(pos, nameEnd - pos)));
    pos = nameEnd + 1;
    if (s[nameEnd] == ';') continue;

    while (pos < n && IsBlank(s[pos])) ++pos;
    if (pos >= n) return;
    std::string_view value;
    bool ranToEnd;
    if (s[pos] == '"') {
      const std::size_t close = s.find('"', pos + 1);
      ranToEnd = close == std::string_view::npos;
      value = s.substr(pos + 1, ranToEnd ? std::string_view::npos : close - pos - 1);
      pos = ranToEnd ? n : close + 1;
    } else {
      const std::size_t stop = s.find_first_of(" \t;", pos);
      ranToEnd = stop == std::string_view::npos;
      value = s.substr(pos, ranToEnd ? std::string_view::npos : stop - pos);
      pos = ranToEnd ? n : stop + 1;
    }
    value = TrimTrailingBlanks(value);
    if (name == "charset") {
      field.charset = AsciiLower(value);
    } else if (name == "boundary") {
      field.boundary = std::string(value);
    }
    if (ranToEnd) return;
  }
}

}  // namespace

HeaderField HeaderField::Parse(std::string_view text) {
  HeaderField field;
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return field;
  // The name before the first colon, any letter case, not trimmed: "Content-Type :" is another field.
  const std::string_view name = text.substr(0, colon);
  const std::string_view value = text.substr(colon + 1);
  std::string_view rest;
  bool hasParameters = false;
  if (encoding::EqualsNoCase(name, "content-type")) {
    field.isContentType = true;
    if (OnlyBlanks(value)) return field;
    field.contentType = ReadMainValue(value, rest, hasParameters);
    if (hasParameters) ReadParameters(rest, field);
  } else if (encoding::EqualsNoCase(name, "content-transfer-encoding")) {
    field.isTransferEncoding = true;
    field.transferEncoding = ReadMainValue(value, rest, hasParameters);
  }
  return field;
}

}  // namespace boxferry
