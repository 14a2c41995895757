// The whole walk over a small store built from the input, with the real message level. The input is a list
// of records, one per line:
//   D path            a directory (parents made as needed)
//   F path=content    a file; in the content, byte 01 stands for CR LF and 02 for LF
//   L path>target     a symbolic link to scratch/target (target may name the store, the output folder or
//                     the folder beside them, "outside"); links never lead out of the scratch folder
// Paths are below the input folder; empty, "." and ".." components are dropped. Checks:
// - the run ends (libFuzzer's timeout catches a walk that loops);
// - nothing outside the output folder changes: bytes, sizes, modes and modification times of the store and
//   of the folder beside it are as before, and nothing new appears beside them;
// - every file in the output is empty (the file beside a .sbd directory) or an mbox that begins with "From ".
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "engine/progress_monitor.h"
#include "fuzz/fuzz_support.h"
#include "message/mbox_converter.h"

namespace boxferry::fuzz {
namespace {

constexpr std::size_t kMaxRecords = 64;
constexpr std::size_t kMaxComponents = 12;

std::vector<std::string> Components(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size() && parts.size() < kMaxComponents) {
    std::size_t slash = path.find('/', start);
    if (slash == std::string_view::npos) slash = path.size();
    std::string part(path.substr(start, slash - start));
    if (!part.empty() && part != "." && part != ".." && part.find('\0') == std::string::npos) {
      parts.push_back(part.substr(0, 255));
    }
    start = slash + 1;
  }
  return parts;
}

// Makes the parents of base/parts and returns the full path; "" when there is nothing to name or when a
// parent is a link (the store is built inside the input folder only, never through a link out of it).
std::string Prepare(const std::string& base, const std::vector<std::string>& parts) {
  if (parts.empty()) return "";
  std::string path = base;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    path += "/" + parts[i];
    mkdir(path.c_str(), 0755);
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return "";
  }
  return path + "/" + parts.back();
}

void Build(const std::string& work, std::string_view input) {
  const std::string in = work + "/in";
  std::size_t records = 0;
  std::size_t start = 0;
  while (start < input.size() && records++ < kMaxRecords) {
    std::size_t end = input.find('\n', start);
    if (end == std::string_view::npos) end = input.size();
    const std::string_view record = input.substr(start, end - start);
    start = end + 1;
    if (record.empty()) continue;
    const std::string_view body = record.substr(1);
    switch (record[0]) {
      case 'D': {
        const std::string path = Prepare(in, Components(body));
        if (!path.empty()) mkdir(path.c_str(), 0755);
        break;
      }
      case 'F': {
        const std::size_t eq = body.find('=');
        const std::string path = Prepare(in, Components(body.substr(0, eq)));
        std::string content;
        if (eq != std::string_view::npos) {
          for (char c : body.substr(eq + 1)) {
            if (c == '\x01') {
              content += "\r\n";
            } else if (c == '\x02') {
              content += '\n';
            } else {
              content += c;
            }
          }
        }
        struct stat st;
        if (!path.empty() && lstat(path.c_str(), &st) != 0) WriteWhole(path, content);
        break;
      }
      case 'L': {
        const std::size_t gt = body.find('>');
        if (gt == std::string_view::npos) break;
        const std::string path = Prepare(in, Components(body.substr(0, gt)));
        std::string target = work;
        for (const std::string& part : Components(body.substr(gt + 1))) target += "/" + part;
        if (!path.empty()) (void)symlink(target.c_str(), path.c_str());
        break;
      }
      default:
        break;
    }
  }
}

Snapshot OutsideOutput(const std::string& work) {
  Snapshot all = TakeSnapshot(work);
  for (auto it = all.begin(); it != all.end();) {
    it = (it->first == "/out" || it->first.starts_with("/out/")) ? all.erase(it) : std::next(it);
  }
  return all;
}

}  // namespace
}  // namespace boxferry::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace boxferry::fuzz;
  const std::string& root = ScratchRoot();
  const std::string work = root + "/w";
  EmptyDirectory(root);
  mkdir(work.c_str(), 0755);
  mkdir((work + "/in").c_str(), 0755);
  mkdir((work + "/out").c_str(), 0755);
  mkdir((work + "/outside").c_str(), 0755);
  mkdir((work + "/outside/Keep.box").c_str(), 0755);
  WriteWhole(work + "/outside/Keep.box/1.ALM", "Subject: outside\r\n\r\nnot in the store\r\n");
  Build(work, std::string_view(reinterpret_cast<const char*>(data), size));

  const Snapshot before = OutsideOutput(work);
  boxferry::ProgressMonitor monitor;
  boxferry::MboxConverter converter(&monitor);
  monitor.SetState(boxferry::kReady);
  converter.Convert(work + "/in", work + "/out");
  Check(monitor.state() == boxferry::kReady, "the run did not end with the monitor ready again");

  Check(OutsideOutput(work) == before, "something outside the output folder changed");
  for (const auto& [path, description] : TakeSnapshot(work + "/out")) {
    struct stat st;
    const std::string full = work + "/out" + path;
    Check(lstat(full.c_str(), &st) == 0, "an output entry vanished");
    Check(!S_ISLNK(st.st_mode), "the run made a symbolic link");
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
      Check(ReadWhole(full).starts_with("From "), "an output file does not begin with \"From \"");
    }
  }
  const Snapshot rootAfter = TakeSnapshot(root);
  for (const auto& [path, description] : rootAfter) {
    Check(path.starts_with("/w"), "the run wrote beside the scratch folders");
  }
  return 0;
}
