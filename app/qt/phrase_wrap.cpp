#include "app/qt/phrase_wrap.h"

#include <vector>

namespace boxferry {

namespace {

constexpr char16_t kWordJoiner = 0x2060;

enum class Kind { kBlank, kHiragana, kKatakana, kKanji, kOpening, kClosing, kOther };

bool IsLatinWordCharacter(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

Kind KindOf(const QString& text, qsizetype i) {
  const char16_t c = text.at(i).unicode();
  if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0x3000) return Kind::kBlank;
  if (c >= 0x3041 && c <= 0x309F) return Kind::kHiragana;
  if ((c >= 0x30A0 && c <= 0x30FF) || (c >= 0xFF66 && c <= 0xFF9F)) return Kind::kKatakana;
  if ((c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0xF900 && c <= 0xFAFF) ||
      (c >= 0x3005 && c <= 0x3007) || QChar::isSurrogate(c)) {
    return Kind::kKanji;
  }
  switch (c) {
    case u'「':
    case u'『':
    case u'（':
    case u'［':
    case u'【':
    case u'〈':
    case u'《':
    case u'(':
    case u'[':
      return Kind::kOpening;
    case u'」':
    case u'』':
    case u'）':
    case u'］':
    case u'】':
    case u'〉':
    case u'》':
    case u'、':
    case u'。':
    case u'，':
    case u'．':
    case u'！':
    case u'？':
    case u')':
    case u']':
      return Kind::kClosing;
    case u'.':
    case u',':
    case u'!':
    case u'?':
    case u':':
    case u';':
      // Inside a Latin word ("Account.ini", "1.0.1") these belong to the word.
      return i + 1 < text.size() && IsLatinWordCharacter(text.at(i + 1).unicode()) ? Kind::kOther
                                                                                   : Kind::kClosing;
    default:
      return Kind::kOther;
  }
}

// One-character particles: between two kanji they end a phrase ("変換の前"); any other single hiragana
// there is part of a compound ("書き込み", "読み取る").
bool IsParticle(char16_t c) {
  switch (c) {
    case u'の':
    case u'が':
    case u'を':
    case u'に':
    case u'は':
    case u'で':
    case u'と':
    case u'も':
    case u'へ':
    case u'や':
    case u'か':
      return true;
    default:
      return false;
  }
}

// breaks[i]: a line may end between text[i - 1] and text[i].
std::vector<bool> PhraseBreaks(const QString& text) {
  const qsizetype n = text.size();
  std::vector<bool> breaks(static_cast<std::size_t>(n) + 1, false);
  std::vector<Kind> kinds(static_cast<std::size_t>(n));
  for (qsizetype i = 0; i < n; ++i) kinds[static_cast<std::size_t>(i)] = KindOf(text, i);
  auto kind = [&](qsizetype i) { return kinds[static_cast<std::size_t>(i)]; };
  for (qsizetype i = 1; i < n; ++i) {
    const Kind a = kind(i - 1);
    const Kind b = kind(i);
    bool allowed = false;
    if (text.at(i - 1).isHighSurrogate() || b == Kind::kBlank) {
      allowed = false;
    } else if (a == Kind::kBlank) {
      allowed = true;
    } else if (a == Kind::kClosing) {
      allowed = b != Kind::kClosing;
    } else if (b == Kind::kOpening) {
      allowed = a != Kind::kOpening;
    } else if (a == Kind::kHiragana && b != Kind::kHiragana && b != Kind::kClosing) {
      qsizetype start = i - 1;
      while (start > 0 && kind(start - 1) == Kind::kHiragana) --start;
      const char16_t last = text.at(i - 1).unicode();
      if ((last == u'お' || last == u'ご') && b == Kind::kKanji) {
        // An honorific prefix belongs to the word after it: "を|お勧め", "ご利用".
        if (start < i - 1) breaks[static_cast<std::size_t>(i - 1)] = true;
      } else if (start == i - 1 && start > 0 && kind(start - 1) == Kind::kKanji && b == Kind::kKanji) {
        allowed = IsParticle(last);
      } else {
        allowed = true;
      }
    }
    breaks[static_cast<std::size_t>(i)] = allowed;
  }
  return breaks;
}

}  // namespace

QStringList SplitIntoPhrases(const QString& text) {
  const std::vector<bool> breaks = PhraseBreaks(text);
  QStringList phrases;
  qsizetype start = 0;
  for (qsizetype i = 1; i < text.size(); ++i) {
    if (!breaks[static_cast<std::size_t>(i)]) continue;
    phrases << text.mid(start, i - start);
    start = i;
  }
  if (start < text.size()) phrases << text.mid(start);
  return phrases;
}

QString KeepPhrasesTogether(const QString& text) {
  const std::vector<bool> breaks = PhraseBreaks(text);
  QString joined;
  joined.reserve(text.size() * 2);
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (i > 0 && !breaks[static_cast<std::size_t>(i)]) {
      const char16_t a = text.at(i - 1).unicode();
      const char16_t b = text.at(i).unicode();
      // Qt never ends a line inside a Latin word or a surrogate pair, nor before a blank.
      const bool latinWord = IsLatinWordCharacter(a) && IsLatinWordCharacter(b);
      if (!latinWord && !QChar::isHighSurrogate(a) && KindOf(text, i) != Kind::kBlank &&
          KindOf(text, i - 1) != Kind::kBlank) {
        joined += QChar(kWordJoiner);
      }
    }
    joined += text.at(i);
  }
  return joined;
}

QString WithoutWordJoiners(QString text) {
  text.remove(QChar(kWordJoiner));
  return text;
}

}  // namespace boxferry
