// The about box: its fixed content, the read-only notice, and how it closes without buttons.
#include "app/qt/about_box.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "app/qt/phrase_wrap.h"
#include "engine/messages.h"

namespace boxferry {
namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

TEST(AboutBoxTest, ShowsNameVersionLinesAndIcon) {
  AboutBox box;
  EXPECT_EQ(box.windowTitle(), Q(kAboutCaption));
  QStringList texts;
  bool icon = false;
  for (QLabel* label : box.findChildren<QLabel*>()) {
    texts << label->text();
    if (!label->pixmap().isNull()) icon = true;
  }
  EXPECT_TRUE(texts.contains(QStringLiteral("Boxferry  [Version ") + Q(kVersionText) + "]"));
  EXPECT_TRUE(texts.contains(Q(AboutLine1())));
  EXPECT_TRUE(texts.contains(Q(AboutLine2())));
  EXPECT_TRUE(icon);
  const QList<QPushButton*> buttons = box.findChildren<QPushButton*>();
  ASSERT_EQ(buttons.size(), 1);
  EXPECT_EQ(buttons[0]->text(), QStringLiteral("OK"));
  EXPECT_TRUE(buttons[0]->isDefault());
}

// The box opens with the focus on OK, not in the notice; OK closes it.
TEST(AboutBoxTest, OpensWithTheFocusOnOk) {
  AboutBox box;
  box.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
  auto* ok = qobject_cast<QPushButton*>(box.focusWidget());
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->text(), QStringLiteral("OK"));
  EXPECT_FALSE(qobject_cast<QPlainTextEdit*>(box.Notice())->textCursor().hasSelection());
  ok->click();
  EXPECT_FALSE(box.isVisible());
  EXPECT_EQ(box.result(), QDialog::Accepted);
}

TEST(AboutBoxTest, NoticeIsReadOnlyAndTheSameEachTime) {
  QString first;
  for (int i = 0; i < 2; ++i) {
    AboutBox box;
    box.show();
    auto* notice = qobject_cast<QPlainTextEdit*>(box.Notice());
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isReadOnly());
    const QString before = WithoutWordJoiners(notice->toPlainText());
    notice->setFocus();
    QTest::keyClicks(notice, QStringLiteral("xyz"));
    QTest::keyClick(notice, Qt::Key_Backspace);
    EXPECT_EQ(WithoutWordJoiners(notice->toPlainText()), before);
    EXPECT_TRUE(before.startsWith(Q(FirstLine(MessageText(kMsgNotice)))));
    if (i == 0) first = before;
    EXPECT_EQ(before, first);
  }
}

TEST(AboutBoxTest, EnterAndEscapeClose) {
  struct Case {
    Qt::Key key;
    int result;
  };
  for (const Case c : {Case{Qt::Key_Return, QDialog::Accepted}, Case{Qt::Key_Escape, QDialog::Rejected}}) {
    AboutBox box;
    box.show();
    box.Notice()->setFocus();
    QTest::keyClick(box.Notice(), c.key);
    EXPECT_FALSE(box.isVisible()) << c.key;
    EXPECT_EQ(box.result(), c.result) << c.key;
  }
}

}  // namespace
}  // namespace boxferry
