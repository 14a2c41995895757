#include "support/temp_dir.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace boxferry::test {
namespace fs = std::filesystem;

TempDir::TempDir() {
  static std::atomic<int> counter{0};
#ifdef _WIN32
  // Test programs run side by side (ctest -j): each needs its own names.
  const long pid = static_cast<long>(GetCurrentProcessId());
#else
  const long pid = static_cast<long>(getpid());
#endif
  path_ =
      fs::temp_directory_path() / ("boxferry-test-" + std::to_string(pid) + "-" + std::to_string(counter++));
  fs::remove_all(path_);
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests may have taken permissions away; give them back so everything can be removed.
  for (auto it = fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_symlink()) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(path_, ec);
}

void WriteFile(const fs::path& path, std::string_view bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string DescribeTree(const fs::path& root) {
  std::vector<std::string> lines;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string rel = fs::relative(entry.path(), root).generic_string();
    if (entry.is_directory()) {
      lines.push_back(rel + "/");
    } else {
      lines.push_back(rel + " = \"" + ReadFile(entry.path()) + "\"");
    }
  }
  std::sort(lines.begin(), lines.end());
  std::ostringstream out;
  for (const auto& line : lines) out << line << "\n";
  return out.str();
}

int OpenDescriptorCount() {
#ifdef __linux__
  int count = 0;
  std::error_code ec;
  for (auto it = fs::directory_iterator("/proc/self/fd", ec); !ec && it != fs::directory_iterator(); ++it) {
    ++count;
  }
  return ec ? -1 : count;
#else
  return -1;
#endif
}

}  // namespace boxferry::test
