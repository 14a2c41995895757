// Counts the messages of an mbox file as Thunderbird (153) sees them when it builds a folder's index, from
// the bytes alone, so a run can check what it wrote without trusting its own bookkeeping.
//
// Thunderbird's rules, as its mbox reader (MboxMsgInputStream) and its indexer (StoreIndexer with
// nsParseMailMessageState) apply them:
// - Lines end only at LF; a lone CR is part of the line.
// - A file that does not begin with the five bytes "From " holds no message (Thunderbird reports the
//   folder as malformed). That first separator needs nothing after it.
// - After a separator every line is a header line up to the first line that is LF or CR LF alone; a line
//   beginning with "From " there starts nothing.
// - In the body, a line beginning with "From " starts a message when the two lines after it are header
//   fields: bytes 21-7E other than ':' (possibly none), then ':'. Continuation lines (beginning with space
//   or tab) after the first field are skipped. When the data end before that is decided, the line counts
//   as a separator.
// - A message is shown only when its header ends in the indexer's view: a complete header line (ended by
//   LF) whose first byte is LF, CR or NUL. A separator whose header never ends (the file ends first) adds
//   no message; so the end-of-data rule above never changes the count.
//
// Where Thunderbird's result depends on how its reads fall, the counter takes the end of the file only:
// - Thunderbird decides a body "From " line within its read window (512 bytes to 8 KiB from the line):
//   when the window ends before two fields are seen, it takes the line as a separator even if the bytes
//   after the window say otherwise (a line after "From " longer than the window, or a "From " line
//   longer than it). The counter reads on to the real answer.
// - The indexer does not look at a header line of 1000 bytes or more when it arrives in pieces. Such a
//   line beginning with CR or NUL ends the header here never (Thunderbird: depending on the pieces; a
//   line beyond its 32 KiB buffer never).
// - A message whose first X-Mozilla-Status has the deleted bit (0x8) is hidden by Thunderbird; the
//   counter does not read header values and counts it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace boxferry {

// Streaming counter: feed the file's bytes in pieces of any size, then call Finish(). Memory stays the
// same whatever the lines' lengths: only a few bytes of the current line are kept.
class MboxMessageCounter {
 public:
  void Feed(std::string_view bytes);
  // The number of messages after the last byte fed.
  std::int64_t Finish();

  // A header line beginning with CR or NUL ends the header only when fewer bytes than this precede its
  // LF (Thunderbird's indexer skips longer lines that arrive in pieces).
  static constexpr std::int64_t kLongLine = 1000;

 private:
  enum class Phase : std::uint8_t {
    kFileStart,    // the file's first bytes, which must be "From "
    kMalformed,    // the file does not begin with "From ": no message at all
    kSeparator,    // rest of a separator line
    kHeaderStart,  // start of a header line
    kHeaderLine,   // inside a header line that cannot end the header
    kHeaderMark,   // inside a header line beginning with CR or NUL
    kBodyStart,    // start of a body line (matched_ bytes of "From " seen)
    kBodyLine,     // inside a body line that starts no message
    kCheckFrom,    // rest of a body line beginning with "From ", before the two lines after it are judged
    kCheckName,    // inside the field name of the first or second line after it (fields_ found so far)
    kCheckValue,   // rest of the first field's line
    kCheckFold,    // start of a line after the first field: continuation or the second field
  };

  // The current message's header has ended: count it once.
  void HeaderEnded();
  // A body "From " line turned out to be a separator: a new message begins, its header not yet ended.
  void StartMessage();

  Phase phase_ = Phase::kFileStart;
  std::int64_t count_ = 0;
  bool counted_ = false;        // the current message is counted
  bool headerCr_ = false;       // kHeaderMark: the line begins with CR (else NUL)
  std::uint8_t matched_ = 0;    // bytes of "From " met in order at the start of the line
  std::uint8_t fields_ = 0;     // kCheckName: header fields found after the "From " line
  std::int64_t lineBytes_ = 0;  // kHeaderMark, kCheckName: bytes of the current line so far
};

// Counts the messages of the mbox file at `path` (an empty file holds none). False when the file cannot
// be opened or read; platform::LastErrorCode() and LastErrorPath() then tell why (the code can be 0 for
// an entry that is no file).
bool CountMboxMessages(const std::string& path, std::int64_t& count);

}  // namespace boxferry
