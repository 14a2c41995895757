// Line breaks in Japanese text only between phrases. Qt, following the Unicode line-breaking rules, may
// wrap Japanese between any two characters and Latin words at a hyphen, so a narrow message box (a small
// screen, a large scale factor) showed "ござ|います", "バック|アップ" and "AL-|Mail". The texts are
// therefore shown with a word joiner (U+2060, invisible) wherever a line must not end.
#pragma once

#include <QString>
#include <QStringList>

namespace boxferry {

// `text` cut where a line may end: after a blank, after closing punctuation (、。!.」…), before an opening
// bracket, and where hiragana (the particles and endings that close a phrase) meet a kanji, katakana or
// Latin word — except after a lone お or ご that begins a phrase. The pieces, joined, give `text` back.
QStringList SplitIntoPhrases(const QString& text);

// `text` with a word joiner between every two characters of a phrase that a line could otherwise end
// between.
QString KeepPhrasesTogether(const QString& text);

// `text` without the word joiners KeepPhrasesTogether put in (for copying shown text).
QString WithoutWordJoiners(QString text);

}  // namespace boxferry
