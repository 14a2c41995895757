// The parts of the platform layer that every system shares.
#include <algorithm>
#include <string>

#include "platform/last_error.h"
#include "platform/platform.h"

namespace boxferry::platform {
namespace {

int g_lastErrorCode = 0;
std::string g_lastErrorPath;

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(const std::string& name, std::string_view prefix) {
  if (name.size() < prefix.size()) return false;
  return std::equal(prefix.begin(), prefix.end(), name.begin(),
                    [](char a, char b) { return a == LowerAscii(b); });
}

bool EndsWithNoCase(const std::string& name, std::string_view suffix) {
  if (name.size() < suffix.size()) return false;
  return std::equal(suffix.begin(), suffix.end(), name.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                    [](char a, char b) { return a == LowerAscii(b); });
}

}  // namespace

void NoteOutcome(int code, const std::string& path) {
  g_lastErrorCode = code;
  if (code != 0) g_lastErrorPath = path;
}

void NoteFailure(int code, const std::string* path) {
  g_lastErrorCode = code;
  if (path) g_lastErrorPath = *path;
}

int LastErrorCode() {
  return g_lastErrorCode;
}

const std::string& LastErrorPath() {
  return g_lastErrorPath;
}

bool MatchesFilter(const std::string& name, EntryFilter filter) {
  if (name.empty() || name == "." || name == "..") return false;
  switch (filter) {
    case EntryFilter::kAccountDirs:
      return StartsWithNoCase(name, "account");
    case EntryFilter::kBoxDirs:
      return EndsWithNoCase(name, ".box");
    case EntryFilter::kAlmFiles:
      return EndsWithNoCase(name, ".alm");
    case EntryFilter::kAll:
      return true;
  }
  return false;
}

bool File::WriteAll(const void* buffer, std::size_t count) {
  const char* p = static_cast<const char*>(buffer);
  while (count > 0) {
    const std::int64_t n = Write(p, count);
    if (n <= 0) return false;  // an error, or a write that makes no progress
    p += n;
    count -= static_cast<std::size_t>(n);
  }
  return true;
}

File::File(File&& other) noexcept : fd_(other.fd_), path_(std::move(other.path_)) {
  other.fd_ = -1;
  other.path_.clear();
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    path_ = std::move(other.path_);
    other.fd_ = -1;
    other.path_.clear();
  }
  return *this;
}

File::~File() {
  Close();
}

}  // namespace boxferry::platform
