// Splits a message file into lines in one buffered pass: a line ends at LF, CR LF, CR CR LF (a damaged
// CR LF) or a lone CR, and keeps its own line end. A line longer than the buffer is handed out in pieces
// cut between characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "message/byte_stream.h"
#include "message/line_piece.h"
#include "platform/platform.h"

namespace boxferry {

class MessageReader {
 public:
  // Large enough that a line in pieces is always longer than any boundary line (whose field is cut at
  // MessageParser::kMaxFieldBytes).
  static constexpr std::size_t kDefaultCapacity = 256 * 1024;
  static constexpr std::size_t kMinCapacity = 16;

  enum class Status { kPiece, kEnd, kError };

  // `expectedSize` is the file's size when it was opened: reaching the end of the file before that many
  // bytes were read means the file shrank while it was read, which is a read error.
  MessageReader(ByteSource& source, std::int64_t expectedSize, std::size_t capacity = kDefaultCapacity);
  // Reads through `storage`, which a caller converting many files keeps from file to file, so the buffer
  // is allocated once rather than per file.
  MessageReader(ByteSource& source, std::int64_t expectedSize, std::vector<char>& storage,
                std::size_t capacity = kDefaultCapacity);
  // The same, reading an open file.
  MessageReader(platform::File& file, std::int64_t expectedSize, std::size_t capacity = kDefaultCapacity);
  MessageReader(const MessageReader&) = delete;
  MessageReader& operator=(const MessageReader&) = delete;

  // The next line or piece of a line. The piece's views stay valid until the next call. After kEnd or
  // kError every further call returns the same.
  Status Next(LinePiece& piece);

 private:
  bool Refill();  // compacts the buffer and reads once; false on a read error or a shrunken file
  std::size_t PieceEnd(std::size_t limit) const;
  bool LineEndAt(std::size_t at, std::string_view& lineEnd) const;

  std::optional<FileSource> fileSource_;
  ByteSource& source_;
  std::int64_t expectedSize_;
  std::vector<char> own_;
  std::vector<char>& buffer_;
  std::size_t begin_ = 0;  // first unconsumed byte
  std::size_t end_ = 0;    // end of the bytes read
  std::int64_t bytesRead_ = 0;
  bool eof_ = false;
  bool inLine_ = false;  // the previous piece did not end its line
  Status sticky_ = Status::kPiece;
};

}  // namespace boxferry
