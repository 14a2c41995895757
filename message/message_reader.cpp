#include "message/message_reader.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "encoding/cp932.h"

namespace boxferry {
namespace {

// First CR or LF in [p, end), or end. Eight bytes at a time: a byte equal to CR or LF shows as the high
// bit of its place in HasByte's mask; bits can be set wrongly only above a byte that matches, so the
// lowest one set is exact.
constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

constexpr std::uint64_t HasByte(std::uint64_t word, unsigned char byte) {
  const std::uint64_t x = word ^ (kOnes * byte);
  return (x - kOnes) & ~x & kHighBits;
}

const char* FindLineEnd(const char* p, const char* end) {
  if constexpr (std::endian::native == std::endian::little) {
    while (end - p >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p, sizeof word);
      // Only a word holding a byte below 0x0E can hold CR or LF: one cheap test for most words.
      if (((word - kOnes * 0x0E) & ~word & kHighBits) != 0) {
        const std::uint64_t found = HasByte(word, '\r') | HasByte(word, '\n');
        if (found != 0) return p + std::countr_zero(found) / 8;
      }
      p += 8;
    }
  }
  while (p < end && *p != '\r' && *p != '\n') ++p;
  return p;
}

}  // namespace

MessageReader::MessageReader(ByteSource& source, std::int64_t expectedSize, std::size_t capacity)
    : MessageReader(source, expectedSize, own_, capacity) {}

MessageReader::MessageReader(ByteSource& source, std::int64_t expectedSize, std::vector<char>& storage,
                             std::size_t capacity)
    : source_(source), expectedSize_(expectedSize), buffer_(storage) {
  buffer_.resize(std::max(capacity, kMinCapacity));
}

MessageReader::MessageReader(platform::File& file, std::int64_t expectedSize, std::size_t capacity)
    : fileSource_(std::in_place, file), source_(*fileSource_), expectedSize_(expectedSize), buffer_(own_) {
  buffer_.resize(std::max(capacity, kMinCapacity));
}

bool MessageReader::Refill() {
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  const std::int64_t got = source_.Read(buffer_.data() + end_, buffer_.size() - end_);
  if (got < 0) return false;
  if (got == 0) {
    eof_ = true;
    return bytesRead_ >= expectedSize_;
  }
  end_ += static_cast<std::size_t>(got);
  bytesRead_ += got;
  return true;
}

// Where a piece of an over-long line ends: at most `limit` (< end_), never between the two bytes of a
// character. A lead byte (81-9F, E0-FC) takes the next byte when that is 40-FF except 7F; where such a
// pair forms no character the decoder either takes both bytes as well, or reads the lead byte alone and
// the next one as an ASCII character, which ends a character either way. So a byte that is no lead byte
// always ends a character, and after the last one before `limit` only lead bytes follow, pairing up.
std::size_t MessageReader::PieceEnd(std::size_t limit) const {
  const auto* b = reinterpret_cast<const unsigned char*>(buffer_.data());
  std::size_t pos = limit;
  while (pos > begin_ && encoding::IsCp932LeadByte(b[pos - 1])) --pos;
  if ((limit - pos) % 2 == 0) return limit;
  const unsigned char next = b[limit];  // the last lead byte before limit pairs with it, or stands alone
  return next >= 0x40 && next != 0x7F ? limit - 1 : limit;
}

// At a CR the longest of CR CR LF and CR LF is taken, so CR CR CR LF is a lone CR and then CR CR LF. False
// when the bytes read so far cannot tell yet (a CR or CR CR at their end, before the end of the file).
bool MessageReader::LineEndAt(std::size_t at, std::string_view& lineEnd) const {
  const char* data = buffer_.data();
  if (data[at] == '\n') {
    lineEnd = "\n";
    return true;
  }
  const std::size_t left = end_ - at - 1;  // bytes after the CR
  if (left >= 1 && data[at + 1] == '\n') {
    lineEnd = "\r\n";
    return true;
  }
  if (left >= 1 && data[at + 1] == '\r') {
    if (left >= 2) {
      lineEnd = data[at + 2] == '\n' ? std::string_view("\r\r\n") : std::string_view("\r");
      return true;
    }
  } else if (left >= 1) {
    lineEnd = "\r";
    return true;
  }
  lineEnd = "\r";
  return eof_;
}

MessageReader::Status MessageReader::Next(LinePiece& piece) {
  if (sticky_ != Status::kPiece) return sticky_;
  std::size_t scanFrom = begin_;
  for (;;) {
    const char* data = buffer_.data();
    const char* found = FindLineEnd(data + scanFrom, data + end_);
    const std::size_t at = static_cast<std::size_t>(found - data);
    const bool full = begin_ == 0 && end_ == buffer_.size();
    if (at < end_) {
      std::string_view lineEnd;
      const bool complete = LineEndAt(at, lineEnd);
      if (complete) {
        piece = {std::string_view(data + begin_, at - begin_), lineEnd, !inLine_, true};
        inLine_ = false;
        begin_ = at + lineEnd.size();
        return Status::kPiece;
      }
      if (full) {
        // The buffer holds nothing but this line's text and one or two CRs: hand out the text before them.
        piece = {std::string_view(data + begin_, at - begin_), std::string_view(), !inLine_, false};
        inLine_ = true;
        begin_ = at;
        return Status::kPiece;
      }
    } else if (eof_) {
      if (begin_ == end_ && !inLine_) {
        sticky_ = Status::kEnd;
        return sticky_;
      }
      piece = {std::string_view(data + begin_, end_ - begin_), std::string_view(), !inLine_, true};
      inLine_ = false;
      begin_ = end_;
      return Status::kPiece;
    } else if (full) {
      const std::size_t cut = PieceEnd(end_ - 1);
      piece = {std::string_view(data + begin_, cut - begin_), std::string_view(), !inLine_, false};
      inLine_ = true;
      begin_ = cut;
      return Status::kPiece;
    }
    // Bytes already scanned need no second look; a CR at the end is looked at again with its successor.
    const std::size_t rescanFrom = std::min(at, end_) - begin_;
    if (!Refill()) {
      sticky_ = Status::kError;
      return sticky_;
    }
    scanFrom = rescanFrom;  // the buffer now starts at the line's first byte
  }
}

}  // namespace boxferry
