// What boxferry-cli says of a run besides the engine's messages: a few lines of summary before the counter
// line, and, for --report, the whole ConversionReport as JSON.
#pragma once

#include <cstdint>
#include <string>

#include "engine/conversion_report.h"

namespace boxferry::cli {

enum class RunResult { kCompleted, kFailed, kCancelled };

// The run as the report file names it, around what the engine recorded.
struct RunRecord {
  std::string input;   // as given on the command line
  std::string output;  // as given on the command line
  RunResult result = RunResult::kCompleted;
  std::int64_t accounts = 0;  // the counters of the last line
  std::int64_t folders = 0;
  std::int64_t files = 0;
};

// The summary lines (UTF-8, each ending in LF), only those that have something to say: the folders and
// messages the read-back confirmed (on a failed or cancelled run, those confirmed until it stopped), the
// titles changed, the characters written as 〓, the entries passed over. Empty when there is nothing to say.
std::string SummaryText(const ConversionReport& report, RunResult result);

// The report as a JSON document (README.md, "Conversion report"), two-space indented, ending in LF. Bytes
// that are not UTF-8 (a POSIX file name is any bytes) become U+FFFD, so any path can be written.
std::string ReportJson(const RunRecord& run, const ConversionReport& report);

}  // namespace boxferry::cli
