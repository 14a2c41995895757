// POSIX implementation of the platform layer.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "platform/platform.h"

namespace boxferry::platform {
namespace {

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// Byte-wise order after ASCII upper-casing: the order NTFS yields for the ASCII names AL-Mail uses.
bool UpperLess(const std::string& a, const std::string& b) {
  auto upper = [](unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c; };
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int ca = upper(static_cast<unsigned char>(a[i]));
    const int cb = upper(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;  // names that differ only in letter case: a stable, total order
}

}  // namespace

bool ListDirectory(const std::string& dir, EntryFilter filter, std::vector<std::string>& names) {
  names.clear();
  DirHandle handle(opendir(dir.c_str()));
  if (!handle) return false;
  errno = 0;
  while (const dirent* entry = readdir(handle.get())) {
    std::string name = entry->d_name;
    if (MatchesFilter(name, filter)) names.push_back(std::move(name));
  }
  if (errno != 0) {
    names.clear();
    return false;
  }
  std::sort(names.begin(), names.end(), UpperLess);
  return true;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectory(const std::string& path) {
  return mkdir(path.c_str(), 0777) == 0;
}

// Only files and directories: a link to a device (such as /dev/full) never has its mode changed.
bool SetOwnerReadWrite(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))) return false;
  return chmod(path.c_str(), 0600) == 0;
}

bool GetIdentity(const std::string& path, FileIdentity& identity) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  identity.device = static_cast<std::uint64_t>(st.st_dev);
  identity.index = static_cast<std::uint64_t>(st.st_ino);
  return true;
}

// Only files (and directories, whose first read fails): a link to a device, a FIFO or a socket could
// block the open or never reach an end. O_NONBLOCK keeps the open of a FIFO from waiting for a writer.
File File::OpenRead(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return File();
  struct stat st;
  if (fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))) {
    close(fd);
    return File();
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return File(fd);
}

File File::CreateNew(const std::string& path) {
  return File(open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
}

File File::OpenReadWrite(const std::string& path) {
  return File(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
}

std::int64_t File::Read(void* buffer, std::size_t count) {
  if (fd_ < 0) return -1;
  for (;;) {
    const ssize_t n = read(fd_, buffer, count);
    if (n < 0 && errno == EINTR) continue;
    return n;
  }
}

std::int64_t File::Write(const void* buffer, std::size_t count) {
  if (fd_ < 0) return -1;
  for (;;) {
    const ssize_t n = write(fd_, buffer, count);
    if (n < 0 && errno == EINTR) continue;
    return n;
  }
}

std::int64_t File::Seek(std::int64_t offset, SeekOrigin origin) {
  if (fd_ < 0) return -1;
  const int whence = origin == SeekOrigin::kBegin     ? SEEK_SET
                     : origin == SeekOrigin::kCurrent ? SEEK_CUR
                                                      : SEEK_END;
  return lseek(fd_, static_cast<off_t>(offset), whence);
}

std::int64_t File::Size() const {
  struct stat st;
  if (fd_ < 0 || fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

bool File::Close() {
  if (fd_ < 0) return true;
  const int fd = fd_;
  fd_ = -1;
  return close(fd) == 0;
}

}  // namespace boxferry::platform
