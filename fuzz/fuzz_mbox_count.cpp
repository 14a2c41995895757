// The mbox message counter, two ways:
// - the input as mbox bytes: the count is the same for the whole buffer, byte by byte, in pieces of
//   sizes drawn from the input and split in two anywhere, and it equals a plain line-by-line reading of
//   Thunderbird's rules over the whole buffer (a second implementation, kept simple rather than fast);
// - the input as a message, converted twice into one mbox in memory (with the reader's usual buffer and
//   with a 64-byte one): Thunderbird must see exactly two messages there.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/mbox_message_count.h"
#include "engine/progress_monitor.h"
#include "fuzz/fuzz_support.h"
#include "message/byte_stream.h"
#include "message/mbox_converter.h"

namespace boxferry::fuzz {
namespace {

bool IsNameByte(unsigned char c) {
  return c >= 0x21 && c <= 0x7E && c != ':';
}

// Whether the body line at `at`, which begins with "From ", starts a message: the two lines after it are
// header fields (continuation lines after the first skipped); the end of the data decides in favour.
bool IsSeparator(std::string_view bytes, std::size_t at) {
  std::size_t i = bytes.find('\n', at);
  if (i == std::string_view::npos) return true;
  ++i;
  for (int field = 0; field < 2; ++field) {
    while (i < bytes.size() && IsNameByte(static_cast<unsigned char>(bytes[i]))) ++i;
    if (i == bytes.size()) return true;
    if (bytes[i] != ':') return false;
    if (field == 1) return true;
    do {
      i = bytes.find('\n', i);
      if (i == std::string_view::npos || ++i == bytes.size()) return true;
    } while (bytes[i] == ' ' || bytes[i] == '\t');
  }
  return true;
}

// Thunderbird's count read line by line from the whole buffer.
std::int64_t ReferenceCount(std::string_view bytes) {
  if (!bytes.starts_with("From ")) return 0;
  std::int64_t count = 0;
  bool header = true;
  bool counted = false;
  std::size_t at = 0;  // start of the current line
  bool separator = true;
  while (at < bytes.size()) {
    const std::size_t lf = bytes.find('\n', at);
    const bool complete = lf != std::string_view::npos;
    const std::string_view line = bytes.substr(at, complete ? lf - at : std::string_view::npos);
    if (separator) {
      separator = false;
    } else if (header) {
      if (!complete) break;
      const bool blank = line.empty() || line == "\r";
      const bool mark = !line.empty() && (line[0] == '\r' || line[0] == '\0') &&
                        line.size() < static_cast<std::size_t>(MboxMessageCounter::kLongLine);
      if ((blank || mark) && !counted) {
        counted = true;
        ++count;
      }
      if (blank) header = false;
    } else if (line.starts_with("From ") && IsSeparator(bytes, at)) {
      header = true;
      counted = false;
      separator = true;
      continue;  // the same line, now as the separator
    }
    if (!complete) break;
    at = lf + 1;
  }
  return count;
}

std::int64_t CountInPieces(std::string_view bytes, std::uint32_t seed) {
  MboxMessageCounter counter;
  std::size_t at = 0;
  while (at < bytes.size()) {
    seed = seed * 1103515245u + 12345u;
    const std::size_t piece = 1 + (seed >> 16) % 130;
    counter.Feed(bytes.substr(at, piece));
    at += piece;
  }
  return counter.Finish();
}

void CheckCounts(std::string_view bytes) {
  MboxMessageCounter whole;
  whole.Feed(bytes);
  const std::int64_t count = whole.Finish();
  Check(count == ReferenceCount(bytes), "the counter and the line-by-line reading differ");

  MboxMessageCounter single;
  for (std::size_t i = 0; i < bytes.size(); ++i) single.Feed(bytes.substr(i, 1));
  Check(single.Finish() == count, "the count byte by byte differs from the whole buffer's");

  std::uint32_t seed = static_cast<std::uint32_t>(bytes.size());
  for (unsigned char c : bytes.substr(0, 64)) seed = seed * 31 + c;
  Check(CountInPieces(bytes, seed) == count, "the count in pieces differs from the whole buffer's");

  for (std::size_t split :
       {bytes.size() / 3, bytes.size() / 2, static_cast<std::size_t>(seed % (bytes.size() + 1))}) {
    MboxMessageCounter two;
    two.Feed(bytes.substr(0, split));
    two.Feed(bytes.substr(split));
    Check(two.Finish() == count, "the count in two pieces differs from the whole buffer's");
  }
}

// Converts the message twice into one mbox (in memory, through the converter's own path) and counts
// what Thunderbird would see there. A converter keeps its buffers from message to message, as in a run.
void CheckTwoConverted(std::string_view input, std::size_t bufferSize) {
  CountingView view;
  SetMainWindow(&view);
  static ProgressMonitor monitor;
  static MboxConverter normal(&monitor, MessageReader::kDefaultCapacity);
  static MboxConverter tiny(&monitor, 64);
  MboxConverter& converter = bufferSize == 64 ? tiny : normal;
  std::string mbox;
  StringSink sink(mbox);
  for (int i = 0; i < 2; ++i) {
    StringSource source(input);
    Check(converter.WriteMessage(source, static_cast<std::int64_t>(input.size()), sink) == 0,
          "the conversion failed on a readable message");
  }
  SetMainWindow(nullptr);
  Check(view.boxes == 0, "a message box was shown");
  MboxMessageCounter counter;
  counter.Feed(mbox);
  Check(counter.Finish() == 2, "Thunderbird would not see two messages in an mbox of two converted files");
}

}  // namespace
}  // namespace boxferry::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace boxferry::fuzz;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  CheckCounts(input);
  CheckTwoConverted(input, boxferry::MessageReader::kDefaultCapacity);
  CheckTwoConverted(input, 64);
  return 0;
}
