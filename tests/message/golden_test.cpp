// Real messages, stored as AL-Mail keeps them, convert to exactly the reviewed mbox text.
// BOXFERRY_UPDATE_GOLDEN=1 rewrites the expected files (then review and read them in Thunderbird).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "encoding/jis_encoder.h"
#include "support/message_bytes.h"
#include "support/temp_dir.h"

namespace boxferry {
namespace {

const std::filesystem::path kData = BOXFERRY_MESSAGE_TEST_DATA;

class Golden : public ::testing::TestWithParam<const char*> {};

TEST_P(Golden, ConvertsToTheReviewedMbox) {
  const std::string name = GetParam();
  int result = -2;
  const std::string out =
      test::ConvertBytes(test::ReadFile((kData / "store" / (name + ".ALM")).string()), &result);
  EXPECT_EQ(result, 0);
  const std::string expectedPath = (kData / "expected" / (name + ".mbox")).string();
  if (std::getenv("BOXFERRY_UPDATE_GOLDEN")) {
    std::filesystem::create_directories(kData / "expected");
    test::WriteFile(expectedPath, out);
  }
  EXPECT_TRUE(out == test::ReadFile(expectedPath)) << name;
  // Whatever else happens, no byte 80-FF may be left in a header that went through the transcoder.
  const std::string header =
      out.substr(0, out.find("\n\n") < out.find("\r\n\r\n") ? out.find("\n\n") : out.find("\r\n\r\n"));
  for (unsigned char c : header) ASSERT_LT(c, 0x80) << name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, Golden,
                         ::testing::Values("pc-mail-multi", "docomo-decomail", "lhost-domino-02", "example14",
                                           "japanese_iso_2022"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           for (char& c : name) {
                             if (c == '-') c = '_';
                           }
                           return name;
                         });

// A message received as ISO-2022-JP and kept in Shift_JIS gets its body back byte for byte.
TEST(Golden, ReceivedBodyComesBackAsSent) {
  const std::string original =
      test::ReadFile((kData / "corpus" / "ruby-mail" / "japanese_iso_2022.eml").string());
  const std::string out =
      test::ConvertBytes(test::ReadFile((kData / "store" / "japanese_iso_2022.ALM").string()));
  const std::size_t bodyAt = original.find("\r\n\r\n");
  ASSERT_NE(bodyAt, std::string::npos);
  EXPECT_TRUE(out.ends_with(original.substr(bodyAt))) << test::ToHex(out);
}

}  // namespace
}  // namespace boxferry
