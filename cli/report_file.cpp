#include "cli/report_file.h"

#include "engine/output_check.h"

namespace boxferry::cli {

ReportPlace PlaceOfReport(const std::string& report, const std::string& input, const std::string& output) {
  if (LiesInside(report, output)) return ReportPlace::kInsideOutput;
  if (LiesInside(report, input)) return ReportPlace::kInsideInput;
  return ReportPlace::kAllowed;
}

}  // namespace boxferry::cli
