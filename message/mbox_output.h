// Buffered output to the open mbox file of a folder. The bytes that reach the file are exactly those an
// unbuffered writer would write; they are handed to the file when the buffer fills and on Flush.
#pragma once

#include <cstddef>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "message/byte_stream.h"
#include "platform/platform.h"

namespace boxferry {

class MboxOutput {
 public:
  static constexpr std::size_t kDefaultCapacity = 64 * 1024;

  explicit MboxOutput(ByteSink& sink, std::size_t capacity = kDefaultCapacity);
  // Buffers in `storage`, which a caller writing many messages keeps from message to message.
  MboxOutput(ByteSink& sink, std::vector<char>& storage, std::size_t capacity = kDefaultCapacity);
  // The same, writing an open file.
  explicit MboxOutput(platform::File& file, std::size_t capacity = kDefaultCapacity);
  MboxOutput(const MboxOutput&) = delete;
  MboxOutput& operator=(const MboxOutput&) = delete;

  // False when the file layer failed (an error, or a write that makes no progress). After a failure every
  // further call fails too and nothing more is written.
  bool Write(std::string_view bytes) {
    // Most writes are a line that fits the buffer.
    if (!failed_ && !bytes.empty() && bytes.size() <= buffer_.size() - used_) {
      std::memcpy(buffer_.data() + used_, bytes.data(), bytes.size());
      used_ += bytes.size();
      last_ = bytes.back();
      return true;
    }
    return WriteSlow(bytes);
  }
  bool Flush();
  // The last byte handed to Write, or 0 before the first.
  char lastByte() const { return last_; }

 private:
  bool WriteSlow(std::string_view bytes);
  bool WriteThrough(std::string_view bytes);

  std::optional<FileSink> fileSink_;
  ByteSink& sink_;
  std::vector<char> own_;
  std::vector<char>& buffer_;
  std::size_t used_ = 0;
  char last_ = 0;
  bool failed_ = false;
};

}  // namespace boxferry
