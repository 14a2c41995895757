// Where a message's bytes come from and where the mbox bytes go: an open file, or a string in memory.
// The converter's one code path serves both, so tests and fuzz targets convert without temporary files.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace boxferry {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Bytes read into `buffer`; 0 at the end; -1 on an error.
  virtual std::int64_t Read(void* buffer, std::size_t count) = 0;
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Takes every byte, or fails (an error, or a write that makes no progress).
  virtual bool WriteAll(const void* bytes, std::size_t count) = 0;
};

class FileSource : public ByteSource {
 public:
  explicit FileSource(platform::File& file) : file_(file) {}
  std::int64_t Read(void* buffer, std::size_t count) override { return file_.Read(buffer, count); }

 private:
  platform::File& file_;
};

class FileSink : public ByteSink {
 public:
  explicit FileSink(platform::File& file) : file_(file) {}
  bool WriteAll(const void* bytes, std::size_t count) override { return file_.WriteAll(bytes, count); }

 private:
  platform::File& file_;
};

// Reads a text that outlives the source.
class StringSource : public ByteSource {
 public:
  explicit StringSource(std::string_view text) : text_(text) {}
  std::int64_t Read(void* buffer, std::size_t count) override {
    const std::size_t n = std::min(count, text_.size() - pos_);
    if (n > 0) std::memcpy(buffer, text_.data() + pos_, n);
    pos_ += n;
    return static_cast<std::int64_t>(n);
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// Appends to a string.
class StringSink : public ByteSink {
 public:
  explicit StringSink(std::string& out) : out_(out) {}
  bool WriteAll(const void* bytes, std::size_t count) override {
    out_.append(static_cast<const char*>(bytes), count);
    return true;
  }

 private:
  std::string& out_;
};

}  // namespace boxferry
