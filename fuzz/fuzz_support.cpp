#include "fuzz/fuzz_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace boxferry::fuzz {

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::fflush(stderr);
  std::abort();
}

const std::string& ScratchRoot() {
  static const std::string root = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/boxferry-fuzz-XXXXXX";
    Check(mkdtemp(pattern.data()) != nullptr, "cannot create the scratch folder");
    // Removed at exit; the path is kept in plain storage, which outlives the string's destructor.
    static char removeAtExit[4096];
    std::snprintf(removeAtExit, sizeof removeAtExit, "%s", pattern.c_str());
    std::atexit([] {
      EmptyDirectory(removeAtExit);
      rmdir(removeAtExit);
    });
    return pattern;
  }();
  return root;
}

void EmptyDirectory(const std::string& dir) {
  DIR* handle = opendir(dir.c_str());
  if (handle == nullptr) return;
  std::vector<std::string> names;
  while (const dirent* entry = readdir(handle)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
      names.emplace_back(entry->d_name);
    }
  }
  closedir(handle);
  for (const std::string& name : names) {
    const std::string path = dir + "/" + name;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      chmod(path.c_str(), 0700);
      EmptyDirectory(path);
      rmdir(path.c_str());
    } else {
      unlink(path.c_str());
    }
  }
}

namespace {

void SnapshotInto(const std::string& root, const std::string& rel, Snapshot& out) {
  DIR* handle = opendir((root + rel).c_str());
  if (handle == nullptr) return;
  std::vector<std::string> names;
  while (const dirent* entry = readdir(handle)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
      names.emplace_back(entry->d_name);
    }
  }
  closedir(handle);
  for (const std::string& name : names) {
    const std::string sub = rel + "/" + name;
    const std::string path = root + sub;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) continue;
    std::string description = std::to_string(st.st_mode) + " " + std::to_string(st.st_size) + " " +
                              std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
    if (S_ISLNK(st.st_mode)) {
      char target[4096];
      const ssize_t n = readlink(path.c_str(), target, sizeof target);
      description += " -> " + std::string(target, n > 0 ? static_cast<std::size_t>(n) : 0);
    } else if (S_ISREG(st.st_mode)) {
      description += " = " + ReadWhole(path);
    }
    out[sub] = description;
    if (S_ISDIR(st.st_mode)) SnapshotInto(root, sub, out);
  }
}

}  // namespace

Snapshot TakeSnapshot(const std::string& root) {
  Snapshot out;
  SnapshotInto(root, "", out);
  return out;
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteWhole(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::vector<Line> SplitLines(std::string_view bytes) {
  std::vector<Line> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t at = bytes.find_first_of("\r\n", start);
    if (at == std::string_view::npos) {
      lines.push_back({bytes.substr(start), {}});
      break;
    }
    std::size_t endLength = 1;
    if (bytes.substr(at, 3) == "\r\r\n") {
      endLength = 3;
    } else if (bytes.substr(at, 2) == "\r\n") {
      endLength = 2;
    }
    lines.push_back({bytes.substr(start, at - start), bytes.substr(at, endLength)});
    start = at + endLength;
  }
  return lines;
}

}  // namespace boxferry::fuzz
