// kMsgFileWriteFailed from a close that fails. A network file system (or FUSE, or a disk quota enforced by
// the server) may keep written bytes back and learn only at close that they cannot be stored; the run must
// then stop at that folder as for any failed write, never report success. Made real by a FUSE file system of
// our own that commits bytes at close against a quota (commit_on_close_fs.cpp).
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "faults/fault_fixture.h"

namespace boxferry::faults {
namespace {

using test::ReadFile;

// The file system mounted on `where`, its files kept in `backing`, while the object lives.
class CommitOnCloseMount {
 public:
  CommitOnCloseMount(const fs::path& backing, const fs::path& where, std::uint64_t quota) : where_(where) {
#ifdef BOXFERRY_COMMIT_ON_CLOSE_FS
    if (access("/dev/fuse", R_OK | W_OK) != 0) {
      error_ = "no usable /dev/fuse";
      return;
    }
    fs::create_directories(backing);
    fs::create_directories(where);
    struct stat before;
    stat(where.c_str(), &before);
    pid_ = fork();
    if (pid_ == 0) {
      const std::string quotaText = std::to_string(quota);
      execl(BOXFERRY_COMMIT_ON_CLOSE_FS, BOXFERRY_COMMIT_ON_CLOSE_FS, backing.c_str(), where.c_str(),
            quotaText.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    // Mounted when the mount point's device changes; a file system that cannot start ends instead.
    for (int i = 0; i < 500; ++i) {
      struct stat now;
      if (stat(where.c_str(), &now) == 0 && now.st_dev != before.st_dev) {
        mounted_ = true;
        return;
      }
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        error_ = "the FUSE file system could not be mounted";
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    error_ = "the FUSE file system did not appear";
#else
    (void)backing;
    (void)quota;
    error_ = "built without libfuse3";
#endif
  }
  ~CommitOnCloseMount() {
    if (mounted_) umount2(where_.c_str(), MNT_DETACH);
    if (pid_ > 0) {
      if (!mounted_) kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  CommitOnCloseMount(const CommitOnCloseMount&) = delete;
  CommitOnCloseMount& operator=(const CommitOnCloseMount&) = delete;
  bool mounted() const {
    return mounted_;
  }
  const std::string& error() const {
    return error_;
  }

 private:
  fs::path where_;
  pid_t pid_ = -1;
  bool mounted_ = false;
  std::string error_;
};

// Three accounts of one folder each; the quota holds the first folder's mbox and half of the second's.
TEST_F(FaultTest, FailedCloseOfTheMboxStopsWith108AtThatFolder) {
  Put("Account1/Account.ini", Ini("First"));
  Put("Account1/Inbox.box/1.ALM", Message("one"));
  Put("Account2/Account.ini", Ini("Second"));
  Put("Account2/Inbox.box/1.ALM", Message("two"));
  Put("Account3/Account.ini", Ini("Third"));
  Put("Account3/Inbox.box/1.ALM", Message("three"));
  const std::string first = MboxOf({Message("one")});
  const std::uint64_t quota = first.size() + MboxOf({Message("two")}).size() / 2;
  out_ = dir_ / "network";
  CommitOnCloseMount mount(dir_ / "backing", out_, quota);
  if (!mount.mounted()) GTEST_SKIP() << "cannot mount a FUSE file system here: " << mount.error();

  ExpectStoppedWith(Run(), kMsgFileWriteFailed);
  const fs::path second = out_ / "Second.sbd" / "郵便受け";
  EXPECT_EQ(monitor_.currentPath(), second.string());
  EXPECT_EQ(monitor_.failure().path, second.string());
  EXPECT_EQ(monitor_.failure().systemError, EDQUOT);
  EXPECT_EQ(ReadFile(out_ / "First.sbd" / "郵便受け"), first);
  EXPECT_EQ(ReadFile(second), "");  // the file system took its bytes back
  EXPECT_FALSE(fs::exists(out_ / "Third.sbd"));
  EXPECT_EQ(monitor_.accountCount(), 1);
  EXPECT_EQ(monitor_.fileCount(), 2);
}

}  // namespace
}  // namespace boxferry::faults
