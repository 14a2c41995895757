// Japanese text in header lines as RFC 2047 encoded words. Thunderbird decodes encoded words but shows
// raw ISO-2022-JP in a header as garbage, so a header line that holds bytes 80-FF is written so:
//
// - the text is split into words at space, tab and " ( ) < > , ; = (none of them can be the second byte
//   of a Shift_JIS character);
// - each maximal run of words that hold a byte 80-FF, together with the blanks between them, becomes one
//   or more words =?ISO-2022-JP?B?...?= of at most 75 characters, each one's JIS text beginning and ending
//   in ASCII, split only between characters and separated by one space;
// - everything else (separators, ASCII words, the field name) stays as it stands; on a line that does not
//   begin with a blank, the text before the first ':' (a broken field name when it holds Japanese) is
//   written as raw ISO-2022-JP, and so is a whole such line without ':' (it is no field at all).
#pragma once

#include <string>
#include <string_view>

namespace boxferry {

inline constexpr std::size_t kMaxEncodedWordLength = 75;

// Whether the text written for a header text begins and ends with an encoded word. A line written in
// pieces puts one space between two pieces' adjacent encoded words (a reader drops it) so that each
// stays a word of its own.
struct HeaderWordEdges {
  bool startsWithWord = false;
  bool endsWithWord = false;
};

// Appends the header text (code page 932) to `out` in the form above. `lineStart` is true when `text`
// begins the line (the field name rule applies only there). Text of bytes 00-7F only comes out unchanged.
void EncodeHeaderText(std::string_view text, bool lineStart, std::string& out,
                      HeaderWordEdges* edges = nullptr);

// Appends the encoded words for one run of code page 932 text.
void AppendEncodedWords(std::string_view run, std::string& out);

// Standard base64 with padding.
std::string Base64Encode(std::string_view bytes);
void AppendBase64(std::string_view bytes, std::string& out);

}  // namespace boxferry
