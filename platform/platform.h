// The few operating-system services the converter needs. Every path and name is UTF-8; the Windows
// implementation converts to UTF-16 at this boundary and calls only wide functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace boxferry::platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Which entries a directory listing keeps. Names are compared without regard to ASCII letter case;
// "." and ".." never match.
enum class EntryFilter {
  kAccountDirs,  // names that begin with "account"
  kBoxDirs,      // names that end in ".box"
  kAlmFiles,     // names that end in ".alm"
  kAll,          // every name except "." and ".."
};

bool MatchesFilter(const std::string& name, EntryFilter filter);

// Fills `names` with the matching entries of `dir` (names only, no paths). On POSIX the names are sorted
// byte-wise after ASCII upper-casing (the order NTFS gives); on Windows they keep the order the system
// yields. Returns false when the directory cannot be listed; `names` is then empty.
bool ListDirectory(const std::string& dir, EntryFilter filter, std::vector<std::string>& names);

// True when `path` names a directory (symbolic links followed).
bool IsDirectory(const std::string& path);

// Creates a new directory; false when it exists already or cannot be made.
bool MakeDirectory(const std::string& path);

// Sets owner read and write permission (0600), which also clears a read-only attribute.
bool SetOwnerReadWrite(const std::string& path);

// Identity of a directory, to recognise the same directory reached along another path (link loops).
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t index = 0;
  bool operator==(const FileIdentity&) const = default;
};
bool GetIdentity(const std::string& path, FileIdentity& identity);

// A directory and its identity.
struct Ancestor {
  std::string path;
  FileIdentity identity;
};
// The existing directory `path` and every directory above it up to the root, nearest first. Links are
// resolved first, so these are the directory's own parents as the system resolves "..", not the parents
// of the spelling: the paths are absolute and free of links. False when `path` cannot be resolved.
bool GetAncestry(const std::string& path, std::vector<Ancestor>& chain);

// True when a running Thunderbird (or any Mozilla program) holds the profile in directory `dir`: an fcntl
// lock on ".parentlock", or a "lock" link left by a program that could not take that lock and names a live
// process; on Windows "parent.lock" held open. A lock left behind by a program that ended is no lock.
bool IsProfileLocked(const std::string& dir);

// The value of environment variable `name` (UTF-8); false when it is not set.
bool ReadEnvironment(const char* name, std::string& value);

// What the system said about the last call of this layer, as errno does: LastErrorCode() is 0 when the
// last call that takes a path succeeded, otherwise the system's error number of the last call that failed
// (errno; on Windows GetLastError(), or the negated errno of a C runtime failure). LastErrorPath() is the
// path of that failed call. Calls on an open File set both only when they fail. The converter runs on one
// thread; the record is not meant to be shared between threads.
int LastErrorCode();
const std::string& LastErrorPath();
// The system's description of an error number from LastErrorCode(), UTF-8, without a final full stop or
// line end; empty for 0.
std::string ErrorText(int code);

enum class SeekOrigin { kBegin, kCurrent, kEnd };

// A low-level file handle with 64-bit offsets. Move-only; closes on destruction.
class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Read-only, binary, other programs not locked out.
  static File OpenRead(const std::string& path);
  // Binary, read and write, created new: fails when the file exists.
  static File CreateNew(const std::string& path);
  // Binary, read and write, created when missing; an existing file is opened as found.
  static File OpenReadWrite(const std::string& path);
  // Binary, read and write, created when missing; an existing file is emptied.
  static File OpenTruncated(const std::string& path);

  bool IsOpen() const { return fd_ >= 0; }
  // The path the file was opened by.
  const std::string& path() const { return path_; }

  // Bytes read; 0 at end of file; -1 on error.
  std::int64_t Read(void* buffer, std::size_t count);
  // Bytes written, possibly fewer than asked; -1 on error.
  std::int64_t Write(const void* buffer, std::size_t count);
  // Writes everything, continuing short writes. False on an error or a write that makes no progress.
  bool WriteAll(const void* buffer, std::size_t count);
  // New position, or -1.
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin);
  // Size in bytes, or -1.
  std::int64_t Size() const;
  // The size a file opened by OpenRead had then (without asking the system again); -1 otherwise.
  std::int64_t SizeAtOpen() const { return sizeAtOpen_; }
  // Closes the file; false when the system reports an error. The handle is released either way.
  bool Close();

 private:
  File(int fd, const std::string& path) : fd_(fd), path_(fd >= 0 ? path : std::string()) {}
  // Records a failed call on this file for LastErrorCode().
  void NoteFailure() const;
  int fd_ = -1;
  std::string path_;
  std::int64_t sizeAtOpen_ = -1;
};

}  // namespace boxferry::platform
