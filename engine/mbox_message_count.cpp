#include "engine/mbox_message_count.h"

#include <bit>
#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/platform.h"

namespace boxferry {
namespace {

constexpr char kFrom[] = "From ";
constexpr std::ptrdiff_t kFromSize = 5;

// Bytes read from the file at a time.
constexpr std::size_t kChunk = 64 * 1024;

// The first LF in [p, end), or null. Lines of mail are short, so eight bytes at a time here beats a
// library call per line: a byte equal to LF shows as the high bit of its place; bits can be set wrongly
// only above a byte that matches, so the lowest one set is exact.
const char* FindLf(const char* p, const char* end) {
  if constexpr (std::endian::native == std::endian::little) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    while (end - p >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p, sizeof word);
      const std::uint64_t x = word ^ (kOnes * '\n');
      const std::uint64_t found = (x - kOnes) & ~x & kHighBits;
      if (found != 0) return p + std::countr_zero(found) / 8;
      p += 8;
    }
  }
  return static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
}

// A byte of a header field's name: printable ASCII other than ':'.
bool IsNameByte(unsigned char c) {
  return c >= 0x21 && c <= 0x7E && c != ':';
}

}  // namespace

void MboxMessageCounter::HeaderEnded() {
  if (!counted_) {
    counted_ = true;
    ++count_;
  }
}

void MboxMessageCounter::StartMessage() {
  counted_ = false;
}

void MboxMessageCounter::Feed(std::string_view bytes) {
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  while (p < end) {
    switch (phase_) {
      case Phase::kFileStart:
        while (p < end && matched_ < kFromSize) {
          if (*p != kFrom[matched_]) {
            phase_ = Phase::kMalformed;
            return;
          }
          ++matched_;
          ++p;
        }
        if (matched_ == kFromSize) {
          matched_ = 0;
          StartMessage();
          phase_ = Phase::kSeparator;
        }
        break;

      case Phase::kMalformed:
        return;

      case Phase::kSeparator: {
        const char* lf = FindLf(p, end);
        if (lf == nullptr) return;
        p = lf + 1;
        phase_ = Phase::kHeaderStart;
        break;
      }

      case Phase::kHeaderStart: {
        const char c = *p;
        if (c == '\n') {  // LF alone: the header ends
          ++p;
          HeaderEnded();
          matched_ = 0;
          phase_ = Phase::kBodyStart;
        } else if (c == '\r' || c == '\0') {
          headerCr_ = c == '\r';
          lineBytes_ = 1;
          ++p;
          phase_ = Phase::kHeaderMark;
        } else {
          phase_ = Phase::kHeaderLine;
        }
        break;
      }

      case Phase::kHeaderLine:
        // Whole header lines that begin with an ordinary byte, one after another.
        for (;;) {
          const char* lf = FindLf(p, end);
          if (lf == nullptr) return;
          p = lf + 1;
          if (p == end || *p == '\n' || *p == '\r' || *p == '\0') break;
        }
        phase_ = Phase::kHeaderStart;
        break;

      case Phase::kHeaderMark: {
        const char* lf = FindLf(p, end);
        if (lf == nullptr) {
          lineBytes_ += end - p;
          return;
        }
        lineBytes_ += lf - p;
        p = lf + 1;
        if (headerCr_ && lineBytes_ == 1) {  // CR LF alone: the header ends
          HeaderEnded();
          matched_ = 0;
          phase_ = Phase::kBodyStart;
        } else {  // the indexer's header ends, the reader's goes on
          if (lineBytes_ < kLongLine) HeaderEnded();
          phase_ = Phase::kHeaderStart;
        }
        break;
      }

      case Phase::kBodyStart:
        if (matched_ == 0 && end - p >= kFromSize) {
          if (std::memcmp(p, kFrom, kFromSize) == 0) {
            p += kFromSize;
            phase_ = Phase::kCheckFrom;
          } else {
            phase_ = Phase::kBodyLine;  // the line may end within these bytes: not skipped
          }
          break;
        }
        while (p < end && matched_ < kFromSize && *p == kFrom[matched_]) {
          ++matched_;
          ++p;
        }
        if (matched_ == kFromSize) {
          phase_ = Phase::kCheckFrom;
        } else if (p < end) {
          phase_ = Phase::kBodyLine;  // the differing byte may be the LF: not skipped
        }
        if (phase_ != Phase::kBodyStart) matched_ = 0;
        break;

      case Phase::kBodyLine:
        // Whole body lines, one after another, while the next line's first five bytes are at hand.
        for (;;) {
          const char* lf = FindLf(p, end);
          if (lf == nullptr) return;
          p = lf + 1;
          if (end - p < kFromSize) {
            phase_ = Phase::kBodyStart;
            break;
          }
          if (std::memcmp(p, kFrom, kFromSize) == 0) {
            p += kFromSize;
            phase_ = Phase::kCheckFrom;
            break;
          }
        }
        break;

      case Phase::kCheckFrom: {
        const char* lf = FindLf(p, end);
        if (lf == nullptr) return;
        p = lf + 1;
        fields_ = 0;
        matched_ = 0;
        lineBytes_ = 0;
        phase_ = Phase::kCheckName;
        break;
      }

      case Phase::kCheckName:
        while (p < end) {
          const auto c = static_cast<unsigned char>(*p);
          if (c == ':') {
            ++p;
            if (fields_ == 1) {  // two fields: the "From " line was a separator
              StartMessage();
              phase_ = Phase::kHeaderLine;
            } else {
              fields_ = 1;
              phase_ = Phase::kCheckValue;
            }
            break;
          }
          if (!IsNameByte(c)) {
            // No header field: the "From " line was body text. This line may begin with "From " itself
            // (its name bytes so far "From", then the space) and is then judged in its turn.
            if (c == ' ' && lineBytes_ == kFromSize - 1 && matched_ == kFromSize - 1) {
              ++p;
              phase_ = Phase::kCheckFrom;
            } else {
              phase_ = Phase::kBodyLine;  // the byte may be the LF: not skipped
            }
            matched_ = 0;
            break;
          }
          if (matched_ < kFromSize - 1 && *p == kFrom[matched_]) ++matched_;
          ++lineBytes_;
          ++p;
        }
        break;

      case Phase::kCheckValue: {
        const char* lf = FindLf(p, end);
        if (lf == nullptr) return;
        p = lf + 1;
        phase_ = Phase::kCheckFold;
        break;
      }

      case Phase::kCheckFold:
        if (*p == ' ' || *p == '\t') {  // a continuation of the first field
          phase_ = Phase::kCheckValue;
        } else {
          matched_ = 0;
          lineBytes_ = 0;
          phase_ = Phase::kCheckName;
        }
        break;
    }
  }
}

std::int64_t MboxMessageCounter::Finish() {
  switch (phase_) {
    case Phase::kCheckFrom:
    case Phase::kCheckName:
    case Phase::kCheckValue:
    case Phase::kCheckFold:
      // The data ended before the lines after a body "From " line were judged: it is taken for a
      // separator. The message it starts has a header that never ended, so it is not counted.
      StartMessage();
      phase_ = Phase::kHeaderLine;
      break;
    default:
      break;
  }
  return count_;
}

bool CountMboxMessages(const std::string& path, std::int64_t& count) {
  count = 0;
  platform::File file = platform::File::OpenRead(path);
  if (!file.IsOpen()) return false;
  std::vector<char> buffer(kChunk);
  MboxMessageCounter counter;
  for (;;) {
    const std::int64_t n = file.Read(buffer.data(), buffer.size());
    if (n < 0) return false;
    if (n == 0) break;
    counter.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
  }
  count = counter.Finish();
  return true;
}

}  // namespace boxferry
