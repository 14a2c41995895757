#include "engine/ini_file.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "support/temp_dir.h"

namespace boxferry {
namespace {

using test::TempDir;
using test::WriteFile;

std::string ReadTitle(const std::string& content, const char* key = "Title", std::size_t capacity = 1024) {
  TempDir dir;
  WriteFile(dir / "Entry.ini", content);
  IniFile ini;
  EXPECT_EQ(ini.Open("Entry.ini", dir.str().c_str()), 1);
  std::string out = "stale";
  ini.ReadString("Property", key, out, nullptr, capacity);
  return out;
}

struct IniCase {
  const char* name;
  std::string content;
  std::string expected;
};

void PrintTo(const IniCase& c, std::ostream* os) {
  *os << c.name;
}

class IniSyntaxTest : public ::testing::TestWithParam<IniCase> {};

TEST_P(IniSyntaxTest, ReadsLikeTheWindowsProfileReader) {
  EXPECT_EQ(ReadTitle(GetParam().content), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniSyntaxTest,
    ::testing::Values(
        IniCase{"Plain", "[Property]\r\nTitle=Work\r\n", "Work"},
        IniCase{"NamesWithoutCase", "[property]\r\nTITLE=Work\r\n", "Work"},
        IniCase{"BlanksDropped", "  [ Property ]  \r\n\t Title \t=  Old mail \t\r\n", "Old mail"},
        IniCase{"DoubleQuotes", "[Property]\r\nTitle=\"  spaced  \"\r\n", "  spaced  "},
        IniCase{"SingleQuotes", "[Property]\r\nTitle='x'\r\n", "x"},
        IniCase{"UnmatchedQuoteKept", "[Property]\r\nTitle=\"x\r\n", "\"x"},
        IniCase{"FirstDuplicateWins", "[Property]\r\nTitle=one\r\nTitle=two\r\n", "one"},
        IniCase{"FirstSectionWins", "[Property]\r\nType=x\r\n[Other]\r\n[Property]\r\nTitle=late\r\n", ""},
        IniCase{"OtherSectionIgnored", "[Other]\r\nTitle=no\r\n[Property]\r\nTitle=yes\r\n", "yes"},
        IniCase{"LineWithoutEqualsIgnored", "[Property]\r\nTitle\r\nTitle=ok\r\n", "ok"},
        IniCase{"EmptyValue", "[Property]\r\nTitle=\r\n", ""},
        IniCase{"MissingKey", "[Property]\r\nType=Subfolder\r\n", ""},
        IniCase{"NoSection", "Title=x\r\n", ""},
        IniCase{"LfOnlyAndNoFinalNewline", "[Property]\nTitle=last", "last"},
        IniCase{"LoneCr", "[Property]\rTitle=cr\r", "cr"},
        IniCase{"ValueKeepsEquals", "[Property]\r\nTitle=a=b\r\n", "a=b"},
        IniCase{"ShiftJisDecoded", "[Property]\r\nTitle=\x95\x5C\x83\x7C\x8E\xF3\x90\x4D\r\n", "表ポ受信"},
        IniCase{
            "Utf16LittleEndianWithMark",
            std::string("\xFF\xFE[\0P\0r\0o\0p\0e\0r\0t\0y\0]\0\r\0\n\0T\0i\0t\0l\0e\0=\0\x68\x30\r\0\n\0",
                        44),
            "と"},
        IniCase{"Utf8WithMark", "\xEF\xBB\xBF[Property]\r\nTitle=日本\r\n", "日本"},
        IniCase{"BinaryJunk", std::string("\0\x01\xFF\x80[Prop\0erty]\r\n\x81", 17), ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniFileTest, ValueIsCutAt1023BytesBetweenCharacters) {
  // 1022 ASCII bytes, then a double-byte character that would end at byte 1024: it is left out whole.
  const std::string value = std::string(1022, 'a') + "\x82\xA0" + "tail";
  EXPECT_EQ(ReadTitle("[Property]\r\nTitle=" + value + "\r\n"), std::string(1022, 'a'));
  EXPECT_EQ(ReadTitle("[Property]\r\nTitle=" + std::string(2000, 'b') + "\r\n"), std::string(1023, 'b'));
}

TEST(IniFileTest, HugeLineDoesNotHideTheKeyAfterIt) {
  EXPECT_EQ(ReadTitle("[Property]\r\nJunk=" + std::string(1 << 20, 'x') + "\r\nTitle=found\r\n"), "found");
}

TEST(IniFileTest, FailedOpenForgetsAnEarlierSuccess) {
  TempDir dir;
  WriteFile(dir / "Account.ini", "[Property]\r\nTitle=Work\r\n");
  IniFile ini;
  ASSERT_EQ(ini.Open("Account.ini", dir.str().c_str()), 1);
  EXPECT_EQ(ini.Open("Missing.ini", dir.str().c_str()), 0);
  EXPECT_EQ(ini.path(), (dir / "Missing.ini").string());
  std::string out;
  ini.ReadString("Property", "Title", out, "default", 1024);
  EXPECT_EQ(out, "");
}

TEST(IniFileTest, OpenRefusesMissingNamesAndDirectories) {
  TempDir dir;
  std::filesystem::create_directory(dir / "Entry.ini");
  IniFile ini;
  EXPECT_EQ(ini.Open(nullptr, dir.str().c_str()), 0);
  EXPECT_EQ(ini.Open("", dir.str().c_str()), 0);
  EXPECT_EQ(ini.Open("Entry.ini", dir.str().c_str()), 0);
}

TEST(IniFileTest, DefaultOnlyForMissingKeys) {
  TempDir dir;
  WriteFile(dir / "a.ini", "[Property]\r\nTitle=\r\n");
  IniFile ini;
  ASSERT_EQ(ini.Open((dir / "a.ini").string().c_str(), nullptr), 1);
  std::string out;
  ini.ReadString("Property", "Type", out, "dflt", 1024);
  EXPECT_EQ(out, "dflt");
  ini.ReadString("Property", "Title", out, "dflt", 1024);
  EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace boxferry
