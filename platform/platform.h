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

  bool IsOpen() const { return fd_ >= 0; }

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
  // Closes the file; false when the system reports an error. The handle is released either way.
  bool Close();

 private:
  explicit File(int fd) : fd_(fd) {}
  int fd_ = -1;
};

}  // namespace boxferry::platform
