#include "platform/platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace boxferry::platform {
namespace {

namespace fs = std::filesystem;
using boxferry::test::TempDir;
using boxferry::test::WriteFile;
using Names = std::vector<std::string>;

TEST(ListDirectoryTest, KeepsMatchingNamesInNtfsOrder) {
  TempDir dir;
  for (const char* name : {"b.ALM", "A.alm", "a_.ALM", "Z.Alm", "x.ALM.bak", ".alm", "c.box", "Account2",
                           "account1", "ACCOUNTS", "MyAccount", "x.BOX", "box"}) {
    WriteFile(dir / name, "");
  }
  Names names;
  ASSERT_TRUE(ListDirectory(dir.str(), EntryFilter::kAlmFiles, names));
  // Upper-cased byte order: '.' (2E) < 'A' < 'B' < 'Z' < '_' (5F).
  EXPECT_EQ(names, (Names{".alm", "A.alm", "a_.ALM", "b.ALM", "Z.Alm"}));
  ASSERT_TRUE(ListDirectory(dir.str(), EntryFilter::kAccountDirs, names));
  EXPECT_EQ(names, (Names{"account1", "Account2", "ACCOUNTS"}));
  ASSERT_TRUE(ListDirectory(dir.str(), EntryFilter::kBoxDirs, names));
  EXPECT_EQ(names, (Names{"c.box", "x.BOX"}));
}

TEST(ListDirectoryTest, DotEntriesNeverMatchAndMissingDirectoryFails) {
  TempDir dir;
  Names names = {"stale"};
  ASSERT_TRUE(ListDirectory(dir.str(), EntryFilter::kAll, names));
  EXPECT_TRUE(names.empty());
  EXPECT_FALSE(ListDirectory((dir / "missing").string(), EntryFilter::kAll, names));
  EXPECT_FALSE(MatchesFilter(".", EntryFilter::kAll));
  EXPECT_FALSE(MatchesFilter("..", EntryFilter::kAll));
}

TEST(FileTest, CreateNewIsExclusiveOpenReadWriteKeepsAndOpenTruncatedEmpties) {
  TempDir dir;
  const std::string path = (dir / "f").string();
  File created = File::CreateNew(path);
  ASSERT_TRUE(created.IsOpen());
  ASSERT_TRUE(created.WriteAll("abc", 3));
  created.Close();
  EXPECT_FALSE(File::CreateNew(path).IsOpen());
  File again = File::OpenReadWrite(path);
  ASSERT_TRUE(again.IsOpen());
  EXPECT_EQ(again.Size(), 3);
  EXPECT_EQ(again.Seek(0, SeekOrigin::kEnd), 3);
  char buffer[4] = {};
  EXPECT_EQ(again.Seek(1, SeekOrigin::kBegin), 1);
  EXPECT_EQ(again.Read(buffer, sizeof buffer), 2);
  EXPECT_EQ(std::string(buffer, 2), "bc");
  EXPECT_EQ(again.Read(buffer, sizeof buffer), 0);
  again.Close();
  File emptied = File::OpenTruncated(path);
  ASSERT_TRUE(emptied.IsOpen());
  EXPECT_EQ(emptied.Size(), 0);
  emptied.Close();
  const std::string fresh = (dir / "g").string();
  EXPECT_TRUE(File::OpenTruncated(fresh).IsOpen());
  EXPECT_TRUE(fs::is_regular_file(fresh));
}

TEST(FileTest, OffsetsBeyondFourGibibytes) {
  TempDir dir;
  File file = File::CreateNew((dir / "sparse").string());
  ASSERT_TRUE(file.IsOpen());
  const std::int64_t far = (std::int64_t{5} << 30) + 7;
  ASSERT_EQ(file.Seek(far, SeekOrigin::kBegin), far);
  ASSERT_TRUE(file.WriteAll("x", 1));
  EXPECT_EQ(file.Size(), far + 1);
  EXPECT_EQ(file.Seek(0, SeekOrigin::kCurrent), far + 1);
}

TEST(FileTest, WritesToAFullDeviceFail) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  File full = File::OpenReadWrite("/dev/full");
  ASSERT_TRUE(full.IsOpen());
  EXPECT_FALSE(full.WriteAll("x", 1));
  EXPECT_FALSE(SetOwnerReadWrite("/dev/full"));  // a device's mode is never touched
}

#ifndef _WIN32
// A link that leaves the store may lead to a device or a FIFO: reading must neither block nor run on
// without end, so only files and directories open for reading (a directory fails at its first read).
TEST(FileTest, OpenReadRefusesDevicesAndFifos) {
  TempDir dir;
  const std::string fifo = (dir / "fifo.ALM").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(File::OpenRead(fifo).IsOpen());
  EXPECT_FALSE(File::OpenRead("/dev/zero").IsOpen());
  File directory = File::OpenRead(dir.str());
  if (directory.IsOpen()) {
    char byte;
    EXPECT_EQ(directory.Read(&byte, 1), -1);
  }
}
#endif

TEST(FileTest, MovedHandleClosesOnce) {
  TempDir dir;
  const int before = boxferry::test::OpenDescriptorCount();
  {
    File a = File::CreateNew((dir / "m").string());
    File b = std::move(a);
    EXPECT_FALSE(a.IsOpen());
    File c;
    c = std::move(b);
    EXPECT_TRUE(c.IsOpen());
  }
  EXPECT_EQ(boxferry::test::OpenDescriptorCount(), before);
}

// The size a message file had when it was opened is what its reader expects; a later size is not.
TEST(FileTest, SizeAtOpenIsTheSizeWhenOpenReadOpenedIt) {
  TempDir dir;
  const std::string path = (dir / "m").string();
  WriteFile(dir / "m", "12345");
  File read = File::OpenRead(path);
  File write = File::OpenReadWrite(path);
  ASSERT_TRUE(write.Seek(0, SeekOrigin::kEnd) == 5 && write.WriteAll("678", 3));
  EXPECT_EQ(read.SizeAtOpen(), 5);
  EXPECT_EQ(read.Size(), 8);
  EXPECT_EQ(write.SizeAtOpen(), -1);
  File moved = std::move(read);
  EXPECT_EQ(moved.SizeAtOpen(), 5);
  EXPECT_EQ(read.SizeAtOpen(), -1);
}

TEST(DirectoryTest, MakeDirectoryRefusesExistingAndIdentityFollowsLinks) {
  TempDir dir;
  const std::string sub = (dir / "sub").string();
  EXPECT_TRUE(MakeDirectory(sub));
  EXPECT_FALSE(MakeDirectory(sub));
  EXPECT_TRUE(IsDirectory(sub));
  WriteFile(dir / "file", "");
  EXPECT_FALSE(IsDirectory((dir / "file").string()));
  FileIdentity a, b, c;
  std::error_code linkError;
  fs::create_directory_symlink(sub, dir / "link", linkError);
  // Wine, and Windows without the privilege, make no symbolic links.
  if (linkError) GTEST_SKIP() << "no symbolic links here: " << linkError.message();
  ASSERT_TRUE(GetIdentity(sub, a));
  ASSERT_TRUE(GetIdentity((dir / "link").string(), b));
  ASSERT_TRUE(GetIdentity(dir.str(), c));
  EXPECT_EQ(a, b);
  EXPECT_FALSE(a == c);
}

}  // namespace
}  // namespace boxferry::platform
