// The Win32 platform layer against a real (or Wine's) file system: Unicode names through the wide
// functions, the name rules applied to long names, paths beyond the classic 260-character limit, 64-bit
// offsets, binary I/O, permissions and directory identity.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/wide_text.h"

namespace boxferry::platform {
namespace {

class Win32PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1];
    ASSERT_NE(GetTempPathW(MAX_PATH + 1, temp), 0u);
    const std::wstring name =
        L"boxferry-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount64());
    root_ = std::filesystem::path(temp) / name;
    ASSERT_TRUE(std::filesystem::create_directories(root_));
    rootUtf8_ = Narrow(root_.wstring());
  }
  void TearDown() override {
    std::error_code ignored;
    // Read-only files would stop the clean-up.
    for (auto it = std::filesystem::recursive_directory_iterator(root_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
      SetFileAttributesW(ToSystemPath(Narrow(it->path().wstring())).c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    std::filesystem::remove_all(std::filesystem::path(ToSystemPath(rootUtf8_)), ignored);
  }

  std::string Path(const std::string& relative) const { return rootUtf8_ + "\\" + relative; }

  static bool WriteFile(const std::string& path, const std::string& bytes) {
    File file = File::CreateNew(path);
    return file.IsOpen() && file.WriteAll(bytes.data(), bytes.size()) && file.Close();
  }

  static std::string ReadFile(const std::string& path) {
    File file = File::OpenRead(path);
    std::string bytes;
    char buffer[4096];
    for (std::int64_t n; file.IsOpen() && (n = file.Read(buffer, sizeof buffer)) > 0;) {
      bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
  }

  static std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
  }

  std::filesystem::path root_;
  std::string rootUtf8_;
};

TEST(WideTextTest, RoundTripsEveryPlane) {
  const std::string text = "Account 日本語 ｱｲｳ 𠮷 ①";  // BMP, half-width kana, a surrogate pair, NEC row 13
  const std::wstring wide = Widen(text);
  EXPECT_EQ(wide, L"Account 日本語 ｱｲｳ \U00020BB7 ①");
  EXPECT_EQ(Narrow(wide), text);
  EXPECT_EQ(Widen(""), L"");
  EXPECT_EQ(Narrow(std::wstring()), "");
  EXPECT_EQ(Narrow(static_cast<const wchar_t*>(nullptr)), "");
}

TEST(WideTextTest, IllFormedInputBecomesReplacementCharacter) {
  EXPECT_EQ(Widen("a\xff"
                  "b"),
            L"a\uFFFDb");
  EXPECT_EQ(Narrow(std::wstring(L"a") + wchar_t(0xD800) + L"b"),
            "a\xEF\xBF\xBD"
            "b");
}

TEST(WideTextTest, OnlyLongPathsGetThePrefix) {
  EXPECT_EQ(ToSystemPath("C:\\short\\path"), L"C:\\short\\path");
  const std::string longPath = "C:\\" + std::string(300, 'a') + "\\.\\b\\..\\c";
  EXPECT_EQ(ToSystemPath(longPath), L"\\\\?\\C:\\" + std::wstring(300, L'a') + L"\\c");
  const std::string unc = "\\\\server\\share\\" + std::string(300, 'x');
  EXPECT_EQ(ToSystemPath(unc), L"\\\\?\\UNC\\server\\share\\" + std::wstring(300, L'x'));
  const std::string prefixed = "\\\\?\\C:\\" + std::string(300, 'y');
  EXPECT_EQ(ToSystemPath(prefixed), Widen(prefixed));
}

TEST_F(Win32PlatformTest, JapaneseNamesPassThroughWideFunctions) {
  ASSERT_TRUE(MakeDirectory(Path("受信箱.box")));
  ASSERT_TRUE(WriteFile(Path("受信箱.box\\メール①.ALM"), "Subject: test\r\n"));
  std::vector<std::string> names;
  ASSERT_TRUE(ListDirectory(rootUtf8_, EntryFilter::kBoxDirs, names));
  EXPECT_EQ(names, std::vector<std::string>{"受信箱.box"});
  ASSERT_TRUE(ListDirectory(Path("受信箱.box"), EntryFilter::kAlmFiles, names));
  EXPECT_EQ(names, std::vector<std::string>{"メール①.ALM"});
  EXPECT_EQ(ReadFile(Path("受信箱.box\\メール①.ALM")), "Subject: test\r\n");
  // The name on disk is the UTF-16 form of the UTF-8 text, not some code-page rendering of it.
  EXPECT_NE(GetFileAttributesW((root_ / L"受信箱.box" / L"メール①.ALM").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(IsDirectory(Path("受信箱.box")));
  EXPECT_FALSE(IsDirectory(Path("受信箱.box\\メール①.ALM")));
}

TEST_F(Win32PlatformTest, FiltersTheLongNamesOfEveryEntry) {
  for (const char* dir : {"Account1", "ACCOUNT2", "accountless", "MyAccount", "Inbox.BOX", "folder.boxes",
                          "x.box.old", "Sent.box"}) {
    ASSERT_TRUE(MakeDirectory(Path(dir))) << dir;
  }
  for (const char* file : {"1.ALM", "2.alm", "3.almx", "alm", "notes.txt", "Account.ini"}) {
    ASSERT_TRUE(WriteFile(Path(file), "")) << file;
  }
  struct Case {
    EntryFilter filter;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {EntryFilter::kAccountDirs, {"ACCOUNT2", "Account.ini", "Account1", "accountless"}},
      {EntryFilter::kBoxDirs, {"Inbox.BOX", "Sent.box"}},  // "folder.boxes" has an 8.3 name ending in .BOX
      {EntryFilter::kAlmFiles, {"1.ALM", "2.alm"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> names;
    ASSERT_TRUE(ListDirectory(rootUtf8_, c.filter, names));
    EXPECT_EQ(Sorted(names), c.expected) << static_cast<int>(c.filter);
  }
  std::vector<std::string> all;
  ASSERT_TRUE(ListDirectory(rootUtf8_ + "\\", EntryFilter::kAll, all));  // a trailing separator is fine
  EXPECT_EQ(all.size(), 14u);
  EXPECT_EQ(std::count(all.begin(), all.end(), "."), 0);
  EXPECT_EQ(std::count(all.begin(), all.end(), ".."), 0);
}

TEST_F(Win32PlatformTest, ListingFailsForAMissingDirectoryAndAFile) {
  std::vector<std::string> names{"stale"};
  EXPECT_FALSE(ListDirectory(Path("missing"), EntryFilter::kAll, names));
  EXPECT_TRUE(names.empty());
  ASSERT_TRUE(WriteFile(Path("plain"), "x"));
  EXPECT_FALSE(ListDirectory(Path("plain"), EntryFilter::kAll, names));
  ASSERT_TRUE(MakeDirectory(Path("empty")));
  EXPECT_TRUE(ListDirectory(Path("empty"), EntryFilter::kAll, names));
  EXPECT_TRUE(names.empty());
}

TEST_F(Win32PlatformTest, PathsBeyondTheClassicLimit) {
  // Three levels of 100 characters each: the deepest file's path is well over 260 characters.
  std::string path = rootUtf8_;
  for (char c : {'a', 'b', 'c'}) {
    path += "\\" + std::string(100, c);
    ASSERT_TRUE(MakeDirectory(path)) << path.size();
    ASSERT_TRUE(IsDirectory(path));
  }
  ASSERT_GT(path.size(), 300u);
  EXPECT_FALSE(MakeDirectory(path));  // exists already
  const std::string file = path + "\\フォルダ.ALM";
  ASSERT_TRUE(WriteFile(file, "long"));
  EXPECT_EQ(ReadFile(file), "long");
  EXPECT_FALSE(File::CreateNew(file).IsOpen());
  std::vector<std::string> names;
  ASSERT_TRUE(ListDirectory(path, EntryFilter::kAlmFiles, names));
  EXPECT_EQ(names, std::vector<std::string>{"フォルダ.ALM"});
  EXPECT_TRUE(SetOwnerReadWrite(file));
  FileIdentity a, b;
  EXPECT_TRUE(GetIdentity(path, a));
  EXPECT_TRUE(GetIdentity(path + "\\..\\" + std::string(100, 'c'), b));
  EXPECT_EQ(a, b);
}

TEST_F(Win32PlatformTest, IdentityTellsDirectoriesApart) {
  ASSERT_TRUE(MakeDirectory(Path("one")));
  ASSERT_TRUE(MakeDirectory(Path("two")));
  FileIdentity one, oneAgain, two;
  ASSERT_TRUE(GetIdentity(Path("one"), one));
  ASSERT_TRUE(GetIdentity(Path("two\\..\\ONE"), oneAgain));  // another spelling of the same directory
  ASSERT_TRUE(GetIdentity(Path("two"), two));
  EXPECT_EQ(one, oneAgain);
  EXPECT_NE(one, two);
  EXPECT_FALSE(GetIdentity(Path("missing"), two));
}

TEST_F(Win32PlatformTest, FilesAreBinaryAndCreatedExclusively) {
  static const char kBytes[] = "From x\r\nline\nend\x1a\r\0tail";
  const std::string bytes(kBytes, sizeof kBytes - 1);
  const std::string path = Path("data.mbox");
  ASSERT_TRUE(WriteFile(path, bytes));
  EXPECT_EQ(ReadFile(path), bytes);  // no CR inserted, no end at Ctrl-Z
  EXPECT_FALSE(File::CreateNew(path).IsOpen());

  File append = File::OpenReadWrite(path);  // opened as found, not truncated
  ASSERT_TRUE(append.IsOpen());
  EXPECT_EQ(append.Size(), 23);
  EXPECT_EQ(append.Seek(0, SeekOrigin::kEnd), 23);
  ASSERT_TRUE(append.WriteAll("+", 1));
  EXPECT_EQ(append.Seek(-2, SeekOrigin::kCurrent), 22);
  char two[2];
  EXPECT_EQ(append.Read(two, 2), 2);
  EXPECT_EQ(std::string(two, 2), "l+");
  EXPECT_EQ(append.Read(two, 2), 0);
  EXPECT_TRUE(append.Close());
  EXPECT_FALSE(append.IsOpen());
  EXPECT_EQ(append.Read(two, 1), -1);

  File created = File::OpenReadWrite(Path("new"));
  EXPECT_TRUE(created.IsOpen());
  EXPECT_FALSE(File::OpenRead(Path("missing")).IsOpen());
}

TEST_F(Win32PlatformTest, OffsetsBeyondFourGigabytes) {
  File file = File::CreateNew(Path("sparse"));
  ASSERT_TRUE(file.IsOpen());
  constexpr std::int64_t kFar = (std::int64_t{5} << 30) + 7;
  EXPECT_EQ(file.Seek(kFar, SeekOrigin::kBegin), kFar);
  ASSERT_TRUE(file.WriteAll("z", 1));
  EXPECT_EQ(file.Size(), kFar + 1);
  EXPECT_EQ(file.Seek(-1, SeekOrigin::kEnd), kFar);
  char c = 0;
  EXPECT_EQ(file.Read(&c, 1), 1);
  EXPECT_EQ(c, 'z');
}

TEST_F(Win32PlatformTest, OwnerReadWriteClearsReadOnly) {
  const std::string path = Path("locked.ALM");
  ASSERT_TRUE(WriteFile(path, "x"));
  const std::wstring wide = Widen(path);
  ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(GetFileAttributesW(wide.c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(SetOwnerReadWrite(path));
  EXPECT_FALSE(GetFileAttributesW(wide.c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(File::OpenReadWrite(path).IsOpen());
  EXPECT_FALSE(SetOwnerReadWrite(Path("missing")));
}

TEST_F(Win32PlatformTest, FilesMoveBetweenOwners) {
  File a = File::CreateNew(Path("moved"));
  ASSERT_TRUE(a.IsOpen());
  File b(std::move(a));
  EXPECT_FALSE(a.IsOpen());
  EXPECT_TRUE(b.WriteAll("ok", 2));
  File c;
  c = std::move(b);
  EXPECT_TRUE(c.IsOpen());
  EXPECT_TRUE(c.Close());
  EXPECT_EQ(ReadFile(Path("moved")), "ok");
}

}  // namespace
}  // namespace boxferry::platform
