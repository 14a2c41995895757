#include "engine/folder_names.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "platform/platform.h"
#include "support/param_name.h"

namespace boxferry {
namespace {

struct NameCase {
  std::string in;
  std::string out;
};

void PrintTo(const NameCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(c.in);
}
std::string InName(const ::testing::TestParamInfo<NameCase>& info) {
  return test::ParamName(info.param.in);
}

class SanitizeTest : public ::testing::TestWithParam<NameCase> {};
TEST_P(SanitizeTest, ReplacesTheSevenCharacters) {
  std::string text = GetParam().in;
  SanitizeFolderName(text);
  EXPECT_EQ(text, GetParam().out);
}
INSTANTIATE_TEST_SUITE_P(Cases, SanitizeTest,
                         ::testing::Values(NameCase{"a/b:c", "a_b_c"}, NameCase{"\\*<>|", "_____"},
                                           NameCase{"what?", "what?"}, NameCase{"表ポ", "表ポ"},
                                           NameCase{"", ""}, NameCase{" .x. ", " .x. "}),
                         InName);

class AdjustTest : public ::testing::TestWithParam<NameCase> {};
TEST_P(AdjustTest, MakesNamesThunderbirdAndWindowsAccept) {
  std::string text = GetParam().in;
  AdjustOutputName(text);
  EXPECT_EQ(text, GetParam().out);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, AdjustTest,
    ::testing::Values(NameCase{"受信箱", "受信箱"}, NameCase{"Work mail", "Work mail"},
                      NameCase{"NUL", "NUL_"}, NameCase{"con.txt", "con_.txt"}, NameCase{"Com1", "Com1_"},
                      NameCase{"lpt9.a.b", "lpt9_.a.b"}, NameCase{"COM0", "COM0"},
                      NameCase{"CONSOLE", "CONSOLE"}, NameCase{"AUXILIARY.x", "AUXILIARY.x"},
                      NameCase{"a?b\"c;d#e%f", "a_b_c_d_e_f"}, NameCase{"tab\there\x7f", "tab_here_"},
                      NameCase{".hidden", "_hidden"}, NameCase{"..", "__"}, NameCase{".", "_"},
                      NameCase{"backup~", "backup_"}, NameCase{"dots...", "dots.._"}, NameCase{"   ", "  _"},
                      NameCase{"Inbox.msf", "Inbox_msf"}, NameCase{"x.SBD", "x_SBD"},
                      NameCase{"a.snm", "a_snm"}, NameCase{"a.toc", "a_toc"}, NameCase{"a.box", "a.box"},
                      // 55 UTF-16 units at most, cut between characters; U+20BB7 takes two units.
                      NameCase{std::string(60, 'x'), std::string(55, 'x')},
                      NameCase{std::string(54, 'x') + "\xF0\xA0\xAE\xB7", std::string(54, 'x')},
                      NameCase{std::string(53, 'x') + "\xF0\xA0\xAE\xB7" + "y",
                               std::string(53, 'x') + "\xF0\xA0\xAE\xB7"},
                      NameCase{std::string(54, 'x') + "表!", std::string(54, 'x') + "表"},
                      NameCase{std::string(54, 'x') + ". tail", std::string(54, 'x') + "_"}),
    InName);

// Device names as Windows opens them: any letter case, spaces before the dot or the end ignored, the
// superscript digits of COM and LPT, the console devices; '_' goes right after the device name.
struct RuleCase {
  const char* name;
  std::string in;
  std::string out;
  unsigned rules;
};

void PrintTo(const RuleCase& c, std::ostream* os) {
  *os << c.name;
}

class AdjustRules : public ::testing::TestWithParam<RuleCase> {};
TEST_P(AdjustRules, SaysWhichRulesChangedTheName) {
  const RuleCase& c = GetParam();
  std::string text = c.in;
  EXPECT_EQ(AdjustOutputName(text), c.rules);
  EXPECT_EQ(text, c.out);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, AdjustRules,
    ::testing::Values(RuleCase{"Unchanged", "受信箱", "受信箱", 0},
                      RuleCase{"SpaceBeforeTheDot", "NUL .log", "NUL_ .log", kNameDeviceName},
                      RuleCase{"SpacesBeforeTheDot", "con  .txt", "con_  .txt", kNameDeviceName},
                      RuleCase{"TrailingSpace", "LPT1 ", "LPT1__", kNameDeviceName | kNameTrailingCharacter},
                      RuleCase{"TabIsNoSpace", "NUL\t.log", "NUL_.log", kNameUnsafeCharacter},
                      RuleCase{"LeadingSpace", " NUL", " NUL", 0},
                      RuleCase{"SuperscriptOne", "COM\xC2\xB9", "COM\xC2\xB9_", kNameDeviceName},
                      RuleCase{"SuperscriptThree", "lpt\xC2\xB3.x", "lpt\xC2\xB3_.x", kNameDeviceName},
                      RuleCase{"SuperscriptFour", "COM\xE2\x81\xB4", "COM\xE2\x81\xB4", 0},
                      RuleCase{"ConsoleIn", "CONIN$", "CONIN$_", kNameDeviceName},
                      RuleCase{"ConsoleOut", "conout$.txt", "conout$_.txt", kNameDeviceName},
                      RuleCase{"ConsoleInWithText", "CONIN$x", "CONIN$x", 0},
                      RuleCase{"ComZero", "COM0", "COM0", 0},
                      RuleCase{"Unsafe", "a?b", "a_b", kNameUnsafeCharacter},
                      RuleCase{"TooLong", std::string(56, 'x'), std::string(55, 'x'), kNameTooLong},
                      RuleCase{"LeadingDot", ".x", "_x", kNameLeadingDot},
                      RuleCase{"Ending", "a.MSF", "a_MSF", kNameThunderbirdEnding}),
    [](const auto& info) { return std::string(info.param.name); });

// Accounts stand at the top of Local Folders, where Thunderbird gives these names a role.
class AccountNames : public ::testing::TestWithParam<RuleCase> {};
TEST_P(AccountNames, NeverTakeOneOfThunderbirdsOwnFolders) {
  const RuleCase& c = GetParam();
  std::string text = c.in;
  EXPECT_EQ(AdjustAccountName(text), c.rules);
  EXPECT_EQ(text, c.out);
  if (c.rules == kNameRole) {  // a sub-folder keeps the name
    std::string folder = c.in;
    EXPECT_EQ(AdjustOutputName(folder), 0u);
    EXPECT_EQ(folder, c.in);
  }
}
INSTANTIATE_TEST_SUITE_P(
    Cases, AccountNames,
    ::testing::Values(
        RuleCase{"Trash", "Trash", "Trash_", kNameRole}, RuleCase{"Inbox", "inbox", "inbox_", kNameRole},
        RuleCase{"Unsent", "Unsent Messages", "Unsent Messages_", kNameRole},
        RuleCase{"Drafts", "DRAFTS", "DRAFTS_", kNameRole},
        RuleCase{"Templates", "Templates", "Templates_", kNameRole},
        RuleCase{"Sent", "Sent", "Sent_", kNameRole}, RuleCase{"Junk", "Junk", "Junk_", kNameRole},
        RuleCase{"Archives", "Archives", "Archives_", kNameRole},
        RuleCase{"TrashWithDot", "Trash.", "Trash_", kNameTrailingCharacter},
        RuleCase{"SentMail", "Sent Mail", "Sent Mail", 0}, RuleCase{"Account1", "Account1", "Account1", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FolderNamesTest, JoinPathDoesNotNormalise) {
  const std::string sep(1, platform::kPathSeparator);
  EXPECT_EQ(JoinPath("in", "Account1"), "in" + sep + "Account1");
  EXPECT_EQ(JoinPath("in" + sep, "x"), "in" + sep + sep + "x");
}

}  // namespace
}  // namespace boxferry
