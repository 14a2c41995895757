#include "message/header_words.h"

#include "encoding/jis_encoder.h"
#include "encoding/text.h"

namespace boxferry {
namespace {

constexpr std::string_view kWordStart = "=?ISO-2022-JP?B?";
constexpr std::string_view kWordEnd = "?=";
// JIS bytes per word: base64 of n bytes takes 4 * ceil(n / 3) characters.
constexpr std::size_t kMaxJisPerWord = (kMaxEncodedWordLength - kWordStart.size() - kWordEnd.size()) / 4 * 3;
constexpr std::size_t kEscapeLength = 3;  // ESC ( B

bool IsSeparator(char c) {
  switch (c) {
    case ' ':
    case '\t':
    case '"':
    case '(':
    case ')':
    case '<':
    case '>':
    case ',':
    case ';':
    case '=':
      return true;
    default:
      return false;
  }
}

using encoding::IsBlank;

std::size_t WordEnd(std::string_view text, std::size_t pos) {
  while (pos < text.size() && !IsSeparator(text[pos])) ++pos;
  return pos;
}

void EmitWord(const std::string& jis, std::string& out) {
  out += kWordStart;
  AppendBase64(jis, out);
  out += kWordEnd;
}

}  // namespace

void AppendBase64(std::string_view bytes, std::string& out) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const std::size_t start = out.size();
  out.resize(start + (bytes.size() + 2) / 3 * 4);
  char* w = out.data() + start;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const unsigned v = p[i] << 16 | p[i + 1] << 8 | p[i + 2];
    *w++ = kAlphabet[v >> 18 & 63];
    *w++ = kAlphabet[v >> 12 & 63];
    *w++ = kAlphabet[v >> 6 & 63];
    *w++ = kAlphabet[v & 63];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    const unsigned v = p[i] << 16 | (rest == 2 ? p[i + 1] << 8 : 0);
    *w++ = kAlphabet[v >> 18 & 63];
    *w++ = kAlphabet[v >> 12 & 63];
    *w++ = rest == 2 ? kAlphabet[v >> 6 & 63] : '=';
    *w++ = '=';
  }
}

std::string Base64Encode(std::string_view bytes) {
  std::string out;
  AppendBase64(bytes, out);
  return out;
}

void AppendEncodedWords(std::string_view run, std::string& out) {
  encoding::JisEncoder encoder;
  std::string jis;
  std::string piece;
  bool firstWord = true;
  for (std::size_t pos = 0; pos < run.size();) {
    // Each character is tried on a copy of the encoder: it goes into this word only when the word,
    // closed back to ASCII, still fits.
    encoding::JisEncoder trial = encoder;
    piece.clear();
    std::size_t used = trial.PutCharacter(run.substr(pos), piece);
    const std::size_t needed = jis.size() + piece.size() + (trial.InAscii() ? 0 : kEscapeLength);
    if (needed > kMaxJisPerWord && !jis.empty()) {
      encoder.Finish(jis);
      if (!firstWord) out += ' ';
      EmitWord(jis, out);
      firstWord = false;
      jis.clear();
      encoder.Reset();
      trial = encoder;
      piece.clear();
      used = trial.PutCharacter(run.substr(pos), piece);
    }
    jis += piece;
    encoder = trial;
    pos += used;
  }
  encoder.Finish(jis);
  if (jis.empty()) return;
  if (!firstWord) out += ' ';
  EmitWord(jis, out);
}

void EncodeHeaderText(std::string_view text, bool lineStart, std::string& out, HeaderWordEdges* edges) {
  HeaderWordEdges unused;
  HeaderWordEdges& edge = edges ? *edges : unused;
  edge = HeaderWordEdges{};
  if (encoding::IsAscii(text)) {
    out += text;
    return;
  }
  std::size_t pos = 0;
  if (lineStart && !IsBlank(text[0])) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
      out += encoding::Cp932ToJis(text);
      return;
    }
    out += encoding::Cp932ToJis(text.substr(0, colon + 1));
    pos = colon + 1;
  }
  const std::size_t n = text.size();
  while (pos < n) {
    if (IsSeparator(text[pos])) {
      out += text[pos++];
      edge.endsWithWord = false;
      continue;
    }
    const std::size_t end = WordEnd(text, pos);
    if (encoding::IsAscii(text.substr(pos, end - pos))) {
      out += text.substr(pos, end - pos);
      pos = end;
      edge.endsWithWord = false;
      continue;
    }
    if (pos == 0) edge.startsWithWord = true;
    // Extend the run over blanks followed by another word with bytes 80-FF.
    std::size_t runEnd = end;
    for (;;) {
      std::size_t next = runEnd;
      while (next < n && IsBlank(text[next])) ++next;
      if (next == runEnd || next >= n || IsSeparator(text[next])) break;
      const std::size_t nextEnd = WordEnd(text, next);
      if (encoding::IsAscii(text.substr(next, nextEnd - next))) break;
      runEnd = nextEnd;
    }
    AppendEncodedWords(text.substr(pos, runEnd - pos), out);
    pos = runEnd;
    edge.endsWithWord = true;
  }
}

}  // namespace boxferry
