#include "engine/ini_file.h"

#include <cstddef>
#include <string>
#include <string_view>

#include "encoding/cp932.h"
#include "encoding/text.h"
#include "encoding/utf8.h"
#include "engine/folder_names.h"
#include "platform/platform.h"

namespace boxferry {
namespace {

// Lines longer than this are cut: names and values that matter are short, and a hostile file must not
// make the reader hold it whole.
constexpr std::size_t kMaxLine = 64 * 1024;
constexpr std::size_t kReadChunk = 16 * 1024;

enum class TextForm { kCp932, kUtf8, kUtf16Le };

using encoding::EqualsNoCase;
using encoding::TrimBlanks;

// Reads a file line by line (CR, LF or CR LF end a line), each line cut to kMaxLine bytes.
class LineSource {
 public:
  explicit LineSource(platform::File& file) : file_(file) {}

  bool Next(std::string& line) {
    line.clear();
    bool any = false;
    for (;;) {
      if (pos_ == buffer_.size()) {
        if (!Fill()) return any;
      }
      const char c = buffer_[pos_++];
      if (skipLf_) {
        skipLf_ = false;
        if (c == '\n') continue;
      }
      any = true;
      if (c == '\n') return true;
      if (c == '\r') {
        skipLf_ = true;
        return true;
      }
      if (line.size() < kMaxLine) line += c;
    }
  }

 private:
  bool Fill() {
    buffer_.resize(kReadChunk);
    const std::int64_t n = file_.Read(buffer_.data(), buffer_.size());
    buffer_.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    pos_ = 0;
    return n > 0;
  }

  platform::File& file_;
  std::string buffer_;
  std::size_t pos_ = 0;
  bool skipLf_ = false;
};

// Finds `key` in `section` the way the Windows profile reader does: names without regard to case,
// blanks around names and values dropped, a value in matching quotes unquoted, the first section and
// the first key of a name win, lines without '=' ignored. Returns false when there is no such key.
template <typename NextLine>
bool FindValue(NextLine nextLine, std::string_view section, std::string_view key, std::string& value) {
  std::string line;
  bool inSection = false;
  bool sectionSeen = false;
  while (nextLine(line)) {
    const std::string_view text = TrimBlanks(line);
    if (!text.empty() && text.front() == '[') {
      const std::size_t close = text.find(']');
      const std::string_view name =
          TrimBlanks(text.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
      if (inSection) return false;  // the first section of this name has ended
      inSection = !sectionSeen && EqualsNoCase(name, section);
      sectionSeen = sectionSeen || inSection;
      continue;
    }
    if (!inSection) continue;
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) continue;
    if (!EqualsNoCase(TrimBlanks(text.substr(0, eq)), key)) continue;
    std::string_view v = TrimBlanks(text.substr(eq + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
      v = v.substr(1, v.size() - 2);
    }
    value.assign(v);
    return true;
  }
  return false;
}

}  // namespace

int IniFile::Open(const char* fileName, const char* directory) {
  if (fileName == nullptr || *fileName == '\0') return 0;
  path_ = (directory != nullptr && *directory != '\0') ? JoinPath(directory, fileName) : fileName;
  platform::File probe = platform::File::OpenRead(path_);
  readable_ = (probe.IsOpen() && !platform::IsDirectory(path_)) ? 1 : 0;
  return readable_;
}

void IniFile::ReadString(const char* section, const char* key, std::string& out, const char* defaultText,
                         std::size_t capacity) const {
  out.clear();
  if (path_.empty() || readable_ == 0 || capacity == 0) return;
  const std::string fallback = defaultText ? defaultText : "";
  platform::File file = platform::File::OpenRead(path_);
  if (!file.IsOpen() || section == nullptr || key == nullptr) {
    out = fallback;
    return;
  }

  // The first bytes tell how the file is written: AL-Mail writes code page 932; a byte-order mark
  // announces UTF-16LE or UTF-8, which the Windows reader also accepts.
  char head[3] = {};
  const std::int64_t headCount = file.Read(head, sizeof head);
  TextForm form = TextForm::kCp932;
  std::size_t skip = 0;
  if (headCount >= 2 && head[0] == '\xFF' && head[1] == '\xFE') {
    form = TextForm::kUtf16Le;
    skip = 2;
  } else if (headCount == 3 && head[0] == '\xEF' && head[1] == '\xBB' && head[2] == '\xBF') {
    form = TextForm::kUtf8;
    skip = 3;
  }
  file.Seek(static_cast<std::int64_t>(skip), platform::SeekOrigin::kBegin);

  std::string raw;
  bool found = false;
  if (form == TextForm::kUtf16Le) {
    // Read the rest whole, bounded, and split it after conversion.
    std::string bytes;
    char chunk[kReadChunk];
    std::int64_t n = 0;
    while ((n = file.Read(chunk, sizeof chunk)) > 0 && bytes.size() < 16 * kMaxLine) {
      bytes.append(chunk, static_cast<std::size_t>(n));
    }
    const std::string text = encoding::Utf16LeToUtf8(bytes);
    std::size_t pos = 0;
    auto next = [&](std::string& line) {
      if (pos >= text.size()) return false;
      const std::size_t end = text.find_first_of("\r\n", pos);
      line = text.substr(pos, (end == std::string::npos ? text.size() : end) - pos).substr(0, kMaxLine);
      pos = end == std::string::npos ? text.size() : end + 1;
      if (end != std::string::npos && text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
      return true;
    };
    found = FindValue(next, section, key, raw);
  } else {
    LineSource lines(file);
    found = FindValue([&](std::string& line) { return lines.Next(line); }, section, key, raw);
  }
  if (!found) {
    out = fallback;
    return;
  }
  const std::size_t limit = capacity - 1;
  if (form == TextForm::kCp932) {
    out = encoding::Cp932ToUtf8(std::string_view(raw).substr(0, encoding::Cp932PrefixLength(raw, limit)));
  } else {
    out = raw.substr(0, encoding::Utf8PrefixLength(raw, limit));
  }
}

}  // namespace boxferry
