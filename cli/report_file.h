// Where --report may put its file. Never in the output tree: Thunderbird takes every file there for a mail
// folder. Never in the input folder, which is only read.
#pragma once

#include <string>

namespace boxferry::cli {

enum class ReportPlace { kAllowed, kInsideOutput, kInsideInput };

// Judged by identity, as the output's overlap with the input is: the report itself when it exists (a link
// is followed to where it leads), else the folder that would hold it, and each folder above them, are
// compared with the output folder (when it exists) and the input folder. A report whose folder does not
// exist is allowed here; it cannot be created, and its creation says why.
ReportPlace PlaceOfReport(const std::string& report, const std::string& input, const std::string& output);

}  // namespace boxferry::cli
