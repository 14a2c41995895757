// One message through MboxConverter::WriteMessage into an mbox in memory, twice: with the reader's
// usual buffer and with a tiny one (every longer line then arrives in pieces). Checks, for both:
// - the mbox begins with "From " and holds exactly one line that begins with "From ", the separator,
//   followed by nothing but the message's own lines (or Thunderbird's two status lines first);
// - line for line, every output line ends as its input line ended, except that a last line without a line
//   end, or ending in a lone CR, is completed to CR LF;
// - mboxrd: an input line of zero or more '>' and then "From " gets one '>' more, and no other output
//   line looks like one;
// - a message of bytes 00-7F only comes out exactly as the input, From-escaped (a line holding an ESC may
//   become another 7-bit line: raw ISO-2022-JP in a header line is written as encoded words).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/progress_monitor.h"
#include "engine/progress_view.h"
#include "fuzz/fuzz_support.h"
#include "message/byte_stream.h"
#include "message/mbox_converter.h"
#include "message/mbox_part_writer.h"

namespace boxferry::fuzz {
namespace {

// Counts message boxes: converting a readable file into a writable mbox never shows one.
class CountingView : public ProgressView {
 public:
  void SetItemText(int, const std::string&) override {}
  void InvalidateItem(int) override {}
  void EnableItem(int, bool) override {}
  void FocusItem(int) override {}
  void DispatchPendingMessages() override {}
  int ShowMessageBox(const std::string&, int, int) override {
    ++boxes;
    return 1;
  }
  int boxes = 0;
};

constexpr std::string_view kStatus1 = "X-Mozilla-Status: 0000";
constexpr std::string_view kStatus2 = "X-Mozilla-Status2: 00000000";

bool NeedsEscape(std::string_view text) {
  return MboxPartWriter::NeedsFromEscape(text);
}

// What the converter may add to a message's own lines, besides mending the last line end: Thunderbird's
// two status lines after the separator (for a message that does not begin with two header lines), an
// empty line after them (a file of plain text without a header), and an empty line at the end (a header
// that no empty line closes).
struct Additions {
  bool envelope = false;
  bool status = false;
  bool headerlessBlank = false;
  bool closingBlank = false;
};

// What a message of bytes 00-7F must become.
std::string ExpectedAscii(const std::vector<Line>& lines, const Additions& add) {
  std::string out = add.envelope ? std::string(lines[0].text) : "From - ";
  out += "\r\n";
  if (add.status) out += std::string(kStatus1) + "\r\n" + std::string(kStatus2) + "\r\n";
  if (add.headerlessBlank) out += "\r\n";
  const std::size_t first = add.envelope ? 1 : 0;
  for (std::size_t i = first; i < lines.size(); ++i) {
    if (NeedsEscape(lines[i].text)) out += '>';
    out += lines[i].text;
    out += lines[i].end;
  }
  if (lines.size() > first) {
    if (lines.back().end.empty()) out += "\r\n";
    if (lines.back().end == "\r") out += "\n";
  }
  if (add.closingBlank) out += "\r\n";
  return out;
}

// Through the converter's own path (MboxConverter::WriteMessage), in memory. A converter keeps its buffers
// from message to message, as it does in a run, so one is kept per buffer size.
std::string Convert(std::string_view input, std::size_t bufferSize) {
  CountingView view;
  SetMainWindow(&view);
  static ProgressMonitor monitor;
  static MboxConverter normal(&monitor, MessageReader::kDefaultCapacity);
  static MboxConverter tiny(&monitor, 64);
  MboxConverter& converter = bufferSize == 64 ? tiny : normal;
  StringSource source(input);
  std::string mbox;
  StringSink sink(mbox);
  const int result = converter.WriteMessage(source, static_cast<std::int64_t>(input.size()), sink);
  SetMainWindow(nullptr);
  Check(result == 0, "the conversion failed on a readable message");
  Check(view.boxes == 0, "a message box was shown");
  return mbox;
}

// The leading ">"s and "From " of a line that needs the escape.
std::size_t EscapePrefixLength(std::string_view text) {
  std::size_t n = 0;
  while (n < text.size() && text[n] == '>') ++n;
  return n + 5;
}

// `pieceBytes`: the reader's buffer. A line longer than it arrives in pieces, and the From-escape is
// decided on the first piece (at least pieceBytes - 2 bytes long); a line whose ">"s run on beyond that
// piece is not checked for its escape.
void CheckOutput(std::string_view input, const std::string& out, std::size_t pieceBytes) {
  const std::vector<Line> in = SplitLines(input);
  std::vector<Line> got = SplitLines(out);
  Check(out.starts_with("From "), "the mbox does not begin with \"From \"");
  Check(!got.empty() && got[0].end == "\r\n", "the separator line does not end in CR LF");

  // Which input line each output line after the separator stands for. The envelope line is used when
  // it reaches the converter whole; near the reader's buffer size that is not told here.
  Additions add;
  const bool fromFirst = !in.empty() && in[0].text.starts_with("From ");
  if (fromFirst) {
    const std::size_t length = in[0].text.size() + in[0].end.size();
    if (length + 4 >= pieceBytes && length <= pieceBytes + 4) return;
    add.envelope = length < pieceBytes;
  }
  const bool envelope = add.envelope;
  if (envelope) Check(got[0].text == in[0].text, "the envelope line is not the separator");
  if (!envelope) Check(got[0].text == "From - ", "the separator is not \"From - \"");
  const std::size_t first = envelope ? 1 : 0;
  const std::size_t own = in.size() - first;  // the message's own lines
  auto blank = [&](std::size_t k) { return k < got.size() && got[k].text.empty() && got[k].end == "\r\n"; };
  const bool ownStatus = own >= 2 && in[first].text == kStatus1 && in[first + 1].text == kStatus2;
  if (!ownStatus && got.size() >= 3 && got[1].text == kStatus1 && got[1].end == "\r\n" &&
      got[2].text == kStatus2 && got[2].end == "\r\n") {
    add.status = true;
    add.headerlessBlank = own > 0 && !in[first].text.empty() && blank(3);
  }
  const std::size_t head = 1 + (add.status ? 2 : 0) + (add.headerlessBlank ? 1 : 0);
  Check(got.size() == head + own || got.size() == head + own + 1,
        "output and input differ in their number of lines");
  if (got.size() == head + own + 1) {
    Check(blank(got.size() - 1), "the line added at the end is not an empty line");
    add.closingBlank = true;
  }
  got.erase(got.begin() + 1, got.begin() + static_cast<std::ptrdiff_t>(head));
  if (add.closingBlank) got.pop_back();

  bool decidable = true;
  for (std::size_t i = first; i < in.size(); ++i) {
    const Line& o = got[i + 1 - first];
    Check(!o.text.starts_with("From "), "an unescaped \"From \" line inside a message");
    const std::string_view expectedEnd =
        (i + 1 == in.size() && (in[i].end.empty() || in[i].end == "\r")) ? "\r\n" : in[i].end;
    Check(o.end == expectedEnd, "a line end changed");
    if (NeedsEscape(in[i].text)) {
      const std::size_t prefix = EscapePrefixLength(in[i].text);
      if (prefix + 2 >= pieceBytes) {
        decidable = false;
        continue;
      }
      Check(o.text.starts_with(">") && o.text.substr(1).starts_with(in[i].text.substr(0, prefix)),
            "a From line did not get exactly one more \">\"");
    } else {
      Check(!NeedsEscape(o.text), "a line that needs no escape looks escaped");
    }
  }

  bool ascii = true;
  for (unsigned char c : input) ascii = ascii && c < 0x80;
  if (!ascii || !decidable) return;
  // A header line of raw ISO-2022-JP is written as encoded words, so a line holding an ESC may change,
  // into another line of bytes 00-7F; every other line stays as it is.
  const std::string expected = ExpectedAscii(in, add);
  const std::vector<Line> want = SplitLines(expected);
  const std::vector<Line> all = SplitLines(out);
  Check(want.size() == all.size(), "an ASCII message did not come out unchanged");
  for (std::size_t i = 0; i < want.size(); ++i) {
    if (all[i].text == want[i].text && all[i].end == want[i].end) continue;
    bool sevenBit = true;
    for (unsigned char c : all[i].text) sevenBit = sevenBit && c < 0x80;
    Check(want[i].text.find('\x1b') != std::string_view::npos && sevenBit && all[i].end == want[i].end,
          "an ASCII message did not come out unchanged");
  }
}

}  // namespace
}  // namespace boxferry::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace boxferry::fuzz;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  CheckOutput(input, Convert(input, boxferry::MessageReader::kDefaultCapacity),
              boxferry::MessageReader::kDefaultCapacity);
  CheckOutput(input, Convert(input, 64), 64);
  return 0;
}
