#include "encoding/jis_encoder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "encoding/cp932.h"
#include "jis_index.h"

namespace boxferry::encoding {
namespace {

// Decodes ISO-2022-JP as a receiving client does (for text without raw ESC bytes), checking the escape
// discipline on the way: never two escapes in a row, JIS bytes come in pairs 21-7E, katakana bytes are 21-5F,
// no byte 00-7F outside ASCII, and the text ends in ASCII. Returns U+FFFF for any fault.
std::u32string DecodeJis(const std::string& jis) {
  std::u32string out;
  enum { kAscii, kJis, kKana } mode = kAscii;
  bool after_escape = false;
  for (std::size_t i = 0; i < jis.size(); ++i) {
    const auto b = static_cast<unsigned char>(jis[i]);
    const std::string_view rest = std::string_view(jis).substr(i);
    if (rest.starts_with("\x1B$B") || rest.starts_with("\x1B(B") || rest.starts_with("\x1B(I")) {
      if (after_escape) return U"\uFFFF";
      mode = rest[1] == '$' ? kJis : rest[2] == 'I' ? kKana : kAscii;
      after_escape = true;
      i += 2;
      continue;
    }
    after_escape = false;
    if (mode == kAscii) {
      if (b >= 0x80) return U"\uFFFF";
      out.push_back(b);
    } else if (mode == kKana) {
      if (b < 0x21 || b > 0x5F) return U"\uFFFF";
      out.push_back(0xFF61 - 0x21 + b);
    } else {
      if (i + 1 >= jis.size()) return U"\uFFFF";
      const auto b2 = static_cast<unsigned char>(jis[++i]);
      if (b < 0x21 || b > 0x7E || b2 < 0x21 || b2 > 0x7E) return U"\uFFFF";
      const auto it = Index().decode.find((b - 0x21) * 94u + (b2 - 0x21));
      out.push_back(it == Index().decode.end() ? 0xFFFF : it->second);
    }
  }
  if (mode != kAscii) return U"\uFFFF";
  return out;
}

// What the client must show for cp932 text: each decoded character, or the geta mark where the index has no
// cell for it (the six fix-up sources have cells: the index decodes those cells to them).
std::u32string Expected(std::string_view cp932) {
  std::u32string out;
  const auto* p = reinterpret_cast<const unsigned char*>(cp932.data());
  for (std::size_t i = 0; i < cp932.size();) {
    char32_t cp;
    i += DecodeCp932(p + i, cp932.size() - i, cp);
    const bool sendable = cp < 0x80 || (cp >= 0xFF61 && cp <= 0xFF9F) || Index().lowest.count(cp) != 0;
    out.push_back(sendable ? cp : kGetaMark);
  }
  return out;
}

std::string Cell(unsigned pointer) {
  return {static_cast<char>(0x21 + pointer / 94), static_cast<char>(0x21 + pointer % 94)};
}

TEST(JisEncoder, KnownLinesByteForByte) {
  const std::pair<std::string, std::string> cases[] = {
      {"\x93\xFA\x96\x7B", "\x1B$BF|K\\\x1B(B"},
      {"\x81\x60", "\x1B$B!A\x1B(B"},
      {"\x81\x61\x81\x7C\x81\x91\x81\x92\x81\xCA", "\x1B$B!B!]!q!r\"L\x1B(B"},
      {"\xB1", "\x1B(I1\x1B(B"},
      {"\x82\xA0", "\x1B$B$\"\x1B(B"},
      {"A\x82\xA0"
       "B",
       "A\x1B$B$\"\x1B(BB"},
      {"plain ASCII\t~\\", "plain ASCII\t~\\"},
      {"\x1B$B raw", "\x1B$B raw"},  // an ESC of the source passes as itself
      {std::string("\x82\xA0\0\x82\xA0", 5), std::string("\x1B$B$\"\x1B(B\0\x1B$B$\"\x1B(B", 17)},
      {"\xB1\x82\xA0\xB2", "\x1B(I1\x1B$B$\"\x1B(I2\x1B(B"},
      {"\xF0\x40\x80\xA0\xFD", "\x1B$B\".\".\".\".\x1B(B"},  // no cell: geta mark
      {"\x82\x41", "\x1B$B!&\x1B(BA"},                       // ill-formed pair: lead alone
      {"\x85\x80\x82", "\x1B$B!&!&\x1B(B"},                  // undefined pair, lone lead at the end
      {"", ""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(Cp932ToJis(in), out) << ::testing::PrintToString(in);
}

TEST(JisEncoder, EveryCodeReachesTheClientAsItsCharacterOrGeta) {
  ASSERT_EQ(Index().lowest.size(), 7326u) << "cannot read " BOXFERRY_JIS0208_INDEX;
  for (int b = 0; b <= 0xFF; ++b) {
    const std::string single(1, static_cast<char>(b));
    if (IsCp932LeadByte(static_cast<unsigned char>(b))) continue;
    EXPECT_EQ(DecodeJis(Cp932ToJis(single)), Expected(single)) << b;
  }
  int geta = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    for (int trail = 0x40; trail <= 0xFC && IsCp932LeadByte(static_cast<unsigned char>(lead)); ++trail) {
      const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
      const std::string jis = Cp932ToJis(code);
      const std::u32string expected = Expected(code);
      ASSERT_EQ(DecodeJis(jis), expected) << std::hex << lead << trail;
      char32_t cp;
      if (DecodeCp932(reinterpret_cast<const unsigned char*>(code.data()), 2, cp) != 2) continue;
      if (expected[0] == kGetaMark && cp != kGetaMark) {
        ++geta;
        EXPECT_GE(cp, 0xE000u) << std::hex << lead << trail;  // only the user-defined area lacks a cell
        EXPECT_LE(cp, 0xE757u) << std::hex << lead << trail;
      } else {
        EXPECT_EQ(jis.substr(3, 2), Cell(Index().lowest.at(cp))) << std::hex << lead << trail;
      }
      // One character at a time writes what the stream writes.
      JisEncoder single;
      std::string one;
      EXPECT_EQ(single.PutCharacter(code, one), 2u);
      single.Finish(one);
      EXPECT_EQ(one, jis) << std::hex << lead << trail;
    }
  }
  EXPECT_EQ(geta, 1880);
}

// The six characters code page 932 names differently from the JIS X 0208 mapping land on their cells,
// as do the NEC and IBM duplicates (at the lowest cell) and the user-defined area (on GETA MARK).
TEST(JisEncoder, CharactersWithTwoNamesOrNoCell) {
  const std::pair<std::string, std::string> cases[] = {
      {"\x81\x60", "\x1B$B!A\x1B(B"},   // ～ U+FF5E (U+301C)
      {"\x81\x61", "\x1B$B!B\x1B(B"},   // ∥ U+2225 (U+2016)
      {"\x81\x7C", "\x1B$B!]\x1B(B"},   // － U+FF0D (U+2212)
      {"\x81\x91", "\x1B$B!q\x1B(B"},   // ￠ U+FFE0 (U+00A2)
      {"\x81\x92", "\x1B$B!r\x1B(B"},   // ￡ U+FFE1 (U+00A3)
      {"\x81\xCA", "\x1B$B\"L\x1B(B"},  // ￢ U+FFE2 (U+00AC)
      {"\x81\xE0", "\x1B$B\"b\x1B(B"},  // ≒
      {"\x87\x90", "\x1B$B\"b\x1B(B"},  // ≒ of NEC row 13: the lower cell
      {"\xF0\x40", "\x1B$B\".\x1B(B"},  // user-defined: GETA MARK
      {"\x80", "\x1B$B\".\x1B(B"},     {"\xB1", "\x1B(I1\x1B(B"},
  };
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(Cp932ToJis(in), out) << ::testing::PrintToString(in);
    JisEncoder encoder;
    std::string jis;
    EXPECT_EQ(encoder.PutCharacter(in, jis), in.size());
    encoder.Finish(jis);
    EXPECT_EQ(jis, out) << ::testing::PrintToString(in);
  }
}

// Character by character, with the mode carried, gives the stream's bytes; a lead byte at the end takes
// one byte, and a lead byte before a byte 00-7F takes only itself.
TEST(JisEncoder, PutCharacterWalksTheTextLikeTheStream) {
  const std::string text = "A\x93\xFA\x96\x7B\xB1\x82\x41\x85\x80 \x82\xA0\x82";
  JisEncoder encoder;
  std::string out;
  std::vector<std::size_t> used;
  for (std::size_t pos = 0; pos < text.size();) {
    used.push_back(encoder.PutCharacter(std::string_view(text).substr(pos), out));
    pos += used.back();
  }
  encoder.Finish(out);
  EXPECT_EQ(out, Cp932ToJis(text));
  EXPECT_EQ(used, (std::vector<std::size_t>{1, 2, 2, 1, 1, 1, 2, 1, 2, 1}));
}

std::string MixedText(unsigned seed, std::size_t pieces) {
  const std::string parts[] = {"From ",    "a",        " ",        "\t",       std::string(1, '\0'),
                               "\x1B",     "\x82\xA0", "\x93\xFA", "\x81\x60", "\xB1",
                               "\xDF",     "\xF0\x40", "\x80",     "\xFD",     "\x82",
                               "\x85\x80", "\\"};
  std::mt19937 random(seed);
  std::string text;
  for (std::size_t i = 0; i < pieces; ++i) text += parts[random() % std::size(parts)];
  return text;
}

TEST(JisEncoder, MixedTextDecodesBackAndKeepsEscapeDiscipline) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    const std::string text = MixedText(seed, 40);
    std::string without_esc = text;
    std::erase(without_esc, '\x1B');  // raw ESC bytes would make the client-side decoding ambiguous
    EXPECT_EQ(DecodeJis(Cp932ToJis(without_esc)), Expected(without_esc)) << ::testing::PrintToString(text);
  }
}

// The count without encoding equals the encoder's own, which counts characters written as GETA MARK for
// want of a cell and never a GETA MARK of the source.
TEST(JisEncoder, UnencodableCharactersAreCountedOnce) {
  const std::pair<std::string, std::int64_t> cases[] = {{"", 0},
                                                        {"abc \x82\xA0\xB1", 0},
                                                        {"\x81\xAC", 0},
                                                        {"\xF0\x40\xF9\xFC", 2},
                                                        {"\x80\xA0\xFD\xFE\xFF", 5},
                                                        {"\x82", 0},
                                                        {"\x85\x80", 0},
                                                        {"\x81\xAC\xF0\x40\x81\xAC", 1}};
  for (const auto& [text, count] : cases) {
    EXPECT_EQ(CountUnencodable(text), count) << testing::PrintToString(text);
    JisEncoder encoder;
    std::string out;
    encoder.Feed(text, out);
    encoder.Finish(out);
    EXPECT_EQ(encoder.TakeUnencodable(), count) << testing::PrintToString(text);
    EXPECT_EQ(encoder.unencodable(), 0);
  }
  for (unsigned seed = 1; seed <= 50; ++seed) {
    const std::string text = MixedText(seed, 200);
    JisEncoder encoder;
    std::string out;
    for (char c : text) encoder.Feed(std::string_view(&c, 1), out);  // counted across pieces too
    encoder.Finish(out);
    EXPECT_EQ(encoder.unencodable(), CountUnencodable(text)) << seed;
  }
}

TEST(JisEncoder, PiecesOfAnySizeGiveTheWholeTextsBytes) {
  const std::string text = "A\x93\xFA\x96\x7B\xB1" + std::string(1, '\0') + "\x82\x41\x85\x80 \x82\xA0\x82";
  const std::string whole = Cp932ToJis(text);
  for (std::size_t cut = 0; cut <= text.size(); ++cut) {
    for (std::size_t cut2 = cut; cut2 <= text.size(); ++cut2) {
      JisEncoder encoder;
      std::string out;
      encoder.Feed(text.substr(0, cut), out);
      encoder.Feed(text.substr(cut, cut2 - cut), out);
      encoder.Feed(text.substr(cut2), out);
      encoder.Finish(out);
      EXPECT_EQ(out, whole) << cut << " " << cut2;
    }
  }
  const std::string long_text = MixedText(7, 20000);  // several internal slices
  JisEncoder encoder;
  std::string out;
  for (char c : long_text) encoder.Feed(std::string_view(&c, 1), out);
  encoder.Finish(out);
  EXPECT_EQ(out, Cp932ToJis(long_text));
}

TEST(JisEncoder, ResetAndModeAcrossPieces) {
  JisEncoder encoder;
  std::string out;
  encoder.Feed("\x82\xA0", out);
  EXPECT_FALSE(encoder.InAscii());
  encoder.Feed("\x82", out);
  encoder.Reset();
  EXPECT_TRUE(encoder.InAscii());
  out.clear();
  encoder.Feed("\xA0", out);  // no lead is held after Reset: A0 alone has no cell
  encoder.Finish(out);
  EXPECT_EQ(out, "\x1B$B\".\x1B(B");
  EXPECT_TRUE(encoder.InAscii());
}

}  // namespace
}  // namespace boxferry::encoding
