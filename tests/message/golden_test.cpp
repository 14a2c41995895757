// Real messages, stored as AL-Mail keeps them, convert to exactly the reviewed mbox text.
// BOXFERRY_UPDATE_GOLDEN=1 rewrites the expected files (then review and read them in Thunderbird).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>

#include "encoding/jis_encoder.h"
#include "support/message_bytes.h"
#include "support/temp_dir.h"

namespace boxferry {
namespace {

const std::filesystem::path kData = BOXFERRY_MESSAGE_TEST_DATA;

struct GoldenCase {
  const char* name;
  const char* file;  // in store/ (.ALM) and expected/ (.mbox)
};

void PrintTo(const GoldenCase& c, std::ostream* os) {
  *os << c.name << " (" << c.file << ")";
}

class Golden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(Golden, ConvertsToTheReviewedMbox) {
  const std::string name = GetParam().file;
  int result = -2;
  const std::string out = test::ConvertBytes(test::ReadFile(kData / "store" / (name + ".ALM")), &result);
  EXPECT_EQ(result, 0);
  const std::filesystem::path expectedPath = kData / "expected" / (name + ".mbox");
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
                         ::testing::Values(GoldenCase{"EmbeddedMessageWithJapaneseHeader", "pc-mail-multi"},
                                           GoldenCase{"NestedMultipartsWithQuotedPrintableParts",
                                                      "docomo-decomail"},
                                           GoldenCase{"RawIso2022JpInAHeader", "lhost-domino-02"},
                                           GoldenCase{"BeginsWithAnEnvelopeLine", "example14"},
                                           GoldenCase{"PlainIso2022JpMessage", "japanese_iso_2022"}),
                         [](const auto& info) { return std::string(info.param.name); });

// A message received as ISO-2022-JP and kept in Shift_JIS gets its body back byte for byte.
TEST(Golden, ReceivedBodyComesBackAsSent) {
  const std::string original = test::ReadFile(kData / "corpus" / "ruby-mail" / "japanese_iso_2022.eml");
  const std::string out = test::ConvertBytes(test::ReadFile(kData / "store" / "japanese_iso_2022.ALM"));
  const std::size_t bodyAt = original.find("\r\n\r\n");
  ASSERT_NE(bodyAt, std::string::npos);
  EXPECT_TRUE(out.ends_with(original.substr(bodyAt))) << test::ToHex(out);
}

}  // namespace
}  // namespace boxferry
