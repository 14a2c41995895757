#include "message/header_words.h"

#include <vector>

#include "encoding/jis_decoder.h"
#include "encoding/jis_encoder.h"
#include "encoding/text.h"
#include "encoding/utf8.h"

namespace boxferry {
namespace {

using encoding::IsAscii;
using encoding::IsBlank;

constexpr std::string_view kJisWordStart = "=?ISO-2022-JP?B?";
constexpr std::string_view kUtf8WordStart = "=?UTF-8?B?";
constexpr std::string_view kWordEnd = "?=";
// JIS bytes per word: base64 of n bytes takes 4 * ceil(n / 3) characters.
constexpr std::size_t kMaxJisPerWord =
    (kMaxEncodedWordLength - kJisWordStart.size() - kWordEnd.size()) / 4 * 3;
static_assert(kUtf8WordStart.size() + kMaxUtf8BytesPerWord / 3 * 4 + kWordEnd.size() <=
              kMaxEncodedWordLength);
constexpr std::size_t kEscapeLength = 3;  // ESC ( B
constexpr std::size_t kNone = std::string_view::npos;

enum class Charset { kCp932, kUtf8 };

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

std::size_t WordEnd(std::string_view text, std::size_t pos) {
  while (pos < text.size() && !IsSeparator(text[pos])) ++pos;
  return pos;
}

// An encoded word of the source: =?charset?B?text?= or =?charset?Q?text?=, charset and text one or more
// bytes of printable ASCII other than '?'. It is all bytes 21-7E beginning with '=', which is never a
// Shift_JIS second byte, so it is found on code page 932 text byte by byte too.
bool IsTokenByte(char c) {
  return c > ' ' && c < '\x7f' && c != '?';
}

bool IsEncodingLetter(char c) {
  return c == 'B' || c == 'b' || c == 'Q' || c == 'q';
}

// True when text[lo, end) ends with a source encoded word.
bool SourceWordEndsAt(std::string_view text, std::size_t lo, std::size_t end) {
  std::size_t i = end;
  if (i - lo < 2 || text[i - 1] != '=' || text[i - 2] != '?') return false;
  i -= 2;
  const std::size_t textEnd = i;
  while (i > lo && IsTokenByte(text[i - 1])) --i;
  if (i == textEnd || i - lo < 3 || text[i - 1] != '?' || !IsEncodingLetter(text[i - 2]) ||
      text[i - 3] != '?') {
    return false;
  }
  i -= 3;
  const std::size_t charsetEnd = i;
  while (i > lo && IsTokenByte(text[i - 1])) --i;
  return i != charsetEnd && i - lo >= 2 && text[i - 1] == '?' && text[i - 2] == '=';
}

// True when a source encoded word begins at text[pos].
bool SourceWordStartsAt(std::string_view text, std::size_t pos) {
  const std::size_t n = text.size();
  if (n - pos < 2 || text[pos] != '=' || text[pos + 1] != '?') return false;
  std::size_t i = pos + 2;
  const std::size_t charsetStart = i;
  while (i < n && IsTokenByte(text[i])) ++i;
  if (i == charsetStart || n - i < 3 || text[i] != '?' || !IsEncodingLetter(text[i + 1]) ||
      text[i + 2] != '?') {
    return false;
  }
  i += 3;
  const std::size_t textStart = i;
  while (i < n && IsTokenByte(text[i])) ++i;
  return i != textStart && n - i >= 2 && text[i] == '?' && text[i + 1] == '=';
}

struct Span {
  std::size_t begin = 0;
  std::size_t end = 0;
};

// The parameter values in text[pos, end of line) that hold a character outside ASCII.
void FindParameterValues(std::string_view text, std::size_t pos, std::vector<Span>& values) {
  const std::size_t n = text.size();
  while (pos < n) {
    std::size_t p = pos;
    while (p < n && IsBlank(text[p])) ++p;
    const std::size_t nameStart = p;
    while (p < n && !IsBlank(text[p]) && text[p] != ';' && text[p] != '=' && text[p] != '"') ++p;
    const bool named = p > nameStart;
    while (p < n && IsBlank(text[p])) ++p;
    if (named && p < n && text[p] == '=') {
      ++p;
      while (p < n && IsBlank(text[p])) ++p;
      Span value;
      if (p < n && text[p] == '"') {
        value.begin = p + 1;
        const std::size_t close = text.find('"', value.begin);
        value.end = close == kNone ? n : close;
        p = close == kNone ? n : close + 1;
      } else {
        value.begin = p;
        const std::size_t semicolon = text.find(';', p);
        value.end = semicolon == kNone ? n : semicolon;
        while (value.end > value.begin && IsBlank(text[value.end - 1])) --value.end;
        p = value.end;
      }
      if (!IsAscii(text.substr(value.begin, value.end - value.begin))) values.push_back(value);
    }
    const std::size_t semicolon = text.find(';', p);  // the rest of the segment follows the run rule
    if (semicolon == kNone) return;
    pos = semicolon + 1;
  }
}

void EmitWord(std::string_view start, std::string_view bytes, std::string& out) {
  out += start;
  AppendBase64(bytes, out);
  out += kWordEnd;
}

void AppendUtf8Words(std::string_view text, std::string& out) {
  for (bool first = true; !text.empty(); first = false) {
    const std::size_t n = encoding::Utf8PrefixLength(text, kMaxUtf8BytesPerWord);
    if (!first) out += ' ';
    EmitWord(kUtf8WordStart, text.substr(0, n), out);
    text.remove_prefix(n);
  }
}

// The encoded text of one unit: words cut between characters, or (a parameter value) one word.
void AppendUnit(std::string_view text, Charset charset, bool oneWord, std::string& out) {
  if (charset == Charset::kUtf8) {
    if (oneWord) {
      EmitWord(kUtf8WordStart, text, out);
    } else {
      AppendUtf8Words(text, out);
    }
  } else if (oneWord) {
    EmitWord(kJisWordStart, encoding::Cp932ToJis(text), out);
  } else {
    AppendEncodedWords(text, out);
  }
}

// Text outside the units: code page 932 as a body line is transcoded, UTF-8 as it is.
void AppendOutside(std::string_view text, Charset charset, std::string& out) {
  if (charset == Charset::kUtf8 || IsAscii(text)) {
    out += text;
    return;
  }
  encoding::JisEncoder encoder;
  encoder.Feed(text, out);
  encoder.Finish(out);
}

// Where words may stand: after the field name on a line that does not begin with a blank, or from the
// start. kNone for such a line without ':' (no field at all).
std::size_t WordsStart(std::string_view text, bool lineStart) {
  if (!lineStart || text.empty() || IsBlank(text[0])) return 0;
  const std::size_t colon = text.find(':');
  return colon == kNone ? kNone : colon + 1;
}

// What a line ends in: our unit ending at `lastUnitEnd` (kNone: none), or a source word, then blanks.
HeaderLineEnd EndOf(std::string_view text, std::size_t wordsStart, std::size_t lastUnitEnd) {
  HeaderLineEnd end;
  if (wordsStart == kNone) return end;
  std::size_t r = text.size();
  while (r > wordsStart && IsBlank(text[r - 1])) --r;
  end.word = (lastUnitEnd != kNone && lastUnitEnd == r) || SourceWordEndsAt(text, wordsStart, r);
  if (end.word) end.blanks = text.substr(r);
  return end;
}

struct Options {
  bool lineStart = true;
  bool parameters = false;
  const HeaderLineEnd* before = nullptr;
};

// Writes text that holds a character outside ASCII (code page 932 or UTF-8).
HeaderLineEnd EncodeText(std::string_view text, Charset charset, const Options& options, std::string& out,
                         HeaderWordEdges& edges) {
  edges = HeaderWordEdges{};
  const std::size_t wordsStart = WordsStart(text, options.lineStart);
  if (wordsStart == kNone) {
    AppendOutside(text, charset, out);
    return HeaderLineEnd{};
  }
  AppendOutside(text.substr(0, wordsStart), charset, out);
  const std::size_t n = text.size();

  std::vector<Span> values;
  if (options.parameters) FindParameterValues(text, wordsStart, values);
  // A fold: the continuation line's leading blanks, when the line before ended in an encoded word.
  std::size_t foldBlanks = kNone;
  if (options.lineStart && options.before && options.before->word && !text.empty() && IsBlank(text[0])) {
    foldBlanks = 0;
    while (foldBlanks < n && IsBlank(text[foldBlanks])) ++foldBlanks;
  }

  std::string unitText;
  std::size_t lastUnitEnd = kNone;
  auto emit = [&](Span unit, bool oneWord) {
    unitText.clear();
    if (unit.begin == foldBlanks) {
      unitText += options.before->blanks;
      unitText += text.substr(0, foldBlanks);
    } else {
      std::size_t q = unit.begin;
      while (q > wordsStart && IsBlank(text[q - 1])) --q;
      if (q < unit.begin && SourceWordEndsAt(text, wordsStart, q)) unitText += text.substr(q, unit.begin - q);
    }
    unitText += text.substr(unit.begin, unit.end - unit.begin);
    std::size_t q = unit.end;
    while (q < n && IsBlank(text[q])) ++q;
    if (q > unit.end && SourceWordStartsAt(text, q)) unitText += text.substr(unit.end, q - unit.end);
    AppendUnit(unitText, charset, oneWord, out);
    lastUnitEnd = unit.end;
    if (unit.begin == 0) edges.startsWithWord = true;
  };

  std::size_t nextValue = 0;
  for (std::size_t pos = wordsStart; pos < n;) {
    if (nextValue < values.size() && pos == values[nextValue].begin) {
      emit(values[nextValue], true);
      pos = values[nextValue++].end;
      continue;
    }
    if (IsSeparator(text[pos])) {
      out += text[pos++];
      continue;
    }
    const std::size_t end = WordEnd(text, pos);
    if (IsAscii(text.substr(pos, end - pos))) {
      out += text.substr(pos, end - pos);
      pos = end;
      continue;
    }
    // Extend the run over blanks followed by another word holding a character outside ASCII.
    std::size_t runEnd = end;
    for (;;) {
      std::size_t next = runEnd;
      while (next < n && IsBlank(text[next])) ++next;
      if (next == runEnd || next >= n || IsSeparator(text[next])) break;
      if (nextValue < values.size() && next == values[nextValue].begin) break;
      const std::size_t nextEnd = WordEnd(text, next);
      if (IsAscii(text.substr(next, nextEnd - next))) break;
      runEnd = nextEnd;
    }
    emit(Span{pos, runEnd}, false);
    pos = runEnd;
  }
  edges.endsWithWord = lastUnitEnd == n;
  return EndOf(text, wordsStart, lastUnitEnd);
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
      EmitWord(kJisWordStart, jis, out);
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
  EmitWord(kJisWordStart, jis, out);
}

HeaderLineEnd EncodeHeaderLine(std::string_view line, const HeaderLineContext& context, std::string& out) {
  const Options options{true, context.parameterField, context.before};
  HeaderWordEdges edges;
  if (!IsAscii(line)) {
    return EncodeText(line, encoding::IsWellFormedUtf8(line) ? Charset::kUtf8 : Charset::kCp932, options, out,
                      edges);
  }
  if (line.find('\x1b') != kNone) {
    std::string cp932;
    if (encoding::DecodeRawJis(line, cp932) && !IsAscii(cp932)) {
      return EncodeText(cp932, Charset::kCp932, options, out, edges);
    }
  }
  out += line;
  return EndOf(line, WordsStart(line, true), kNone);
}

void EncodeHeaderPiece(std::string_view text, bool lineStart, std::string& out, HeaderWordEdges* edges) {
  HeaderWordEdges unused;
  HeaderWordEdges& edge = edges ? *edges : unused;
  edge = HeaderWordEdges{};
  if (IsAscii(text)) {
    out += text;
    return;
  }
  const Options options{lineStart, false, nullptr};
  EncodeText(text, encoding::IsWellFormedUtf8(text) ? Charset::kUtf8 : Charset::kCp932, options, out, edge);
}

}  // namespace boxferry
