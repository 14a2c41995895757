// Japanese text in header lines as RFC 2047 encoded words. Thunderbird decodes encoded words but shows
// raw ISO-2022-JP in a header as garbage, and reads raw 8-bit header text as UTF-8, so a header line is
// written so:
//
// - How the line is read, per line: bytes 80-FF that are well-formed UTF-8 make it UTF-8 text; other bytes
//   80-FF make it code page 932; a line of bytes 00-7F whose every ESC begins ESC ( B, ESC ( J, ESC $ B,
//   ESC $ @ or ESC ( I and which then reads as text outside ASCII is raw ISO-2022-JP, read back to code page
//   932 (jis_decoder.h) and written like it. Every other line of bytes 00-7F comes out unchanged.
// - The text is split into words at space, tab and " ( ) < > , ; = (none of them is ever part of a
//   character: not a Shift_JIS second byte, not a UTF-8 byte). Each maximal run of words holding a
//   character outside ASCII, together with the blanks between them, becomes one or more encoded words
//   split only between characters and separated by one space: =?ISO-2022-JP?B?...?= of at most 75
//   characters, each one's JIS text beginning and ending in ASCII, or =?UTF-8?B?...?= of at most 45 bytes
//   of UTF-8 each, cut greedily.
// - In a line of a Content-Type or Content-Disposition field, a parameter value holding a character
//   outside ASCII becomes one encoded word of the whole value, however long: Thunderbird joins the bytes of
//   adjacent words of a parameter before decoding them, so a cut would show U+FFFD between ESC ( B and
//   ESC $ B. After the field name (first line) or from the line's start (continuation line), the text is
//   read as segments separated by ';': blanks, a name (no blank, tab, ';', '=' or '"'), blanks, '=',
//   blanks, the value. A quoted value is the text up to the next '"' (a '\' is no escape: it can be a
//   Shift_JIS second byte) or to the end of the line; an unquoted one runs up to the next ';' or the end,
//   trailing blanks excluded.
// - Blanks are never lost, since a decoder drops white space between adjacent encoded words: blanks that
//   stand between a unit (run or value) and an encoded word of the source on the same line stay and are
//   also written inside the unit's text on that side; at a fold, when the line before ended in an encoded
//   word followed by blanks B and the continuation line's first unit follows only its leading blanks, the
//   unit's text begins with B and those leading blanks (which also stay outside, as the fold).
// - Everything else (separators, ASCII words, the field name) stays as it stands: code page 932 as a body
//   line is transcoded, raw ISO-2022-JP written again the same way, UTF-8 byte for byte. So on a line that
//   does not begin with a blank, the text before the first ':' (a broken field name when it holds
//   Japanese) is raw ISO-2022-JP or raw UTF-8, and so is a whole such line without ':' (no field at all).
#pragma once

#include <string>
#include <string_view>

namespace boxferry {

inline constexpr std::size_t kMaxEncodedWordLength = 75;
inline constexpr std::size_t kMaxUtf8BytesPerWord = 45;

// What a written header line ended in, for the fold of the line after it.
struct HeaderLineEnd {
  bool word = false;   // an encoded word (ours or the source's) followed by blanks only
  std::string blanks;  // those blanks
};

struct HeaderLineContext {
  bool parameterField = false;  // the line belongs to a Content-Type or Content-Disposition field
  // What the header line written just before this one ended in; null when there was none (the first line
  // of a header, or a body or boundary line in between).
  const HeaderLineEnd* before = nullptr;
};

// Appends one whole header line (without its line end) in the form above and returns what it ended in.
HeaderLineEnd EncodeHeaderLine(std::string_view line, const HeaderLineContext& context, std::string& out);

// Whether the text written for a piece begins and ends with an encoded word. A line written in pieces puts
// one space between two pieces' adjacent encoded words (a reader drops it) so that each stays a word of
// its own.
struct HeaderWordEdges {
  bool startsWithWord = false;
  bool endsWithWord = false;
};

// Appends one piece of a header line longer than the reader's buffer. To keep memory bounded a piece is
// judged on its own: UTF-8 or code page 932 by its own bytes (a piece of only bytes 00-7F comes out
// unchanged: no raw ISO-2022-JP is looked for), no parameter value and no fold is recognised, and a piece
// ends its runs. `lineStart` is true for the piece that begins the line (the field name rule applies only
// there).
void EncodeHeaderPiece(std::string_view text, bool lineStart, std::string& out,
                       HeaderWordEdges* edges = nullptr);

// Appends the encoded words for one run of code page 932 text.
void AppendEncodedWords(std::string_view run, std::string& out);

// Standard base64 with padding.
std::string Base64Encode(std::string_view bytes);
void AppendBase64(std::string_view bytes, std::string& out);

}  // namespace boxferry
