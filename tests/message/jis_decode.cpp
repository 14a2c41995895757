#include "jis_decode.h"

#include <map>

#include "encoding/cp932.h"
#include "encoding/jis_encoder.h"
#include "encoding/text.h"
#include "encoding/utf8.h"

namespace boxferry::test {
namespace {

const std::map<std::string, std::string>& ReverseTable() {
  static const std::map<std::string, std::string> table = [] {
    std::map<std::string, std::string> t;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (lead > 0x9F && lead < 0xE0) continue;
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        if (trail == 0x7F) continue;
        const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
        const std::string jis = encoding::Cp932ToJis(code);
        if (jis.size() == 8 && jis.compare(0, 3, "\x1b$B") == 0) t.emplace(jis.substr(3, 2), code);
      }
    }
    return t;
  }();
  return table;
}

constexpr std::string_view kWordStart = "=?ISO-2022-JP?B?";

}  // namespace

std::string JisToCp932(std::string_view jis) {
  enum { kAscii, kJis, kKana } mode = kAscii;
  std::string out;
  for (std::size_t i = 0; i < jis.size();) {
    if (jis.substr(i, 3) == "\x1b$B") {
      mode = kJis;
      i += 3;
    } else if (jis.substr(i, 3) == "\x1b(B") {
      mode = kAscii;
      i += 3;
    } else if (jis.substr(i, 3) == "\x1b(I") {
      mode = kKana;
      i += 3;
    } else if (mode == kJis && i + 1 < jis.size()) {
      const auto it = ReverseTable().find(std::string(jis.substr(i, 2)));
      out += it == ReverseTable().end() ? std::string("?") : it->second;
      i += 2;
    } else if (mode == kKana) {
      out += static_cast<char>(static_cast<unsigned char>(jis[i++]) + 0x80);
    } else {
      out += jis[i++];
    }
  }
  return out;
}

std::string Base64Decode(std::string_view text) {
  std::string out;
  unsigned bits = 0;
  int count = 0;
  for (char c : text) {
    int v;
    if (c >= 'A' && c <= 'Z')
      v = c - 'A';
    else if (c >= 'a' && c <= 'z')
      v = c - 'a' + 26;
    else if (c >= '0' && c <= '9')
      v = c - '0' + 52;
    else if (c == '+')
      v = 62;
    else if (c == '/')
      v = 63;
    else
      continue;
    bits = bits << 6 | static_cast<unsigned>(v);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>(bits >> count & 0xFF);
    }
  }
  return out;
}

std::string DecodeHeaderLine(std::string_view line, std::vector<std::string>* words,
                             std::vector<std::string>* encodedWords) {
  std::string out;
  std::string between;  // raw text since the last encoded word
  bool afterWord = false;
  for (std::size_t i = 0; i < line.size();) {
    if (line.substr(i).starts_with(kWordStart)) {
      const std::size_t end = line.find("?=", i + kWordStart.size());
      const std::string_view payload = line.substr(i + kWordStart.size(), end - i - kWordStart.size());
      const std::string jis = Base64Decode(payload);
      if (words) words->push_back(jis);
      if (encodedWords) encodedWords->emplace_back(line.substr(i, end + 2 - i));
      const bool onlyBlanks = between.find_first_not_of(" \t") == std::string::npos;
      if (!(afterWord && onlyBlanks)) out += JisToCp932(between);
      between.clear();
      out += JisToCp932(jis);
      afterWord = true;
      i = end + 2;
    } else {
      between += line[i++];
    }
  }
  out += JisToCp932(between);
  return out;
}

std::string Cp932(std::string_view utf8) {
  static const std::map<std::string, std::string> table = [] {
    std::map<std::string, std::string> t;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
        if (encoding::IsCp932LeadByte(static_cast<unsigned char>(lead)))
          t.emplace(encoding::Cp932ToUtf8(code), code);
      }
    }
    for (int b = 0xA1; b <= 0xDF; ++b) {
      const std::string code(1, static_cast<char>(b));
      t.emplace(encoding::Cp932ToUtf8(code), code);
    }
    return t;
  }();
  std::string out;
  for (std::size_t pos = 0; pos < utf8.size();) {
    char32_t cp;
    const std::size_t used = encoding::DecodeUtf8(utf8, pos, cp);
    const std::string character(utf8.substr(pos, used));
    out += cp < 0x80 ? character : table.at(character);
    pos += used;
  }
  return out;
}

std::string ShowHeader(std::string_view text) {
  auto showRaw = [](std::string_view raw) {
    if (!encoding::IsAscii(raw) && encoding::IsWellFormedUtf8(raw)) return std::string(raw);
    return encoding::Cp932ToUtf8(JisToCp932(raw));
  };
  std::string out;
  std::string between;  // raw text since the last encoded word
  bool afterWord = false;
  for (std::size_t i = 0; i < text.size();) {
    const std::string_view rest = text.substr(i);
    const bool jis = encoding::StartsWithNoCase(rest, "=?ISO-2022-JP?B?");
    const bool utf8 = encoding::StartsWithNoCase(rest, "=?UTF-8?B?");
    const std::size_t start = jis ? 16 : 10;
    const std::size_t end = rest.find("?=", start);
    if (!(jis || utf8) || end == std::string_view::npos) {
      between += text[i++];
      continue;
    }
    const std::string bytes = Base64Decode(rest.substr(start, end - start));
    if (!(afterWord && encoding::OnlyBlanks(between))) out += showRaw(between);
    between.clear();
    out += jis ? encoding::Cp932ToUtf8(JisToCp932(bytes)) : bytes;
    afterWord = true;
    i += end + 2;
  }
  return out + showRaw(between);
}

bool WellFormedJis(std::string_view jis) {
  bool ascii = true;
  std::size_t lastEscapeEnd = std::string_view::npos;
  for (std::size_t i = 0; i < jis.size();) {
    if (jis[i] == '\x1b' && i + 2 < jis.size() && (jis[i + 1] == '$' || jis[i + 1] == '(')) {
      if (lastEscapeEnd == i) return false;
      ascii = jis.substr(i, 3) == "\x1b(B";
      i += 3;
      lastEscapeEnd = i;
    } else {
      ++i;
    }
  }
  return ascii;
}

}  // namespace boxferry::test
