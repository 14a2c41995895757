// One line of a message file as it travels from the reader through the parser to the writer.
#pragma once

#include <string_view>

namespace boxferry {

// A line that fits the reader's buffer arrives whole (first and last both set). A longer line arrives as a
// run of pieces: the first piece carries the line's start, the last one its line end; the pieces in between
// carry neither. Pieces never cut a double-byte character. Every decision that needs the line's start
// (From-escape, boundary match, emptiness, header continuation) is taken on the first piece.
struct LinePiece {
  std::string_view text;     // bytes of this piece, line end excluded; may hold NUL bytes
  std::string_view lineEnd;  // "\r\n", "\r\r\n", "\r", "\n" or "" (last line without one); "" unless last
  bool first = true;
  bool last = true;

  // True for a whole line without text (only a whole line can be empty).
  bool IsEmptyLine() const { return first && last && text.empty(); }
};

}  // namespace boxferry
