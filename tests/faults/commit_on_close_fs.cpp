// A FUSE file system that behaves like a network file system with a quota: written bytes count against
// the quota only when the file is closed, and a close that would take the total over the quota fails with
// EDQUOT and takes the bytes of that file back (truncating it to its size when it was opened).
//
//   commit_on_close_fs BACKING MOUNTPOINT QUOTA_BYTES
//
// Everything else passes through to the directory BACKING. Runs in the foreground, single-threaded, until
// the mount point is unmounted.
#define FUSE_USE_VERSION 31
#include <dirent.h>
#include <fcntl.h>
#include <fuse.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <string>

namespace {

struct Pending {
  off_t sizeAtOpen = 0;
  std::uint64_t written = 0;
};

std::string g_backing;
std::uint64_t g_quota = 0;
std::uint64_t g_committed = 0;
std::map<std::uint64_t, Pending> g_open;  // by backing descriptor

std::string Real(const char* path) {
  return g_backing + path;
}

int Result(int r) {
  return r < 0 ? -errno : r;
}

int GetAttr(const char* path, struct stat* st, fuse_file_info*) {
  return Result(lstat(Real(path).c_str(), st));
}

int ReadDir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
            fuse_readdir_flags) {
  DIR* dir = opendir(Real(path).c_str());
  if (!dir) return -errno;
  while (const dirent* entry = readdir(dir)) fill(buffer, entry->d_name, nullptr, 0, fuse_fill_dir_flags());
  closedir(dir);
  return 0;
}

int MakeDir(const char* path, mode_t mode) {
  return Result(mkdir(Real(path).c_str(), mode));
}

int Remove(const char* path) {
  return Result(unlink(Real(path).c_str()));
}

int RemoveDir(const char* path) {
  return Result(rmdir(Real(path).c_str()));
}

int Chmod(const char* path, mode_t mode, fuse_file_info*) {
  return Result(chmod(Real(path).c_str(), mode));
}

int Truncate(const char* path, off_t size, fuse_file_info*) {
  return Result(truncate(Real(path).c_str(), size));
}

int Utimens(const char* path, const timespec times[2], fuse_file_info*) {
  return Result(utimensat(AT_FDCWD, Real(path).c_str(), times, AT_SYMLINK_NOFOLLOW));
}

int Track(int fd, fuse_file_info* fi) {
  if (fd < 0) return -errno;
  struct stat st;
  fstat(fd, &st);
  fi->fh = static_cast<std::uint64_t>(fd);
  fi->direct_io = 1;  // every write reaches us, none is held in the kernel's cache
  g_open[fi->fh] = Pending{st.st_size, 0};
  return 0;
}

int Create(const char* path, mode_t mode, fuse_file_info* fi) {
  return Track(open(Real(path).c_str(), fi->flags, mode), fi);
}

int Open(const char* path, fuse_file_info* fi) {
  return Track(open(Real(path).c_str(), fi->flags), fi);
}

int Read(const char*, char* buffer, size_t size, off_t offset, fuse_file_info* fi) {
  return Result(static_cast<int>(pread(static_cast<int>(fi->fh), buffer, size, offset)));
}

int Write(const char*, const char* buffer, size_t size, off_t offset, fuse_file_info* fi) {
  const ssize_t n = pwrite(static_cast<int>(fi->fh), buffer, size, offset);
  if (n < 0) return -errno;
  g_open[fi->fh].written += static_cast<std::uint64_t>(n);
  return static_cast<int>(n);
}

// Called for every close() of a descriptor: this is where the bytes are committed, or refused.
int Flush(const char*, fuse_file_info* fi) {
  Pending& pending = g_open[fi->fh];
  const int fd = static_cast<int>(fi->fh);
  if (g_committed + pending.written > g_quota) {
    if (ftruncate(fd, pending.sizeAtOpen) != 0) return -errno;
    pending.written = 0;
    return -EDQUOT;
  }
  g_committed += pending.written;
  pending.written = 0;
  struct stat st;
  if (fstat(fd, &st) == 0) pending.sizeAtOpen = st.st_size;
  return 0;
}

int Release(const char*, fuse_file_info* fi) {
  g_open.erase(fi->fh);
  close(static_cast<int>(fi->fh));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  g_backing = argv[1];
  g_quota = std::strtoull(argv[3], nullptr, 10);
  fuse_operations ops{};
  ops.getattr = GetAttr;
  ops.readdir = ReadDir;
  ops.mkdir = MakeDir;
  ops.unlink = Remove;
  ops.rmdir = RemoveDir;
  ops.chmod = Chmod;
  ops.truncate = Truncate;
  ops.utimens = Utimens;
  ops.create = Create;
  ops.open = Open;
  ops.read = Read;
  ops.write = Write;
  ops.flush = Flush;
  ops.release = Release;
  char program[] = "commit_on_close_fs";
  char foreground[] = "-f";
  char single[] = "-s";
  char* args[] = {program, foreground, single, argv[2], nullptr};
  return fuse_main(4, args, &ops, nullptr);
}
