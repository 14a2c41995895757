// One message through MboxConverter::WriteMessage into an mbox in memory, twice: with the reader's
// usual buffer and with a tiny one (every longer line then arrives in pieces). Checks, for both:
// - the mbox begins with the separator (or the envelope line) and Thunderbird's two status lines, and no
//   other line begins with "From ";
// - then the message's own lines, one output line for each input line, with an empty line after the
//   status lines for a file whose first line holds no ':', and one at the end for a header no empty line
//   closed;
// - every line end is LF or CR LF: LF stays LF, CR LF, CR CR LF and a lone CR become CR LF, a last line
//   without one gets CR LF (a message that declares "binary" anywhere keeps its line ends in that body, and
//   is checked only as Thunderbird reads it);
// - mboxrd: an input line of zero or more '>' and then "From " gets one '>' more, and no other output
//   line looks like one;
// - a message of bytes 00-7F only comes out exactly as that describes (a line holding an ESC may become
//   another 7-bit line: raw ISO-2022-JP in a header line is written as encoded words);
// - Thunderbird's reading of the mbox (MboxMessageCounter) finds exactly one message.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "encoding/text.h"
#include "engine/mbox_message_count.h"
#include "engine/progress_monitor.h"
#include "fuzz/fuzz_support.h"
#include "message/byte_stream.h"
#include "message/mbox_converter.h"
#include "message/mbox_part_writer.h"

namespace boxferry::fuzz {
namespace {

constexpr std::string_view kStatus1 = "X-Mozilla-Status: 0000";
constexpr std::string_view kStatus2 = "X-Mozilla-Status2: 00000000";

bool NeedsEscape(std::string_view text) {
  return MboxPartWriter::NeedsFromEscape(text);
}

// What the converter adds to a message's own lines.
struct Additions {
  bool envelope = false;    // the first line is the separator itself
  bool headerless = false;  // an empty line after the status lines
  bool closingBlank = false;
};

bool HasBinary(std::string_view input) {
  std::string lower(input);
  for (char& c : lower) c = encoding::ToLowerAscii(c);
  return lower.find("binary") != std::string::npos;
}

std::string_view WrittenEnd(const Line& line, bool last) {
  if (line.end == "\n") return "\n";
  if (line.end.empty() && !last) return "";
  return "\r\n";
}

// What a message of bytes 00-7F must become.
std::string ExpectedAscii(const std::vector<Line>& lines, const Additions& add) {
  std::string out = add.envelope ? std::string(lines[0].text) : "From - ";
  out += "\r\n";
  out += std::string(kStatus1) + "\r\n" + std::string(kStatus2) + "\r\n";
  if (add.headerless) out += "\r\n";
  const std::size_t first = add.envelope ? 1 : 0;
  for (std::size_t i = first; i < lines.size(); ++i) {
    if (NeedsEscape(lines[i].text)) out += '>';
    out += lines[i].text;
    out += WrittenEnd(lines[i], i + 1 == lines.size());
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
// decided on the first piece (at least pieceBytes - 3 bytes long); a line whose ">"s run on beyond that
// piece is not checked for its escape.
void CheckOutput(std::string_view input, const std::string& out, std::size_t pieceBytes) {
  const std::vector<Line> in = SplitLines(input);
  std::vector<Line> got = SplitLines(out);
  Check(out.starts_with("From "), "the mbox does not begin with \"From \"");
  Check(got.size() >= 3 && got[0].end == "\r\n" && got[1].text == kStatus1 && got[1].end == "\r\n" &&
            got[2].text == kStatus2 && got[2].end == "\r\n",
        "the separator is not followed by the two status lines");

  // The envelope line is used when it reaches the converter whole; near the reader's buffer size that is
  // not told here.
  Additions add;
  if (!in.empty() && in[0].text.starts_with("From ")) {
    const std::size_t length = in[0].text.size() + in[0].end.size();
    if (length + 4 >= pieceBytes && length <= pieceBytes + 4) return;
    add.envelope = length < pieceBytes;
  }
  if (add.envelope) Check(got[0].text == in[0].text, "the envelope line is not the separator");
  if (!add.envelope) Check(got[0].text == "From - ", "the separator is not \"From - \"");
  const std::size_t first = add.envelope ? 1 : 0;
  const std::size_t own = in.size() - first;  // the message's own lines
  if (own > 0 && !in[first].text.empty()) {
    if (in[first].text.size() + 3 < pieceBytes) {
      add.headerless = in[first].text.find(':') == std::string_view::npos;
    } else {
      // A first line in pieces is judged by its first piece, whose end is not told here: take what the
      // output says (the line itself is not empty, so an empty line there is the one added).
      add.headerless = got.size() > 3 && got[3].text.empty();
    }
  }
  const std::size_t head = 3 + (add.headerless ? 1 : 0);
  if (add.headerless)
    Check(got.size() > 3 && got[3].text.empty() && got[3].end == "\r\n",
          "no empty line after the status lines of a file without a header");
  // A binary body keeps its bytes: a kept lone CR and the line end after it are one line end to anyone
  // who splits lines as the reader does, so its lines are not counted here; what matters, that
  // Thunderbird sees one message, is checked for every input.
  if (HasBinary(input)) return;
  Check(got.size() == head + own || got.size() == head + own + 1,
        "output and input differ in their number of lines");
  if (got.size() == head + own + 1) {
    Check(got.back().text.empty() && got.back().end == "\r\n",
          "the line added at the end is not an empty line");
    add.closingBlank = true;
  }
  got.erase(got.begin() + 1, got.begin() + static_cast<std::ptrdiff_t>(head));
  if (add.closingBlank) got.pop_back();

  bool decidable = true;
  for (std::size_t i = first; i < in.size(); ++i) {
    const Line& o = got[i + 1 - first];
    Check(!o.text.starts_with("From "), "an unescaped \"From \" line inside a message");
    Check(o.end == WrittenEnd(in[i], i + 1 == in.size()),
          "a line end was not written as Thunderbird ends lines");
    if (NeedsEscape(in[i].text)) {
      const std::size_t prefix = EscapePrefixLength(in[i].text);
      if (prefix + 3 >= pieceBytes) {
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
  // into another line of bytes 00-7F; every other line comes out as it must.
  const std::string expected = ExpectedAscii(in, add);
  const std::vector<Line> want = SplitLines(expected);
  const std::vector<Line> all = SplitLines(out);
  Check(want.size() == all.size(), "an ASCII message did not come out as it must");
  for (std::size_t i = 0; i < want.size(); ++i) {
    if (all[i].text == want[i].text && all[i].end == want[i].end) continue;
    bool sevenBit = true;
    for (unsigned char c : all[i].text) sevenBit = sevenBit && c < 0x80;
    Check(want[i].text.find('\x1b') != std::string_view::npos && sevenBit && all[i].end == want[i].end,
          "an ASCII message did not come out as it must");
  }
}

}  // namespace
}  // namespace boxferry::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace boxferry::fuzz;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  for (const std::size_t buffer : {boxferry::MessageReader::kDefaultCapacity, std::size_t{64}}) {
    const std::string out = Convert(input, buffer);
    CheckOutput(input, out, buffer);
    // Read as Thunderbird reads it, the mbox holds exactly this one message.
    boxferry::MboxMessageCounter counter;
    counter.Feed(out);
    Check(counter.Finish() == 1, "Thunderbird would not see exactly one message");
  }
  return 0;
}
