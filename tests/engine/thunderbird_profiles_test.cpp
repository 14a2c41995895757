// Thunderbird's own records of its profiles: prefs.js and profiles.ini as Thunderbird writes them, and
// what they say about each profile's Local Folders.
#include "engine/thunderbird_profiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "engine/mozilla_files.h"
#include "platform/platform.h"
#include "support/temp_dir.h"

namespace boxferry {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFile;
using Prefs = std::map<std::string, std::string>;

struct PrefsCase {
  const char* name;
  std::string text;
  Prefs expected;
};

void PrintTo(const PrefsCase& c, std::ostream* os) {
  *os << c.name;
}

class PrefsTest : public ::testing::TestWithParam<PrefsCase> {};

TEST_P(PrefsTest, ReadsUserPrefs) {
  EXPECT_EQ(ParsePrefs(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, PrefsTest,
    ::testing::Values(
        PrefsCase{"AsThunderbirdWritesThem",
                  "// Mozilla User Preferences\n\n/* comment */\n"
                  "user_pref(\"mail.server.server1.directory-rel\", \"[ProfD]Mail/Local Folders\");\n"
                  "user_pref(\"mail.server.server1.type\", \"none\");\n"
                  "user_pref(\"mail.server.server1.port\", 110);\n"
                  "user_pref(\"mail.server.server1.login_at_startup\", false);\r\n",
                  {{"mail.server.server1.directory-rel", "[ProfD]Mail/Local Folders"},
                   {"mail.server.server1.type", "none"},
                   {"mail.server.server1.port", "110"},
                   {"mail.server.server1.login_at_startup", "false"}}},
        PrefsCase{"Escapes",
                  "user_pref(\"a\", \"C:\\\\Users\\\\\\\"x\\\"\");\n"
                  "user_pref('b', 'it\\'s\\n\\u5c71\\x41');\n"
                  "user_pref(\"c\", \"\\ud83d\\ude00 \\ud800 end\");\n"
                  "user_pref(\"d\", \"山田/Local Folders\");\n",
                  {{"a", "C:\\Users\\\"x\""},
                   {"b", "it's\n山A"},
                   {"c", "😀 \xEF\xBF\xBD end"},
                   {"d", "山田/Local Folders"}}},
        PrefsCase{"CommentsAndSpacingAnywhere",
                  "# hash comment\nuser_pref ( \"a\" /* x */ , -5 ) ; // trailing\nuser_pref(\"b\",true)",
                  {{"a", "-5"}, {"b", "true"}}},
        PrefsCase{"ALaterLineWinsAndOtherKindsAreNoUserPrefs",
                  "user_pref(\"a\", \"1\");\npref(\"b\", \"x\");\nsticky_pref(\"c\", 1);\nuser_pref(\"a\", "
                  "\"2\");\n",
                  {{"a", "2"}}},
        PrefsCase{"BrokenLinesAreSkipped",
                  "user_pref(\"a\" \"b\");\nuser_pref(\"unterminated, 1);\nuser_pref(\"ok\", \"yes\");\n"
                  "garbage {;\nuser_pref(\"x\", \"\\u12\");\nuser_pref(\"last\", 1",
                  {{"ok", "yes"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MozillaIniTest, ReadsSectionsAsMozillaDoes) {
  const std::vector<IniSection> sections = ParseMozillaIni(
      "\xEF\xBB\xBF"
      "ignored=before any section\r\n"
      "[Install4F96D1932A9F858E]\r\nDefault=Profiles/abc.default-release\r\nLocked=1\r\n\r\n"
      "; comment\n# comment\n"
      "[Profile0]\nName=山田\nIsRelative=1\nPath=Profiles/abc.default-release\n"
      "  Default=1\nbroken line\nPath2=a=b\rLone=CR ends a line\n[unclosed\n");
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_EQ(sections[0].name, "Install4F96D1932A9F858E");
  ASSERT_NE(sections[0].Find("Default"), nullptr);
  EXPECT_EQ(*sections[0].Find("Default"), "Profiles/abc.default-release");
  EXPECT_EQ(sections[1].name, "Profile0");
  EXPECT_EQ(*sections[1].Find("Name"), "山田");
  EXPECT_EQ(*sections[1].Find("Default"), "1");
  EXPECT_EQ(*sections[1].Find("Path2"), "a=b");
  EXPECT_EQ(*sections[1].Find("Lone"), "CR ends a line");
  EXPECT_EQ(sections[1].Find("ignored"), nullptr);
}

std::string Pref(const std::string& name, const std::string& value) {
  return "user_pref(\"" + name + "\", \"" + value + "\");\n";
}

struct ProfileCase {
  const char* name;
  std::string prefs;
  std::string localFolders;  // relative to the profile; "/..." absolute; empty: none
  StoreFormat format;
};

void PrintTo(const ProfileCase& c, std::ostream* os) {
  *os << c.name;
}

class ReadProfileTest : public ::testing::TestWithParam<ProfileCase> {};

TEST_P(ReadProfileTest, FindsLocalFoldersAndItsFormat) {
  const ProfileCase& c = GetParam();
  TempDir dir;
  // prefs.js holds a path as a string literal, its backslashes escaped.
  std::string escaped;
  for (char ch : dir.str()) escaped += ch == '\\' ? std::string("\\\\") : std::string(1, ch);
  std::string prefs = c.prefs;
  for (std::size_t at; (at = prefs.find("$ABS")) != std::string::npos;) prefs.replace(at, 4, escaped);
  WriteFile(dir / "prefs.js", prefs);
  ThunderbirdProfile profile;
  profile.directory = dir.str();
  ReadProfile(profile);
  std::string expected = c.localFolders;
  if (expected.starts_with("$ABS")) {
    expected = dir.str() + expected.substr(4);
  } else if (!expected.empty()) {
    expected = (dir.path() / fs::path(expected).make_preferred()).string();
  }
  EXPECT_EQ(profile.localFolders, expected);
  EXPECT_EQ(profile.format, c.format);
  EXPECT_FALSE(profile.inUse);
}

const std::string kMaildir = "@mozilla.org/msgstore/maildirstore;1";
const std::string kMbox = "@mozilla.org/msgstore/berkeleystore;1";

INSTANTIATE_TEST_SUITE_P(
    Prefs, ReadProfileTest,
    ::testing::Values(
        ProfileCase{"NamedServerRelativeDirectory",
                    Pref("mail.accountmanager.localfoldersserver", "server2") +
                        Pref("mail.server.server1.directory-rel", "[ProfD]ImapMail/imap.example.jp") +
                        Pref("mail.server.server2.directory-rel", "[ProfD]Mail/Local Folders") +
                        Pref("mail.server.server2.storeContractID", kMbox),
                    "Mail/Local Folders", StoreFormat::kMbox},
        ProfileCase{"MaildirServer",
                    Pref("mail.accountmanager.localfoldersserver", "server1") +
                        Pref("mail.server.server1.directory-rel", "[ProfD]Mail/Local Folders") +
                        Pref("mail.server.server1.storeContractID", kMaildir),
                    "Mail/Local Folders", StoreFormat::kMaildir},
        ProfileCase{"DefaultStoreOfTheProfile",
                    Pref("mail.serverDefaultStoreContractID", kMaildir) +
                        Pref("mail.accountmanager.localfoldersserver", "server1") +
                        Pref("mail.server.server1.directory-rel", "[ProfD]Mail/Local Folders"),
                    "Mail/Local Folders", StoreFormat::kMaildir},
        ProfileCase{"FirstServerOfTypeNoneByNumber",
                    Pref("mail.server.server10.type", "none") +
                        Pref("mail.server.server10.directory-rel", "[ProfD]Mail/Other") +
                        Pref("mail.server.server3.type", "pop3") + Pref("mail.server.server9.type", "none") +
                        Pref("mail.server.server9.directory-rel", "[ProfD]Mail/Local Folders-1"),
                    "Mail/Local Folders-1", StoreFormat::kMbox},
        ProfileCase{"AbsoluteDirectoryWhenNoRelativeOne",
                    Pref("mail.accountmanager.localfoldersserver", "server1") +
                        Pref("mail.server.server1.directory-rel", "[UnknownD]x") +
                        Pref("mail.server.server1.directory", "$ABS/elsewhere"),
                    "$ABS/elsewhere", StoreFormat::kMbox},
        ProfileCase{"NoLocalFoldersYet", Pref("mail.server.server1.type", "imap"), "", StoreFormat::kMbox}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ListProfilesTest, ReadsProfilesIniAndTheDefaultOfEachInstallation) {
  TempDir data;
  fs::create_directories(data / "Profiles" / "a.default-release" / "Mail" / "Local Folders");
  WriteFile(data / "Profiles" / "a.default-release" / "prefs.js",
            Pref("mail.accountmanager.localfoldersserver", "server1") +
                Pref("mail.server.server1.directory-rel", "[ProfD]Mail/Local Folders"));
  fs::create_directories(data / "elsewhere");
  const std::string ini =
      "[Profile1]\nName=old\nIsRelative=1\nPath=Profiles/b.default\nDefault=1\n\n"
      "[Profile0]\nName=main\nIsRelative=1\nPath=Profiles/a.default-release\n\n"
      "[Profile2]\nName=absolute\nIsRelative=0\nPath=" +
      (data / "elsewhere").string() + "\n\n[General]\nStartWithLastProfile=1\n";
  WriteFile(data / "profiles.ini", ini);
  WriteFile(data / "installs.ini", "[4F96D1932A9F858E]\nDefault=Profiles/a.default-release\nLocked=1\n");

  std::vector<ThunderbirdProfile> profiles = ListProfiles(data.str());
  ASSERT_EQ(profiles.size(), 3u);
  EXPECT_EQ(profiles[0].name, "old");
  EXPECT_FALSE(profiles[0].isDefault);  // Default=1 counts only where no installation names one
  EXPECT_EQ(profiles[0].localFolders, "");
  EXPECT_EQ(profiles[1].name, "main");
  EXPECT_TRUE(profiles[1].isDefault);
  EXPECT_EQ(fs::path(profiles[1].directory), (data / "Profiles" / "a.default-release").make_preferred());
  EXPECT_EQ(fs::path(profiles[1].localFolders),
            data / "Profiles" / "a.default-release" / "Mail" / "Local Folders");
  EXPECT_EQ(profiles[2].directory, (data / "elsewhere").string());

  // Without installs.ini or [Install...] sections, the older Default=1 marks the default.
  fs::remove(data / "installs.ini");
  profiles = ListProfiles(data.str());
  ASSERT_EQ(profiles.size(), 3u);
  EXPECT_TRUE(profiles[0].isDefault);
  EXPECT_FALSE(profiles[1].isDefault);
  EXPECT_TRUE(ListProfiles((data / "missing").string()).empty());
}

#ifndef _WIN32
// HOME and XDG_CONFIG_HOME point into a scratch directory for the test's duration.
class HomeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"HOME", "XDG_CONFIG_HOME"}) {
      std::string value;
      if (platform::ReadEnvironment(name, value)) saved_[name] = value;
    }
    setenv("HOME", home_.str().c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
  }
  void TearDown() override {
    for (const char* name : {"HOME", "XDG_CONFIG_HOME"}) {
      if (saved_.count(name)) {
        setenv(name, saved_[name].c_str(), 1);
      } else {
        unsetenv(name);
      }
    }
  }
  TempDir home_;
  std::map<std::string, std::string> saved_;
};

TEST_F(HomeTest, DataDirectoriesAreThoseHoldingProfilesIni) {
  fs::create_directories(home_ / ".thunderbird");  // no profiles.ini yet: Thunderbird never ran
  WriteFile(home_ / "snap" / "thunderbird" / "common" / ".thunderbird" / "profiles.ini", "[General]\n");
  WriteFile(home_ / ".config" / "thunderbird" / "profiles.ini", "[General]\n");
  std::vector<std::string> dirs = ThunderbirdDataDirectories();
  ASSERT_EQ(dirs.size(), 2u);
  EXPECT_EQ(dirs[0], (home_ / ".config" / "thunderbird").string());
  EXPECT_EQ(dirs[1], (home_ / "snap" / "thunderbird" / "common" / ".thunderbird").string());
  EXPECT_EQ(DefaultLocalFolders(), "");
}

TEST_F(HomeTest, DefaultLocalFoldersIsTheDefaultProfilesOrTheOnlyOne) {
  const fs::path data = home_ / ".thunderbird";
  for (const char* name : {"one", "two"}) {
    fs::create_directories(data / name / "Mail" / "Local Folders");
    WriteFile(data / name / "prefs.js",
              Pref("mail.server.server1.type", "none") +
                  Pref("mail.server.server1.directory-rel", "[ProfD]Mail/Local Folders"));
  }
  WriteFile(data / "profiles.ini",
            "[Profile0]\nName=one\nIsRelative=1\nPath=one\n\n"
            "[Profile1]\nName=two\nIsRelative=1\nPath=two\nDefault=1\n");
  EXPECT_EQ(DefaultLocalFolders(), (data / "two" / "Mail" / "Local Folders").string());
  WriteFile(data / "profiles.ini",
            "[Profile0]\nName=one\nIsRelative=1\nPath=one\n\n"
            "[Profile1]\nName=two\nIsRelative=1\nPath=two\n");
  EXPECT_EQ(DefaultLocalFolders(), "");  // two candidates, neither the default
  fs::remove_all(data / "two" / "Mail");
  EXPECT_EQ(DefaultLocalFolders(), (data / "one" / "Mail" / "Local Folders").string());
}
#endif

}  // namespace
}  // namespace boxferry
