#include "message/mbox_output.h"

#include <cstring>

namespace boxferry {

MboxOutput::MboxOutput(ByteSink& sink, std::size_t capacity) : MboxOutput(sink, own_, capacity) {}

MboxOutput::MboxOutput(ByteSink& sink, std::vector<char>& storage, std::size_t capacity)
    : sink_(sink), buffer_(storage) {
  buffer_.resize(capacity ? capacity : 1);
}

MboxOutput::MboxOutput(platform::File& file, std::size_t capacity)
    : fileSink_(std::in_place, file), sink_(*fileSink_), buffer_(own_) {
  buffer_.resize(capacity ? capacity : 1);
}

bool MboxOutput::WriteThrough(std::string_view bytes) {
  if (failed_) return false;
  if (!bytes.empty() && !sink_.WriteAll(bytes.data(), bytes.size())) failed_ = true;
  return !failed_;
}

bool MboxOutput::WriteSlow(std::string_view bytes) {
  if (failed_) return false;
  if (bytes.empty()) return true;
  last_ = bytes.back();
  if (!Flush()) return false;
  if (bytes.size() >= buffer_.size()) return WriteThrough(bytes);
  std::memcpy(buffer_.data(), bytes.data(), bytes.size());
  used_ = bytes.size();
  return true;
}

bool MboxOutput::Flush() {
  const std::string_view pending(buffer_.data(), used_);
  used_ = 0;
  return WriteThrough(pending);
}

}  // namespace boxferry
