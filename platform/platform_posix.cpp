// POSIX implementation of the platform layer.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "encoding/text.h"
#include "platform/last_error.h"
#include "platform/platform.h"

namespace boxferry::platform {
namespace {

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// Byte-wise order after ASCII upper-casing: the order NTFS yields for the ASCII names AL-Mail uses.
bool UpperLess(const std::string& a, const std::string& b) {
  const int order = encoding::CompareNoCase(a, b);
  return order != 0 ? order < 0 : a < b;  // names that differ only in letter case: a stable, total order
}

// Records the outcome of a call on `path` and passes its result on.
bool Noted(bool ok, const std::string& path) {
  NoteOutcome(ok ? 0 : errno, path);
  return ok;
}

struct FreeDeleter {
  void operator()(char* p) const { std::free(p); }
};

}  // namespace

bool ListDirectory(const std::string& dir, EntryFilter filter, std::vector<std::string>& names) {
  names.clear();
  DirHandle handle(opendir(dir.c_str()));
  if (!handle) return Noted(false, dir);
  errno = 0;
  while (const dirent* entry = readdir(handle.get())) {
    std::string name = entry->d_name;
    if (MatchesFilter(name, filter)) names.push_back(std::move(name));
  }
  if (errno != 0) {
    names.clear();
    return Noted(false, dir);
  }
  std::sort(names.begin(), names.end(), UpperLess);
  return Noted(true, dir);
}

// Something that is not a directory is reported as ENOTDIR, so the caller can say why.
bool IsDirectory(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return Noted(false, path);
  if (!S_ISDIR(st.st_mode)) errno = ENOTDIR;
  return Noted(S_ISDIR(st.st_mode), path);
}

bool MakeDirectory(const std::string& path) {
  return Noted(mkdir(path.c_str(), 0777) == 0, path);
}

// Only files and directories: a link to a device (such as /dev/full) never has its mode changed.
bool SetOwnerReadWrite(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return Noted(false, path);
  if (!(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))) {
    errno = EPERM;
    return Noted(false, path);
  }
  return Noted(chmod(path.c_str(), 0600) == 0, path);
}

bool GetIdentity(const std::string& path, FileIdentity& identity) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return Noted(false, path);
  identity.device = static_cast<std::uint64_t>(st.st_dev);
  identity.index = static_cast<std::uint64_t>(st.st_ino);
  return Noted(true, path);
}

// realpath() resolves every link, so the parents of its result are the directory's physical parents.
bool GetAncestry(const std::string& path, std::vector<Ancestor>& chain) {
  chain.clear();
  const std::unique_ptr<char, FreeDeleter> resolved(realpath(path.c_str(), nullptr));
  if (!resolved) return Noted(false, path);
  std::string dir = resolved.get();
  for (;;) {
    Ancestor ancestor{dir, {}};
    if (!GetIdentity(dir, ancestor.identity)) {
      chain.clear();
      return false;
    }
    chain.push_back(std::move(ancestor));
    if (dir == "/") break;
    const std::size_t slash = dir.rfind('/');
    dir = slash == 0 ? "/" : dir.substr(0, slash);
  }
  return Noted(true, path);
}

// Mozilla programs lock a profile with fcntl on ".parentlock"; a "lock" link "ADDRESS:+PID" beside it is
// informational (the '+'), while one without '+' is the lock itself of a program whose file system had no
// fcntl locks, and counts while its process lives. Nothing here creates or changes a file.
bool IsProfileLocked(const std::string& dir) {
  const int fd = open((dir + "/.parentlock").c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd >= 0) {
    struct flock probe;
    std::memset(&probe, 0, sizeof probe);
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    const bool held = fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    close(fd);
    if (held) return true;
  }
  char target[256];
  const ssize_t n = readlink((dir + "/lock").c_str(), target, sizeof target - 1);
  if (n <= 0) return false;
  const std::string link(target, static_cast<std::size_t>(n));
  const std::size_t colon = link.rfind(':');
  if (colon == std::string::npos || colon + 1 >= link.size() || link[colon + 1] == '+') return false;
  char* end = nullptr;
  const long pid = std::strtol(link.c_str() + colon + 1, &end, 10);
  if (pid <= 0 || *end != '\0') return false;
  return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

bool ReadEnvironment(const char* name, std::string& value) {
  const char* text = std::getenv(name);
  if (!text) return false;
  value = text;
  return true;
}

std::string ErrorText(int code) {
  if (code == 0) return std::string();
  return std::strerror(code);
}

void File::NoteFailure() const {
  platform::NoteFailure(errno, &path_);
}

// Only files (and directories, whose first read fails): a link to a device, a FIFO or a socket could
// block the open or never reach an end. O_NONBLOCK keeps the open of a FIFO from waiting for a writer; it
// stays set, as it changes nothing for the files and directories that pass.
File File::OpenRead(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    NoteOutcome(errno, path);
    return File();
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))) {
    close(fd);
    NoteOutcome(0, path);  // no error of the system's: the entry is no file
    return File();
  }
  NoteOutcome(0, path);
  File file(fd, path);
  file.sizeAtOpen_ = static_cast<std::int64_t>(st.st_size);
  return file;
}

File File::CreateNew(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  NoteOutcome(fd < 0 ? errno : 0, path);
  return File(fd, path);
}

File File::OpenReadWrite(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  NoteOutcome(fd < 0 ? errno : 0, path);
  return File(fd, path);
}

File File::OpenTruncated(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  NoteOutcome(fd < 0 ? errno : 0, path);
  return File(fd, path);
}

std::int64_t File::Read(void* buffer, std::size_t count) {
  if (fd_ < 0) return -1;
  for (;;) {
    const ssize_t n = read(fd_, buffer, count);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) NoteFailure();
    return n;
  }
}

std::int64_t File::Write(const void* buffer, std::size_t count) {
  if (fd_ < 0) return -1;
  for (;;) {
    const ssize_t n = write(fd_, buffer, count);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) NoteFailure();
    return n;
  }
}

std::int64_t File::Seek(std::int64_t offset, SeekOrigin origin) {
  if (fd_ < 0) return -1;
  const int whence = origin == SeekOrigin::kBegin     ? SEEK_SET
                     : origin == SeekOrigin::kCurrent ? SEEK_CUR
                                                      : SEEK_END;
  const off_t position = lseek(fd_, static_cast<off_t>(offset), whence);
  if (position < 0) NoteFailure();
  return position;
}

std::int64_t File::Size() const {
  struct stat st;
  if (fd_ < 0) return -1;
  if (fstat(fd_, &st) != 0) {
    NoteFailure();
    return -1;
  }
  return st.st_size;
}

bool File::Close() {
  if (fd_ < 0) return true;
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) == 0) return true;
  NoteFailure();
  return false;
}

}  // namespace boxferry::platform
