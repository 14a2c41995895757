// The platform layer on Windows: wide Win32 and C runtime functions only, UTF-8 ⇄ UTF-16 at this boundary.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/last_error.h"
#include "platform/platform.h"
#include "platform/win32/wide_text.h"

namespace boxferry::platform {

namespace {

// A handle closed by `Close` on every way out, as the POSIX side closes its listings through unique_ptr:
// FindClose for a FindFirstFileW listing, CloseHandle for a CreateFileW handle.
template <BOOL(WINAPI* Close)(HANDLE)>
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) Close(handle_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};
using FindHandle = ScopedHandle<FindClose>;
using KernelHandle = ScopedHandle<CloseHandle>;

// Opens a file or directory for its attributes only, following links, without locking anybody out.
HANDLE OpenForQuery(const std::wstring& path) {
  return CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Records the outcome of a Win32 call on `path` and passes its result on.
bool Noted(bool ok, const std::string& path) {
  NoteOutcome(ok ? 0 : static_cast<int>(GetLastError()), path);
  return ok;
}

// The error of a C runtime call that failed: the system's code when the runtime had one (it is reset
// before each call), otherwise the runtime's own errno, negated.
int RuntimeError() {
  return _doserrno != 0 ? static_cast<int>(_doserrno) : -errno;
}

int OpenFile(const std::string& path, int flags) {
  const std::wstring wide = ToSystemPath(path);
  if (wide.empty()) {
    NoteOutcome(ERROR_INVALID_NAME, path);
    return -1;
  }
  _doserrno = 0;
  const int fd = _wopen(wide.c_str(), flags | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
  NoteOutcome(fd < 0 ? RuntimeError() : 0, path);
  return fd;
}

// \\?\C:\x -> C:\x, \\?\UNC\server\share -> \\server\share.
std::wstring WithoutLongPrefix(const std::wstring& path) {
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + path.substr(8);
  if (path.rfind(L"\\\\?\\", 0) == 0) return path.substr(4);
  return path;
}

// Length of the root of an absolute path: C:\ or \\server\share\.
std::size_t RootLength(const std::wstring& path) {
  if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return 3;
  if (path.rfind(L"\\\\", 0) == 0) {
    const std::size_t server = path.find(L'\\', 2);
    if (server == std::wstring::npos) return path.size();
    const std::size_t share = path.find(L'\\', server + 1);
    return share == std::wstring::npos ? path.size() : share + 1;
  }
  return 0;
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
  if (wide.empty()) {
    NoteOutcome(ERROR_INVALID_NAME, dir);
    return false;
  }

  // Wildcards would also match the 8.3 short names, so list everything and filter the long names here.
  WIN32_FIND_DATAW data;
  FindHandle find(FindFirstFileExW(wide.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
  if (find.get() == INVALID_HANDLE_VALUE) {
    // A drive's root holds no "." entry and may be empty.
    return Noted(GetLastError() == ERROR_FILE_NOT_FOUND, dir);
  }
  do {
    std::string name = Narrow(data.cFileName);
    if (MatchesFilter(name, filter)) names.push_back(std::move(name));
  } while (FindNextFileW(find.get(), &data));
  if (GetLastError() != ERROR_NO_MORE_FILES) {
    names.clear();
    return Noted(false, dir);
  }
  NoteOutcome(0, dir);
  return true;
}

// Something that is not a directory is reported as ERROR_DIRECTORY, so the caller can say why.
bool IsDirectory(const std::string& path) {
  const std::wstring wide = ToSystemPath(path);
  if (wide.empty()) {
    NoteOutcome(ERROR_INVALID_NAME, path);
    return false;
  }
  DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Noted(false, path);
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    // A symbolic link or junction: what counts is its target.
    KernelHandle handle(OpenForQuery(wide));
    if (handle.get() == INVALID_HANDLE_VALUE) return Noted(false, path);
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle.get(), &info)) return Noted(false, path);
    attributes = info.dwFileAttributes;
  }
  const bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  NoteOutcome(directory ? 0 : ERROR_DIRECTORY, path);
  return directory;
}

bool MakeDirectory(const std::string& path) {
  const std::wstring wide = ToSystemPath(path);
  if (wide.empty()) {
    NoteOutcome(ERROR_INVALID_NAME, path);
    return false;
  }
  return Noted(CreateDirectoryW(wide.c_str(), nullptr) != 0, path);
}

bool SetOwnerReadWrite(const std::string& path) {
  const std::wstring wide = ToSystemPath(path);
  if (wide.empty()) {
    NoteOutcome(ERROR_INVALID_NAME, path);
    return false;
  }
  _doserrno = 0;
  const bool ok = _wchmod(wide.c_str(), _S_IREAD | _S_IWRITE) == 0;
  NoteOutcome(ok ? 0 : RuntimeError(), path);
  return ok;
}

bool GetIdentity(const std::string& path, FileIdentity& identity) {
  const std::wstring wide = ToSystemPath(path);
  if (wide.empty()) {
    NoteOutcome(ERROR_INVALID_NAME, path);
    return false;
  }
  KernelHandle handle(OpenForQuery(wide));
  if (handle.get() == INVALID_HANDLE_VALUE) return Noted(false, path);
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle.get(), &info)) return Noted(false, path);
  identity.device = info.dwVolumeSerialNumber;
  identity.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return Noted(true, path);
}

// Windows resolves ".." by the spelling, so the directory's own parents are those of its final path,
// which has every link and junction resolved.
bool GetAncestry(const std::string& path, std::vector<Ancestor>& chain) {
  chain.clear();
  const std::wstring wide = ToSystemPath(path);
  if (wide.empty()) {
    NoteOutcome(ERROR_INVALID_NAME, path);
    return false;
  }
  std::wstring resolved;
  {
    KernelHandle handle(OpenForQuery(wide));
    if (handle.get() == INVALID_HANDLE_VALUE) return Noted(false, path);
    const DWORD needed = GetFinalPathNameByHandleW(handle.get(), nullptr, 0, FILE_NAME_NORMALIZED);
    if (needed == 0) return Noted(false, path);
    resolved.resize(needed);
    const DWORD length =
        GetFinalPathNameByHandleW(handle.get(), resolved.data(), needed, FILE_NAME_NORMALIZED);
    if (length == 0 || length >= needed) return Noted(false, path);
    resolved.resize(length);
  }
  std::wstring dir = WithoutLongPrefix(resolved);
  const std::size_t root = RootLength(dir);
  if (root == 0) {
    NoteOutcome(ERROR_BAD_PATHNAME, path);
    return false;
  }
  while (dir.size() > root && dir.back() == L'\\') dir.pop_back();
  for (;;) {
    Ancestor ancestor{Narrow(dir), {}};
    if (!GetIdentity(ancestor.path, ancestor.identity)) {
      chain.clear();
      return false;
    }
    chain.push_back(std::move(ancestor));
    if (dir.size() <= root) break;
    const std::size_t slash = dir.rfind(L'\\');
    dir = slash == std::wstring::npos || slash < root ? dir.substr(0, root) : dir.substr(0, slash);
  }
  NoteOutcome(0, path);
  return true;
}

// A running Mozilla program holds "parent.lock" open without sharing; one that ended leaves at most the
// file, which opens then.
bool IsProfileLocked(const std::string& dir) {
  const std::wstring wide = ToSystemPath(dir + "\\parent.lock");
  if (wide.empty()) return false;
  KernelHandle handle(CreateFileW(wide.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return handle.get() == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION;
}

bool ReadEnvironment(const char* name, std::string& value) {
  const std::wstring wideName = Widen(name);
  const DWORD needed = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (needed == 0) return false;
  std::wstring wide(needed, L'\0');
  const DWORD length = GetEnvironmentVariableW(wideName.c_str(), wide.data(), needed);
  if (length == 0 || length >= needed) return false;
  wide.resize(length);
  value = Narrow(wide);
  return true;
}

std::string ErrorText(int code) {
  if (code == 0) return std::string();
  std::string text;
  if (code < 0) {
    text = std::strerror(-code);
  } else {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length > 0 && buffer) text = Narrow(std::wstring(buffer, length));
    if (buffer) LocalFree(buffer);
    if (text.empty()) text = "error " + std::to_string(code);
  }
  while (!text.empty() &&
         (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
    text.pop_back();
  if (text.ends_with("\u3002")) text.resize(text.size() - 3);  // the Japanese full stop
  return text;
}

void File::NoteFailure() const {
  platform::NoteFailure(RuntimeError(), &path_);
}

// Only files on a disk: a device name or a pipe could block or never reach an end.
File File::OpenRead(const std::string& path) {
  const int fd = OpenFile(path, _O_RDONLY);
  if (fd >= 0 && GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(fd))) != FILE_TYPE_DISK) {
    _close(fd);
    return File();  // no error of the system's: the entry is no file on a disk
  }
  File file(fd, path);
  file.sizeAtOpen_ = file.Size();
  return file;
}

File File::CreateNew(const std::string& path) {
  return File(OpenFile(path, _O_RDWR | _O_CREAT | _O_EXCL), path);
}

File File::OpenReadWrite(const std::string& path) {
  return File(OpenFile(path, _O_RDWR | _O_CREAT), path);
}

File File::OpenTruncated(const std::string& path) {
  return File(OpenFile(path, _O_RDWR | _O_CREAT | _O_TRUNC), path);
}

std::int64_t File::Read(void* buffer, std::size_t count) {
  if (fd_ < 0) return -1;
  const unsigned chunk = static_cast<unsigned>(std::min(count, kMaxChunk));
  _doserrno = 0;
  const int n = _read(fd_, buffer, chunk);
  if (n < 0) NoteFailure();
  return n;
}

std::int64_t File::Write(const void* buffer, std::size_t count) {
  if (fd_ < 0) return -1;
  const unsigned chunk = static_cast<unsigned>(std::min(count, kMaxChunk));
  _doserrno = 0;
  const int n = _write(fd_, buffer, chunk);
  if (n < 0) NoteFailure();
  return n;
}

std::int64_t File::Seek(std::int64_t offset, SeekOrigin origin) {
  if (fd_ < 0) return -1;
  const int whence = origin == SeekOrigin::kBegin     ? SEEK_SET
                     : origin == SeekOrigin::kCurrent ? SEEK_CUR
                                                      : SEEK_END;
  _doserrno = 0;
  const std::int64_t position = _lseeki64(fd_, offset, whence);
  if (position < 0) NoteFailure();
  return position;
}

std::int64_t File::Size() const {
  if (fd_ < 0) return -1;
  _doserrno = 0;
  const std::int64_t size = _filelengthi64(fd_);
  if (size < 0) NoteFailure();
  return size;
}

bool File::Close() {
  if (fd_ < 0) return true;
  _doserrno = 0;
  const int result = _close(fd_);
  fd_ = -1;
  if (result == 0) return true;
  NoteFailure();
  return false;
}

}  // namespace boxferry::platform
