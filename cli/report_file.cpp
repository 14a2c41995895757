#include "cli/report_file.h"

#include <algorithm>
#include <vector>

#include "engine/output_check.h"
#include "platform/platform.h"

namespace boxferry::cli {
namespace {

// `path` and every folder above it, or `path` alone when its parents cannot be found.
std::vector<platform::Ancestor> Chain(const std::string& path) {
  std::vector<platform::Ancestor> chain;
  if (!platform::GetAncestry(path, chain)) {
    platform::Ancestor self{path, {}};
    if (platform::GetIdentity(path, self.identity)) chain.push_back(std::move(self));
  }
  return chain;
}

bool Holds(const std::vector<platform::Ancestor>& chain, const std::string& dir) {
  platform::FileIdentity id;
  if (!platform::IsDirectory(dir) || !platform::GetIdentity(dir, id)) return false;
  return std::any_of(chain.begin(), chain.end(),
                     [&](const platform::Ancestor& a) { return a.identity == id; });
}

}  // namespace

ReportPlace PlaceOfReport(const std::string& report, const std::string& input, const std::string& output) {
  platform::FileIdentity existing;
  const std::string base = platform::GetIdentity(report, existing) ? report : EnclosingFolder(report);
  if (base.empty()) return ReportPlace::kAllowed;
  const std::vector<platform::Ancestor> chain = Chain(base);
  if (Holds(chain, output)) return ReportPlace::kInsideOutput;
  if (Holds(chain, input)) return ReportPlace::kInsideInput;
  return ReportPlace::kAllowed;
}

}  // namespace boxferry::cli
