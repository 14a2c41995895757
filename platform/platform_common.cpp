// The parts of the platform layer that every system shares.
#include <string>

#include "encoding/text.h"
#include "platform/last_error.h"
#include "platform/platform.h"

namespace boxferry::platform {
namespace {

int g_lastErrorCode = 0;
std::string g_lastErrorPath;

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
      return encoding::StartsWithNoCase(name, "account");
    case EntryFilter::kBoxDirs:
      return encoding::EndsWithNoCase(name, ".box");
    case EntryFilter::kAlmFiles:
      return encoding::EndsWithNoCase(name, ".alm");
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

File::File(File&& other) noexcept
    : fd_(other.fd_), path_(std::move(other.path_)), sizeAtOpen_(other.sizeAtOpen_) {
  other.fd_ = -1;
  other.path_.clear();
  other.sizeAtOpen_ = -1;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    path_ = std::move(other.path_);
    sizeAtOpen_ = other.sizeAtOpen_;
    other.fd_ = -1;
    other.path_.clear();
    other.sizeAtOpen_ = -1;
  }
  return *this;
}

File::~File() {
  Close();
}

}  // namespace boxferry::platform
