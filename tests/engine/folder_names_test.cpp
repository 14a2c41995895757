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

TEST(FolderNamesTest, CompareNoCaseFoldsAsciiOnly) {
  EXPECT_EQ(CompareNoCase("INBOX.BOX", "Inbox.box"), 0);
  EXPECT_EQ(CompareNoCase("subfolder", "Subfolder"), 0);
  EXPECT_NE(CompareNoCase("Subfolders", "Subfolder"), 0);
  EXPECT_NE(CompareNoCase("ｓubfolder", "Subfolder"), 0);
  EXPECT_NE(CompareNoCase("", "Subfolder"), 0);
}

TEST(FolderNamesTest, JoinPathDoesNotNormalise) {
  const std::string sep(1, platform::kPathSeparator);
  EXPECT_EQ(JoinPath("in", "Account1"), "in" + sep + "Account1");
  EXPECT_EQ(JoinPath("in" + sep, "x"), "in" + sep + sep + "x");
}

}  // namespace
}  // namespace boxferry
