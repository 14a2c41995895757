// Scratch directories and small file helpers for tests.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace boxferry::test {

// A fresh directory under the system's temporary folder, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Writes `bytes` to `path`, creating the parent directories.
void WriteFile(const std::filesystem::path& path, std::string_view bytes);
std::string ReadFile(const std::filesystem::path& path);

// Every file and directory below `root`, as "relative/path" -> content ("<dir>" for directories).
std::string DescribeTree(const std::filesystem::path& root);

// Number of open file descriptors of this process (-1 where it cannot be told).
int OpenDescriptorCount();

}  // namespace boxferry::test
