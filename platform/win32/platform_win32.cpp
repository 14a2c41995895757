// The platform layer on Windows: wide Win32 and C runtime functions only, UTF-8 ⇄ UTF-16 at this boundary.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <climits>

#include "platform/platform.h"
#include "platform/win32/wide_text.h"

namespace boxferry::platform {

namespace {

// Closes a FindFirstFileW listing on every way out.
class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  ~FindHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// Closes a CreateFileW handle on every way out.
class KernelHandle {
 public:
  explicit KernelHandle(HANDLE handle) : handle_(handle) {}
  ~KernelHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  KernelHandle(const KernelHandle&) = delete;
  KernelHandle& operator=(const KernelHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// Opens a file or directory for its attributes only, following links, without locking anybody out.
HANDLE OpenForQuery(const std::wstring& path) {
  return CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

int OpenFile(const std::string& path, int flags) {
  const std::wstring wide = ToSystemPath(path);
  if (wide.empty()) return -1;
  return _wopen(wide.c_str(), flags | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

// The C runtime counts bytes in an unsigned int; larger requests go in pieces of this size.
constexpr std::size_t kMaxChunk = 1u << 30;

}  // namespace

bool ListDirectory(const std::string& dir, EntryFilter filter, std::vector<std::string>& names) {
  names.clear();
  std::string pattern = dir;
  if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
  pattern += '*';
  const std::wstring wide = ToSystemPath(pattern);
  if (wide.empty()) return false;

  // Wildcards would also match the 8.3 short names, so list everything and filter the long names here.
  WIN32_FIND_DATAW data;
  FindHandle find(FindFirstFileExW(wide.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
  if (find.get() == INVALID_HANDLE_VALUE) {
    // A drive's root holds no "." entry and may be empty.
    return GetLastError() == ERROR_FILE_NOT_FOUND;
  }
  do {
    std::string name = Narrow(data.cFileName);
    if (MatchesFilter(name, filter)) names.push_back(std::move(name));
  } while (FindNextFileW(find.get(), &data));
  if (GetLastError() != ERROR_NO_MORE_FILES) {
    names.clear();
    return false;
  }
  return true;
}

bool IsDirectory(const std::string& path) {
  const std::wstring wide = ToSystemPath(path);
  if (wide.empty()) return false;
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  // A symbolic link or junction: what counts is its target.
  KernelHandle handle(OpenForQuery(wide));
  if (handle.get() == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle.get(), &info)) return false;
  return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool MakeDirectory(const std::string& path) {
  const std::wstring wide = ToSystemPath(path);
  return !wide.empty() && CreateDirectoryW(wide.c_str(), nullptr) != 0;
}

bool SetOwnerReadWrite(const std::string& path) {
  const std::wstring wide = ToSystemPath(path);
  return !wide.empty() && _wchmod(wide.c_str(), _S_IREAD | _S_IWRITE) == 0;
}

bool GetIdentity(const std::string& path, FileIdentity& identity) {
  const std::wstring wide = ToSystemPath(path);
  if (wide.empty()) return false;
  KernelHandle handle(OpenForQuery(wide));
  if (handle.get() == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle.get(), &info)) return false;
  identity.device = info.dwVolumeSerialNumber;
  identity.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

// Only files on a disk: a device name or a pipe could block or never reach an end.
File File::OpenRead(const std::string& path) {
  const int fd = OpenFile(path, _O_RDONLY);
  if (fd >= 0 && GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(fd))) != FILE_TYPE_DISK) {
    _close(fd);
    return File();
  }
  return File(fd);
}

File File::CreateNew(const std::string& path) {
  return File(OpenFile(path, _O_RDWR | _O_CREAT | _O_EXCL));
}

File File::OpenReadWrite(const std::string& path) {
  return File(OpenFile(path, _O_RDWR | _O_CREAT));
}

std::int64_t File::Read(void* buffer, std::size_t count) {
  if (fd_ < 0) return -1;
  const unsigned chunk = static_cast<unsigned>(std::min(count, kMaxChunk));
  return _read(fd_, buffer, chunk);
}

std::int64_t File::Write(const void* buffer, std::size_t count) {
  if (fd_ < 0) return -1;
  const unsigned chunk = static_cast<unsigned>(std::min(count, kMaxChunk));
  return _write(fd_, buffer, chunk);
}

std::int64_t File::Seek(std::int64_t offset, SeekOrigin origin) {
  if (fd_ < 0) return -1;
  const int whence = origin == SeekOrigin::kBegin     ? SEEK_SET
                     : origin == SeekOrigin::kCurrent ? SEEK_CUR
                                                      : SEEK_END;
  return _lseeki64(fd_, offset, whence);
}

std::int64_t File::Size() const {
  if (fd_ < 0) return -1;
  return _filelengthi64(fd_);
}

bool File::Close() {
  if (fd_ < 0) return true;
  const int result = _close(fd_);
  fd_ = -1;
  return result == 0;
}

}  // namespace boxferry::platform
