// Japanese texts wrap only between phrases, however narrow the box that shows them.
#include "app/qt/phrase_wrap.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetricsF>
#include <QTextLayout>
#include <QTextOption>
#include <string>
#include <vector>

#include "app/dialog_templates.h"
#include "app/qt/template_widgets.h"
#include "engine/messages.h"

namespace boxferry {
namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

TEST(PhraseWrapTest, SplitsWhereAJapaneseReaderWouldBreak) {
  struct Case {
    const char* text;
    std::vector<const char*> phrases;
  };
  const Case cases[] = {
      {"ご利用ありがとうございます!", {"ご利用ありがとうございます!"}},
      {"変換前にAL-MailとThunderbirdのメールボックスのバックアップを取ることをお勧めします.",
       {"変換前に", "AL-Mailと", "Thunderbirdの", "メールボックスの", "バックアップを", "取ることを",
        "お勧めします."}},
      {"作者は、このソフトウェアの使用または使用不能によって生じた",
       {"作者は、", "この", "ソフトウェアの", "使用または", "使用不能によって", "生じた"}},
      // A single hiragana between kanji: a particle ends the phrase, okurigana does not.
      {"変換の前に、書き込み禁止", {"変換の", "前に、", "書き込み禁止"}},
      {"読み取るだけで、変更しません。", {"読み取るだけで、", "変更しません。"}},
      // Dots inside a Latin word belong to it; a sentence's dot ends the phrase with its blank.
      {"Account.iniのオープンに失敗しました.", {"Account.iniの", "オープンに", "失敗しました."}},
      // Hiragana after hiragana never ends a phrase: "があります" stays with what it follows.
      {"可能性があります. orz", {"可能性があります. ", "orz"}},
      {"[...]ボタンを押して、", {"[...]", "ボタンを", "押して、"}},
      {"個人・法人を問わず、", {"個人・法人を", "問わず、"}},
      {"Boxferry  [Version 1.0.1]", {"Boxferry  ", "[Version ", "1.0.1]"}},
      {"", {}},
  };
  for (const Case& c : cases) {
    QStringList expected;
    for (const char* phrase : c.phrases) expected << QString::fromUtf8(phrase);
    const QStringList phrases = SplitIntoPhrases(QString::fromUtf8(c.text));
    EXPECT_EQ(phrases, expected) << c.text << " -> " << phrases.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(phrases.join(QString()), QString::fromUtf8(c.text));
  }
}

// Every text the window can show in a box, laid out as a narrow box lays it out: a line ends only where a
// phrase ends, unless the phrase alone is wider than the line.
TEST(PhraseWrapTest, NoLineEndsInsideAPhrase) {
  QFont font = DialogFont(MainDialogTemplate());
  for (int id = kFirstMessageId; id <= kLastMessageId; ++id) {
    for (int width : {90, 160, 240, 400}) {
      const QString text = Q(MessageText(id)).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
      for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        // Where a phrase ends, counted in characters of the text without joiners.
        std::vector<bool> ends(static_cast<std::size_t>(paragraph.size()) + 1, false);
        qsizetype at = 0;
        qreal widest = 0;
        for (const QString& phrase : SplitIntoPhrases(paragraph)) {
          at += phrase.size();
          ends[static_cast<std::size_t>(at)] = true;
          widest = std::max(widest, QFontMetricsF(font).horizontalAdvance(phrase.trimmed()));
        }
        if (widest > width) continue;  // then nothing can keep the phrase whole

        const QString shown = KeepPhrasesTogether(paragraph);
        QTextLayout layout(shown, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);  // as a word-wrapped label does
        layout.setTextOption(option);
        layout.beginLayout();
        std::vector<qsizetype> lineEnds;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
          line.setLineWidth(width);
          lineEnds.push_back(line.textStart() + line.textLength());
        }
        layout.endLayout();
        lineEnds.pop_back();  // the end of the text
        for (qsizetype end : lineEnds) {
          const qsizetype inText = WithoutWordJoiners(shown.left(end)).size();
          EXPECT_TRUE(ends[static_cast<std::size_t>(inText)])
              << "text " << id << ", width " << width << ": a line ends inside a phrase, before \""
              << paragraph.mid(inText, 6).toStdString() << "\"";
        }
      }
    }
  }
}

}  // namespace
}  // namespace boxferry
