// The platform calls that judge folders by identity and probe Thunderbird's profile lock, and the record of
// the system's reason for a failed call.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/wide_text.h"
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace boxferry::platform {
namespace {

namespace fs = std::filesystem;
using boxferry::test::TempDir;
using boxferry::test::WriteFile;

std::vector<FileIdentity> Identities(const std::vector<Ancestor>& chain) {
  std::vector<FileIdentity> ids;
  for (const Ancestor& a : chain) ids.push_back(a.identity);
  return ids;
}

FileIdentity IdentityOf(const fs::path& path) {
  FileIdentity id;
  EXPECT_TRUE(GetIdentity(path.string(), id)) << path;
  return id;
}

TEST(AncestryTest, RunsFromTheFolderUpToTheRootWhateverTheSpelling) {
  TempDir dir;
  fs::create_directories(dir / "a" / "b" / "c");
  fs::create_directories(dir / "a" / "x");
  const std::vector<FileIdentity> expected = {IdentityOf(dir / "a" / "b" / "c"), IdentityOf(dir / "a" / "b"),
                                              IdentityOf(dir / "a"), IdentityOf(dir.path())};
  const std::string sep(1, kPathSeparator);
  for (const std::string& spelling :
       {(dir / "a" / "b" / "c").string(), (dir / "a" / "b" / "c").string() + sep,
        (dir / "a" / "b" / "c").string() + sep + ".",
        (dir / "a" / "x").string() + sep + ".." + sep + "b" + sep + "c"}) {
    std::vector<Ancestor> chain;
    ASSERT_TRUE(GetAncestry(spelling, chain)) << spelling;
    const std::vector<FileIdentity> ids = Identities(chain);
    ASSERT_GT(ids.size(), expected.size()) << spelling;
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), ids.begin())) << spelling;
    // The last one is the root: its own parent.
    std::vector<Ancestor> root;
    ASSERT_TRUE(GetAncestry(chain.back().path, root));
    EXPECT_EQ(root.size(), 1u) << chain.back().path;
  }
  std::vector<Ancestor> chain = {{"stale", {}}};
  EXPECT_FALSE(GetAncestry((dir / "missing").string(), chain));
  EXPECT_TRUE(chain.empty());
}

// A link's parents are those of the folder it leads to, as the system resolves "..".
TEST(AncestryTest, FollowsLinksToTheFolderTheyLeadTo) {
  TempDir dir;
  fs::create_directories(dir / "store" / "Account1");
  std::error_code linkError;
  fs::create_directory_symlink(dir / "store" / "Account1", dir / "link", linkError);
  if (linkError) GTEST_SKIP() << "no symbolic links here: " << linkError.message();
  std::vector<Ancestor> chain;
  ASSERT_TRUE(GetAncestry((dir / "link").string(), chain));
  ASSERT_GE(chain.size(), 3u);
  EXPECT_EQ(chain[0].identity, IdentityOf(dir / "store" / "Account1"));
  EXPECT_EQ(chain[1].identity, IdentityOf(dir / "store"));
  EXPECT_EQ(fs::path(chain[1].path), fs::canonical(dir / "store"));
}

// The system's reason of the last failed call, and the path it concerned; a later call that succeeds
// leaves no reason behind.
TEST(LastErrorTest, NamesThePathAndTheReasonOfTheCallThatFailed) {
  TempDir dir;
  WriteFile(dir / "file", "x");
  fs::create_directories(dir / "sub");
  std::vector<std::string> names;
  FileIdentity id;
  const struct {
    const char* what;
    fs::path path;
    bool (*call)(const std::string&);
  } cases[] = {
      {"listing a missing folder", dir / "missing",
       [](const std::string& p) {
         std::vector<std::string> n;
         return ListDirectory(p, EntryFilter::kAll, n);
       }},
      {"a file taken for a folder", dir / "file", [](const std::string& p) { return IsDirectory(p); }},
      {"making a folder that exists", dir / "sub", [](const std::string& p) { return MakeDirectory(p); }},
      {"opening a missing file", dir / "missing",
       [](const std::string& p) { return File::OpenRead(p).IsOpen(); }},
      {"creating a file that exists", dir / "file",
       [](const std::string& p) { return File::CreateNew(p).IsOpen(); }},
      {"the identity of a missing entry", dir / "missing",
       [](const std::string& p) {
         FileIdentity i;
         return GetIdentity(p, i);
       }},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(GetIdentity(dir.str(), id));
    EXPECT_EQ(LastErrorCode(), 0);
    EXPECT_FALSE(c.call(c.path.string())) << c.what;
    EXPECT_NE(LastErrorCode(), 0) << c.what;
    EXPECT_EQ(LastErrorPath(), c.path.string()) << c.what;
    EXPECT_FALSE(ErrorText(LastErrorCode()).empty()) << c.what;
  }
  EXPECT_TRUE(ListDirectory(dir.str(), EntryFilter::kAll, names));
  EXPECT_EQ(LastErrorCode(), 0);
  EXPECT_EQ(ErrorText(0), "");
}

#ifndef _WIN32
TEST(LastErrorTest, AFullDiskIsNamedWithTheFileWritten) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  File full = File::OpenReadWrite("/dev/full");
  ASSERT_TRUE(full.IsOpen());
  EXPECT_FALSE(full.WriteAll("x", 1));
  EXPECT_EQ(LastErrorCode(), ENOSPC);
  EXPECT_EQ(LastErrorPath(), "/dev/full");
  EXPECT_EQ(ErrorText(ENOSPC), std::strerror(ENOSPC));
}

// A child process that holds an fcntl lock on `file` until it is killed (a process never sees its own
// fcntl locks as held by someone else).
class LockHolder {
 public:
  explicit LockHolder(const fs::path& file) {
    int ready[2];
    EXPECT_EQ(pipe(ready), 0);
    pid_ = fork();
    if (pid_ == 0) {
      const int fd = open(file.c_str(), O_RDWR | O_CREAT, 0644);
      struct flock lock = {};
      lock.l_type = F_WRLCK;
      lock.l_whence = SEEK_SET;
      const char ok = (fd >= 0 && fcntl(fd, F_SETLK, &lock) == 0) ? 1 : 0;
      (void)!write(ready[1], &ok, 1);
      for (;;) pause();
    }
    char ok = 0;
    EXPECT_EQ(read(ready[0], &ok, 1), 1);
    EXPECT_EQ(ok, 1);
    close(ready[0]);
    close(ready[1]);
  }
  ~LockHolder() { Release(); }
  void Release() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;

 private:
  pid_t pid_ = -1;
};

TEST(ProfileLockTest, AnFcntlLockOnParentlockIsHeldUntilItsProcessEnds) {
  TempDir profile;
  EXPECT_FALSE(IsProfileLocked(profile.str()));
  LockHolder holder(profile / ".parentlock");
  EXPECT_TRUE(IsProfileLocked(profile.str()));
  holder.Release();
  EXPECT_TRUE(fs::exists(profile / ".parentlock"));  // what a crash leaves behind is no lock
  EXPECT_FALSE(IsProfileLocked(profile.str()));
}

TEST(ProfileLockTest, ALockLinkCountsOnlyWithoutPlusAndWhileItsProcessLives) {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);  // a process that has ended
  const std::string self = std::to_string(getpid());
  const struct {
    const char* target;
    bool locked;
  } cases[] = {
      {"", false},                 // no link at all
      {"127.0.0.1:+SELF", false},  // beside an fcntl lock: only informational
      {"127.0.0.1:SELF", true},
      {"127.0.0.1:DEAD", false},
      {"garbage", false},
      {"127.0.0.1:", false},
  };
  for (const auto& c : cases) {
    TempDir profile;
    std::string target = c.target;
    if (const auto at = target.find("SELF"); at != std::string::npos) target.replace(at, 4, self);
    if (const auto at = target.find("DEAD"); at != std::string::npos)
      target.replace(at, 4, std::to_string(child));
    if (!target.empty()) {
      ASSERT_EQ(symlink(target.c_str(), (profile / "lock").c_str()), 0);
    }
    EXPECT_EQ(IsProfileLocked(profile.str()), c.locked) << target;
  }
}

TEST(EnvironmentTest, ReadsUtf8ValuesAndTellsUnsetFromEmpty) {
  setenv("BOXFERRY_TEST_VALUE", "/home/山田/.thunderbird", 1);
  unsetenv("BOXFERRY_TEST_UNSET");
  std::string value = "stale";
  EXPECT_TRUE(ReadEnvironment("BOXFERRY_TEST_VALUE", value));
  EXPECT_EQ(value, "/home/山田/.thunderbird");
  EXPECT_FALSE(ReadEnvironment("BOXFERRY_TEST_UNSET", value));
  unsetenv("BOXFERRY_TEST_VALUE");
}
#else
TEST(ProfileLockTest, ParentLockHeldOpenWithoutSharingIsALock) {
  TempDir profile;
  EXPECT_FALSE(IsProfileLocked(profile.str()));
  const std::wstring lock = ToSystemPath((profile / "parent.lock").string());
  HANDLE held = CreateFileW(lock.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(IsProfileLocked(profile.str()));
  CloseHandle(held);
  EXPECT_FALSE(IsProfileLocked(profile.str()));  // left behind after a crash: no lock
}

TEST(EnvironmentTest, ReadsUtf8ValuesAndTellsUnsetFromEmpty) {
  SetEnvironmentVariableW(L"BOXFERRY_TEST_VALUE", L"C:\\Users\\\u5c71\u7530\\AppData\\Roaming");
  SetEnvironmentVariableW(L"BOXFERRY_TEST_UNSET", nullptr);
  std::string value = "stale";
  EXPECT_TRUE(ReadEnvironment("BOXFERRY_TEST_VALUE", value));
  EXPECT_EQ(value, "C:\\Users\\山田\\AppData\\Roaming");
  EXPECT_FALSE(ReadEnvironment("BOXFERRY_TEST_UNSET", value));
  SetEnvironmentVariableW(L"BOXFERRY_TEST_VALUE", nullptr);
}
#endif

}  // namespace
}  // namespace boxferry::platform
