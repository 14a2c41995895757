// The checks every front end makes before a run: the output never in the input, whatever the spelling,
// and never in a profile a running Thunderbird holds or whose Local Folders are kept in maildir form.
#include "engine/output_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "engine/messages.h"
#include "platform/platform.h"
#include "support/temp_dir.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace boxferry {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFile;

// Runs the test inside a scratch directory holding a store, so relative spellings can be tried.
class OverlapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = fs::current_path();
    fs::create_directories(dir_ / "store" / "Account1" / "Inbox.box");
    fs::create_directories(dir_ / "out");
    fs::current_path(dir_.path());
    std::error_code a, b;
    fs::create_directory_symlink(dir_ / "store", dir_ / "link", a);
    fs::create_directory_symlink(dir_ / "store" / "Account1", dir_ / "alink", b);
    links_ = !a && !b;
  }
  void TearDown() override { fs::current_path(saved_); }

  TempDir dir_;
  fs::path saved_;
  bool links_ = false;
};

TEST_F(OverlapTest, EverySpellingOfTheStoreOrAFolderInsideItIsRefused) {
  const std::string sep(1, platform::kPathSeparator);
  const std::string abs = (dir_ / "store").string();
  const struct {
    const char* input;
    std::string output;
    bool overlaps;
    bool needsLinks;
  } cases[] = {
      {"store", "store", true, false},
      {"store", "store" + sep, true, false},
      {"store", "." + sep + "store", true, false},
      {"store", abs, true, false},
      {"store", "store" + sep + ".", true, false},
      {"store", "store" + sep + "Account1", true, false},
      {"store", "store" + sep + "Account1" + sep + "Inbox.box", true, false},
      {"store", "store" + sep + "new", true, false},  // would be made inside the store
      {"store", "out" + sep + ".." + sep + "store", true, false},
      {"store", "link", true, true},
      {"store", "alink", true, true},
      {"store", "link" + sep + "Account1", true, true},
      {"link", "store" + sep + "Account1", true, true},
      {"store", ".", false, false},  // the folder that holds the store
      {"store", "out", false, false},
      {"store", "store" + sep + "..", false, false},
      {"store", "out" + sep + "new", false, false},
      {"store", "missing" + sep + "new", false, false},
      {"store", "alink" + sep + ".." + sep + ".." + sep + "out", false, true},
  };
  for (const auto& c : cases) {
    if (c.needsLinks && !links_) continue;
    EXPECT_EQ(OutputOverlapsInput(c.input, c.output), c.overlaps) << c.input << " -> " << c.output;
    const FolderCheck check = CheckFolders(c.input, c.output);
    EXPECT_EQ(check.messageId, c.overlaps ? kMsgOutputInsideInput : 0) << c.input << " -> " << c.output;
    if (c.overlaps) {
      EXPECT_EQ(check.path, c.output);
    }
  }
  EXPECT_FALSE(OutputOverlapsInput("missing", "store"));
}

TEST(EnclosingFolderTest, CutsTheLastNameOff) {
  const struct {
    const char* path;
    const char* enclosing;
  } cases[] = {
      {"a/b", "a"},
      {"a/b/", "a"},
      {"a//b", "a"},
      {"b", "."},
      {"/b", "/"},
      {"/", ""},
      {"", ""},
#ifdef _WIN32
      {"C:\\b", "C:\\"},
      {"C:\\a\\b\\", "C:\\a"},
      {"C:b", "C:"},
      {"C:\\", ""},
      {"\\\\server\\share\\x", "\\\\server\\share"},
#endif
  };
  for (const auto& c : cases) EXPECT_EQ(EnclosingFolder(c.path), c.enclosing) << c.path;
}

#ifndef _WIN32
std::string Pref(const std::string& name, const std::string& value) {
  return "user_pref(\"" + name + "\", \"" + value + "\");\n";
}

// A profile as Thunderbird leaves it, in a scratch HOME that Thunderbird's profiles.ini lists it in.
class ProfileCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string home;
    if (platform::ReadEnvironment("HOME", home)) savedHome_ = home;
    setenv("HOME", dir_.str().c_str(), 1);
    fs::create_directories(dir_ / "store" / "Account1");
    fs::create_directories(LocalFolders());
    WriteFile(dir_ / ".thunderbird" / "profiles.ini",
              "[Profile0]\nName=main\nIsRelative=1\nPath=p.default\n");
  }
  void TearDown() override {
    if (savedHome_) {
      setenv("HOME", savedHome_->c_str(), 1);
    } else {
      unsetenv("HOME");
    }
  }
  fs::path Profile() const { return dir_ / ".thunderbird" / "p.default"; }
  fs::path LocalFolders() const { return Profile() / "Mail" / "Local Folders"; }
  void WritePrefs(const std::string& store, const std::string& directory = "") {
    WriteFile(Profile() / "prefs.js",
              Pref("mail.accountmanager.localfoldersserver", "server1") +
                  (directory.empty() ? Pref("mail.server.server1.directory-rel", "[ProfD]Mail/Local Folders")
                                     : Pref("mail.server.server1.directory", directory)) +
                  Pref("mail.server.server1.storeContractID", "@mozilla.org/msgstore/" + store + ";1"));
  }
  void Lock() { fs::create_symlink("127.0.0.1:" + std::to_string(getpid()), Profile() / "lock"); }
  FolderCheck Check(const fs::path& output) {
    return CheckFolders((dir_ / "store").string(), output.string());
  }

  TempDir dir_;
  std::optional<std::string> savedHome_;
};

TEST_F(ProfileCheckTest, LocalFoldersOfAClosedMboxProfileAreAValidOutput) {
  WritePrefs("berkeleystore");
  EXPECT_FALSE(Check(LocalFolders()));
  EXPECT_FALSE(Check(LocalFolders() / "new"));
  Lock();
  EXPECT_FALSE(Check(dir_ / "elsewhere"));  // a locked profile elsewhere is no matter
}

TEST_F(ProfileCheckTest, ARunningThunderbirdsProfileIsRefusedAnywhereInside) {
  WritePrefs("berkeleystore");
  Lock();
  for (const fs::path& output : {LocalFolders(), LocalFolders() / "new", Profile(), Profile() / "Mail"}) {
    const FolderCheck check = Check(output);
    EXPECT_EQ(check.messageId, kMsgProfileInUse) << output;
    EXPECT_EQ(check.path, Profile().string());
  }
}

TEST_F(ProfileCheckTest, MaildirLocalFoldersAreRefusedTheRestOfTheProfileIsNot) {
  WritePrefs("maildirstore");
  for (const fs::path& output : {LocalFolders(), LocalFolders() / "new"}) {
    const FolderCheck check = Check(output);
    EXPECT_EQ(check.messageId, kMsgMaildirProfile) << output;
    EXPECT_EQ(check.path, LocalFolders().string());
  }
  EXPECT_FALSE(Check(Profile()));
}

// Local Folders moved out of the profile (its "Local Directory" changed) still belong to that profile.
TEST_F(ProfileCheckTest, LocalFoldersOutsideTheProfileAreFoundThroughProfilesIni) {
  fs::create_directories(dir_ / "mail");
  WritePrefs("berkeleystore", (dir_ / "mail").string());
  EXPECT_FALSE(Check(dir_ / "mail"));
  Lock();
  EXPECT_EQ(Check(dir_ / "mail").messageId, kMsgProfileInUse);
  EXPECT_EQ(Check(dir_ / "mail" / "new").messageId, kMsgProfileInUse);
}

// A profile Thunderbird was started on by its path alone is not listed, yet recognised by its prefs.js.
TEST_F(ProfileCheckTest, AnUnlistedProfileIsFoundByItsPrefs) {
  fs::remove(dir_ / ".thunderbird" / "profiles.ini");
  WritePrefs("maildirstore");
  EXPECT_EQ(Check(LocalFolders()).messageId, kMsgMaildirProfile);
  WritePrefs("berkeleystore");
  Lock();
  EXPECT_EQ(Check(LocalFolders()).messageId, kMsgProfileInUse);
}
#endif

}  // namespace
}  // namespace boxferry
