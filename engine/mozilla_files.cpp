#include "engine/mozilla_files.h"

#include <cstdint>

#include "encoding/text.h"
#include "encoding/utf8.h"

namespace boxferry {
namespace {

using encoding::IsBlank;

// A cursor over prefs.js text.
class PrefsScanner {
 public:
  explicit PrefsScanner(std::string_view text) : text_(text) {}

  bool AtEnd() const { return pos_ >= text_.size(); }

  // Skips white space and comments.
  void SkipSpace() {
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        ++pos_;
      } else if (c == '#' || text_.substr(pos_, 2) == "//") {
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
      } else if (text_.substr(pos_, 2) == "/*") {
        const std::size_t end = text_.find("*/", pos_ + 2);
        pos_ = end == std::string_view::npos ? text_.size() : end + 2;
      } else {
        break;
      }
    }
  }

  bool Take(char c) {
    SkipSpace();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  // A name of letters, digits and '_'.
  std::string_view Word() {
    SkipSpace();
    const std::size_t start = pos_;
    while (pos_ < text_.size() && (IsWordChar(text_[pos_]))) ++pos_;
    return text_.substr(start, pos_ - start);
  }

  // A quoted string with its escapes resolved.
  bool String(std::string& out) {
    SkipSpace();
    if (pos_ >= text_.size() || (text_[pos_] != '"' && text_[pos_] != '\'')) return false;
    const char quote = text_[pos_++];
    out.clear();
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (c == quote) return true;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) return false;
      const char e = text_[pos_++];
      switch (e) {
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'x':
        case 'u': {
          std::uint32_t cp = 0;
          if (!Hex(e == 'x' ? 2 : 4, cp)) return false;
          if (e == 'u' && cp >= 0xD800 && cp <= 0xDBFF && text_.substr(pos_, 2) == "\\u") {
            const std::size_t back = pos_;
            pos_ += 2;
            std::uint32_t low = 0;
            if (Hex(4, low) && low >= 0xDC00 && low <= 0xDFFF) {
              cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            } else {
              pos_ = back;
            }
          }
          encoding::AppendUtf8(out, static_cast<char32_t>(cp));
          break;
        }
        default:
          out += e;  // \\ \" \' and anything else stand for themselves
          break;
      }
    }
    return false;
  }

  // A number or true/false, as written.
  bool Literal(std::string& out) {
    SkipSpace();
    const std::size_t start = pos_;
    if (pos_ < text_.size() && (text_[pos_] == '-' || text_[pos_] == '+')) ++pos_;
    while (pos_ < text_.size() && IsWordChar(text_[pos_])) ++pos_;
    out.assign(text_.substr(start, pos_ - start));
    return !out.empty();
  }

  // Moves past the ';' that ends a statement read whole.
  void EndStatement() { Take(';'); }

  // Goes back to the line after the one at `start`: Thunderbird writes one statement a line, so a line
  // that cannot be read (an unterminated string, say) costs that line only.
  void SkipLineOf(std::size_t start) {
    const std::size_t end = text_.find('\n', start);
    pos_ = end == std::string_view::npos ? text_.size() : end + 1;
  }

  std::size_t position() const { return pos_; }

 private:
  static bool IsWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  }

  bool Hex(int digits, std::uint32_t& value) {
    value = 0;
    for (int i = 0; i < digits; ++i) {
      if (pos_ >= text_.size()) return false;
      const char c = text_[pos_];
      int d;
      if (c >= '0' && c <= '9') {
        d = c - '0';
      } else if (c >= 'a' && c <= 'f') {
        d = c - 'a' + 10;
      } else if (c >= 'A' && c <= 'F') {
        d = c - 'A' + 10;
      } else {
        return false;
      }
      value = value * 16 + static_cast<std::uint32_t>(d);
      ++pos_;
    }
    return true;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

const std::string* IniSection::Find(std::string_view key) const {
  for (const auto& [k, v] : entries) {
    if (k == key) return &v;
  }
  return nullptr;
}

std::vector<IniSection> ParseMozillaIni(std::string_view text) {
  std::vector<IniSection> sections;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::size_t pos = 0;
  while (pos < text.size()) {
    // Mozilla's reader ends a line at CR or LF alike.
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      const std::size_t close = line.find(']');
      if (close == std::string_view::npos) continue;
      sections.push_back({std::string(line.substr(1, close - 1)), {}});
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || sections.empty()) continue;
    sections.back().entries.emplace_back(std::string(line.substr(0, equals)),
                                         std::string(line.substr(equals + 1)));
  }
  return sections;
}

std::map<std::string, std::string> ParsePrefs(std::string_view text) {
  std::map<std::string, std::string> prefs;
  PrefsScanner scan(text);
  for (;;) {
    scan.SkipSpace();
    if (scan.AtEnd()) break;
    const std::size_t start = scan.position();
    const std::string_view word = scan.Word();
    std::string name;
    std::string value;
    if ((word == "user_pref" || word == "pref" || word == "sticky_pref") && scan.Take('(') &&
        scan.String(name) && scan.Take(',') && (scan.String(value) || scan.Literal(value)) &&
        scan.Take(')')) {
      if (word == "user_pref") prefs[name] = value;
      scan.EndStatement();
    } else {
      scan.SkipLineOf(start);
    }
  }
  return prefs;
}

}  // namespace boxferry
