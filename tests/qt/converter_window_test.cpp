// The Qt main window, offscreen: its controls, the folder choice, runs with their counters, and Cancel,
// Escape, the close box and the About entry in the middle of a run.
#include <QAction>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QGroupBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRawFont>
#include <QTest>
#include <QTextLayout>
#include <QTimer>
#include <functional>
#include <ostream>
#include <string>

#include "app/dialog_templates.h"
#include "app/qt/about_box.h"
#include "app/qt/phrase_wrap.h"
#include "app/qt/template_widgets.h"
#include "engine/control_ids.h"
#include "engine/messages.h"
#include "support/temp_dir.h"
#include "support/test_store.h"
#include "window_fixture.h"

namespace boxferry::test {
namespace {

TEST_F(WindowTest, ControlsFollowTheTemplate) {
  const DialogTemplate& dialog = MainDialogTemplate();
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Boxferry Version ") + Q(kVersionText));
  const DialogBase base = DialogBaseOf(window->font());
  const PixelRect client = DialogUnitsToPixels(base, 0, 0, dialog.width, dialog.height);
  EXPECT_EQ(window->size(), QSize(client.width, client.height));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());  // not resizable

  QStringList labels, groups;
  for (QLabel* label : window->findChildren<QLabel*>()) labels << label->text();
  for (QGroupBox* group : window->findChildren<QGroupBox*>()) groups << group->title();
  for (const ControlTemplate& control : dialog.controls) {
    const QString text = Q(control.text);
    if (control.id == kNoControlId) {
      EXPECT_TRUE((control.kind == ControlKind::kGroupBox ? groups : labels).contains(text)) << control.text;
      continue;
    }
    QWidget* item = window->Item(control.id);
    ASSERT_NE(item, nullptr) << control.id;
    const PixelRect rect = DialogUnitsToPixels(base, control.x, control.y, control.width, control.height);
    EXPECT_EQ(item->geometry(), QRect(rect.x, rect.y, rect.width, rect.height)) << control.id;
    switch (control.kind) {
      case ControlKind::kEdit: {
        auto* edit = qobject_cast<QLineEdit*>(item);
        ASSERT_NE(edit, nullptr) << control.id;
        EXPECT_TRUE(edit->isReadOnly()) << control.id;
        EXPECT_EQ(edit->hasFrame(), control.id != kCurrentPathEdit) << control.id;
        EXPECT_FALSE(edit->focusPolicy() & Qt::TabFocus) << control.id;
        break;
      }
      case ControlKind::kStatic: {
        auto* label = qobject_cast<QLabel*>(item);
        ASSERT_NE(label, nullptr) << control.id;
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_EQ(bool(label->alignment() & Qt::AlignRight), bool(control.style & kAlignRight)) << control.id;
        break;
      }
      case ControlKind::kButton:
        ASSERT_NE(qobject_cast<QPushButton*>(item), nullptr) << control.id;
        break;
      default:
        ADD_FAILURE() << control.id;
    }
  }
  // After initialisation: the Cancel/Close button reads "閉じる", Start is the disabled default button.
  EXPECT_EQ(Text(kCancelCloseButton), QStringLiteral("閉じる"));
  EXPECT_EQ(Text(kChooseInputButton), QStringLiteral("..."));
  EXPECT_EQ(Text(kStartButton), QStringLiteral("開始"));
  EXPECT_TRUE(qobject_cast<QPushButton*>(window->Item(kStartButton))->isDefault());
  EXPECT_FALSE(window->Item(kStartButton)->isEnabled());
  EXPECT_EQ(Text(kStatusText), Q(MessageText(kMsgChooseFolders)));
  for (int id : {kAccountCountText, kFolderCountText, kFileCountText}) EXPECT_EQ(Text(id), QString()) << id;

  // Tab goes round the four buttons, in template order.
  std::vector<QWidget*> stops;
  QWidget* widget = window->Item(kChooseInputButton);
  do {
    if (widget->focusPolicy() & Qt::TabFocus) stops.push_back(widget);
    widget = widget->nextInFocusChain();
  } while (widget != window->Item(kChooseInputButton));
  EXPECT_EQ(stops, (std::vector<QWidget*>{window->Item(kChooseInputButton), window->Item(kChooseOutputButton),
                                          window->Item(kStartButton), window->Item(kCancelCloseButton)}));

  ASSERT_NE(window->AboutAction(), nullptr);
  EXPECT_EQ(window->AboutAction()->text(), Q(MessageText(kMsgAboutMenu)));
  EXPECT_EQ(window->contextMenuPolicy(), Qt::ActionsContextMenu);
  EXPECT_FALSE(window->windowIcon().isNull());
}

// Nothing the window shows by itself is cut off: the template's labels and every status line.
TEST_F(WindowTest, FixedTextsFitTheirControls) {
  auto fits = [](QWidget* widget, const QString& text) {
    return widget->fontMetrics().horizontalAdvance(text) <= widget->contentsRect().width();
  };
  for (QLabel* label : window->findChildren<QLabel*>()) {
    EXPECT_TRUE(fits(label, label->text())) << label->text().toStdString();
  }
  for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
    EXPECT_LT(button->fontMetrics().horizontalAdvance(button->text()), button->width());
  }
  // Every text that can stand in the status line, new ones included: all but the welcome and the
  // button labels.
  for (int id = kMsgFolderCreateFailed; id <= kLastMessageId; ++id) {
    if (id == kMsgWelcome || id == kMsgClose || id == kMsgCancel) continue;
    EXPECT_TRUE(fits(window->Item(kStatusText), Q(FirstLine(MessageText(id))))) << id;
  }
  EXPECT_TRUE(fits(window->Item(kCancelCloseButton), QStringLiteral("キャンセル")));
}

TEST_F(WindowTest, FirstButtonHasTheFocus) {
  window->show();
  QTest::qWait(10);
  EXPECT_EQ(window->focusWidget(), window->Item(kChooseInputButton));
}

TEST_F(WindowTest, WelcomeBoxOnceWhenFirstShown) {
  EXPECT_TRUE(boxes.empty());
  window->show();
  QTest::qWait(20);
  window->hide();
  window->show();
  QTest::qWait(20);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, QStringLiteral("boxferry-test"));
  EXPECT_EQ(boxes[0].text, Q(MessageText(kMsgWelcome)).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  EXPECT_EQ(boxes[0].flags, kIconInformation);
  EXPECT_EQ(Text(kStatusText), Q(MessageText(kMsgChooseFolders)));
}

TEST_F(WindowTest, ChoosingBothFoldersEnablesStart) {
  answers = {QStringLiteral("/mail/in")};
  Button(kChooseInputButton)->click();
  EXPECT_EQ(Text(kInputPathEdit), QStringLiteral("/mail/in"));
  EXPECT_FALSE(window->Item(kStartButton)->isEnabled());
  answers = {QStringLiteral("/mail/out")};
  Button(kChooseOutputButton)->click();
  EXPECT_TRUE(window->Item(kStartButton)->isEnabled());
  EXPECT_EQ(Text(kStatusText), Q(MessageText(kMsgReady)));
  // A cancelled chooser keeps the field; the chooser opens at the current folder.
  answers.clear();
  Button(kChooseOutputButton)->click();
  EXPECT_EQ(Text(kOutputPathEdit), QStringLiteral("/mail/out"));
  EXPECT_EQ(chooserCalls,
            (QStringList{Q(MessageText(kMsgChooseInput)) + " | ", Q(MessageText(kMsgChooseOutput)) + " | ",
                         Q(MessageText(kMsgChooseOutput)) + " | /mail/out"}));
  // The same folder twice is not ready.
  answers = {QStringLiteral("/mail/in")};
  Button(kChooseOutputButton)->click();
  EXPECT_FALSE(window->Item(kStartButton)->isEnabled());
  EXPECT_EQ(Text(kStatusText), Q(MessageText(kMsgChooseFolders)));
}

// Calls `step` from the event loop, over and over, while a run goes on; it returns true when done.
class Repeater {
 public:
  explicit Repeater(std::function<bool()> step) : step_(std::move(step)) {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (!done_ && step_()) done_ = true;
    });
    timer_.start();
  }
  bool done() const { return done_; }

 private:
  QTimer timer_;
  std::function<bool()> step_;
  bool done_ = false;
};

TEST_F(WindowTest, RunShowsNamesCountersAndCompletion) {
  TempDir store, output;
  const std::string account = WriteStore(store.path(), 20);
  Choose(Q(store.str()), Q(output.str()));
  window->show();
  QTest::qWait(10);
  boxes.clear();

  QString buttonShown;
  QStringList accountsShown;
  Repeater sample([&] {
    if (!window->Dialog().monitor().IsRunning()) return false;
    if (!accountsShown.contains(Text(kAccountNameText))) accountsShown << Text(kAccountNameText);
    if (Files() < 3) return false;
    buttonShown = Text(kCancelCloseButton);
    return false;
  });
  // Names and counters are drawn at a human rate, the first ones at once; the completion box stands over
  // the final ones (no names: the run has ended).
  QStringList shownAtTheBox;
  window->SetMessageBoxFunction([&](QWidget*, const QString&, const QString& text, int flags) {
    boxes.push_back({QString(), text, flags});
    shownAtTheBox = QStringList{Text(kAccountNameText), Text(kFolderNameText), Text(kFileCountText)};
    return 1;
  });
  Button(kStartButton)->click();

  EXPECT_TRUE(accountsShown.contains(Q(account)));
  EXPECT_EQ(shownAtTheBox, (QStringList{QString(), QString(), QStringLiteral("20")}));
  EXPECT_EQ(buttonShown, QStringLiteral("キャンセル"));
  EXPECT_EQ(Text(kAccountCountText), QStringLiteral("1"));
  EXPECT_EQ(Text(kFolderCountText), QStringLiteral("1"));
  EXPECT_EQ(Text(kFileCountText), QStringLiteral("20"));
  EXPECT_EQ(Text(kStatusText), QStringLiteral("変換完了!"));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, QStringLiteral("変換完了!"));
  EXPECT_EQ(boxes[0].flags, kIconInformation);
  EXPECT_EQ(CountMboxMessages(output / (account + ".sbd") / "郵便受け"), 20);
  EXPECT_TRUE(window->Item(kStartButton)->isEnabled());
  EXPECT_EQ(Text(kCancelCloseButton), QStringLiteral("閉じる"));
}

// While a run goes on, the counters and names are redrawn at a human rate, yet the window's events are
// still handled after every message file.
TEST_F(WindowTest, RunRedrawsAtAHumanRateAndPumpsAfterEveryFile) {
  constexpr int kFiles = 3000;
  TempDir store, output;
  WriteStore(store.path(), kFiles);
  Choose(Q(store.str()), Q(output.str()));
  window->show();
  QTest::qWait(10);

  int pumps = 0;
  QStringList shown;  // the file counter as the screen showed it, each change once
  Repeater watch([&] {
    ++pumps;
    const QString now = Text(kFileCountText);
    if (shown.isEmpty() || shown.last() != now) shown << now;
    return false;
  });
  QElapsedTimer clock;
  clock.start();
  Button(kStartButton)->click();
  const qint64 ms = clock.elapsed();

  EXPECT_GE(pumps, kFiles);
  EXPECT_LE(shown.size(), ms / 50 + 3) << ms << " ms";
  if (ms > 200) {
    EXPECT_GE(shown.size(), 3) << ms << " ms";  // it does move while the run goes on
  }
  EXPECT_EQ(Text(kFileCountText), QString::number(kFiles));
  // The last names are on screen, not the ones last drawn during the run.
  EXPECT_EQ(Text(kFileNameText), Q(window->Dialog().monitor().fileName()));
  EXPECT_EQ(Text(kCurrentPathEdit), Q(window->Dialog().monitor().currentPath()));
}

// The desktop's font sets the dialog units: a larger font gives a larger window with the same layout.
TEST(DialogFontTest, DesktopFontSetsTheDialogUnits) {
  const QFont saved = QApplication::font();
  int previousWidth = 0;
  for (int points : {8, 11, 16}) {
    QFont desktop = saved;
    desktop.setPointSize(points);
    QApplication::setFont(desktop);
    ConverterWindow window(QStringLiteral("Boxferry"), MakeMboxConverter);
    EXPECT_EQ(window.font().pointSize(), points);
    EXPECT_EQ(window.font().families().first(), desktop.families().value(0, desktop.family()));
    const DialogBase base = DialogBaseOf(window.font());
    const PixelRect client =
        DialogUnitsToPixels(base, 0, 0, MainDialogTemplate().width, MainDialogTemplate().height);
    EXPECT_EQ(window.width(), client.width) << points;
    EXPECT_GT(window.width(), previousWidth) << points;
    previousWidth = window.width();
  }
  QApplication::setFont(saved);
}

// Kanji are drawn from a Japanese font when one of those the window names is installed, not from whatever
// CJK font the system would pick (often a Chinese one).
TEST(DialogFontTest, KanjiComeFromAJapaneseFont) {
  const QFont font = DialogFont(MainDialogTemplate());
  const QStringList installed = QFontDatabase::families();
  QStringList japanese;
  for (const QString& family : font.families().mid(1)) {
    if (installed.contains(family)) japanese << family;
  }
  if (japanese.isEmpty())
    GTEST_SKIP() << "none of " << font.families().join(", ").toStdString() << " installed";
  QTextLayout layout(QStringLiteral("変換完了"), font);
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  const QList<QGlyphRun> runs = layout.glyphRuns();
  ASSERT_FALSE(runs.isEmpty());
  for (const QGlyphRun& run : runs) {
    EXPECT_TRUE(japanese.contains(run.rawFont().familyName()) || run.rawFont().familyName() == font.family())
        << run.rawFont().familyName().toStdString();
  }
}

// How the user asks to stop: the Cancel/Close button, Escape, or the window's close box.
enum class Ask { kButton, kEscape, kCloseBox };

std::string AskName(Ask ask) {
  switch (ask) {
    case Ask::kButton:
      return "CancelButton";
    case Ask::kEscape:
      return "Escape";
    default:
      return "CloseBox";
  }
}
void PrintTo(Ask ask, std::ostream* os) {
  *os << AskName(ask);
}

void AskToStop(ConverterWindow& window, Ask ask) {
  switch (ask) {
    case Ask::kButton:
      qobject_cast<QAbstractButton*>(window.Item(kCancelCloseButton))->click();
      break;
    case Ask::kEscape: {
      QWidget* target = window.focusWidget() ? window.focusWidget() : &window;
      QTest::keyClick(target, Qt::Key_Escape);
      break;
    }
    case Ask::kCloseBox:
      window.close();
      break;
  }
}

class StopTest : public WindowTest, public ::testing::WithParamInterface<Ask> {};

TEST_P(StopTest, DuringARunStopsAfterTheCurrentFileAndKeepsTheWindow) {
  TempDir store, output;
  const std::string account = WriteStore(store.path(), 3000);
  Choose(Q(store.str()), Q(output.str()));
  window->show();
  QTest::qWait(10);
  boxes.clear();

  int filesWhenAsked = -1;
  Repeater stop([&] {
    if (Files() < 100) return false;
    filesWhenAsked = Files();
    AskToStop(*window, GetParam());
    return true;
  });
  Button(kStartButton)->click();

  ASSERT_TRUE(stop.done());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, Q(MessageText(kMsgCancelled)));
  EXPECT_EQ(boxes[0].flags, kIconStop);
  EXPECT_EQ(Text(kStatusText), Q(MessageText(kMsgCancelled)));
  // Stopped after the file in hand: the counter tells exactly what the mbox holds.
  const int files = Text(kFileCountText).toInt();
  EXPECT_GE(files, filesWhenAsked);
  EXPECT_LE(files, filesWhenAsked + 1);
  EXPECT_LT(files, 3000);
  EXPECT_EQ(CountMboxMessages(output / (account + ".sbd") / "郵便受け"), files);
  EXPECT_EQ(window->Dialog().monitor().state(), kReady);
  EXPECT_TRUE(window->Item(kStartButton)->isEnabled());
  EXPECT_EQ(Text(kCancelCloseButton), QStringLiteral("閉じる"));
  EXPECT_TRUE(window->isVisible());
}

TEST_P(StopTest, WhileIdleClosesTheWindow) {
  window->show();
  QTest::qWait(10);
  ASSERT_TRUE(window->isVisible());
  AskToStop(*window, GetParam());
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(window->result(), QDialog::Rejected);
}

INSTANTIATE_TEST_SUITE_P(Ways, StopTest, ::testing::Values(Ask::kButton, Ask::kEscape, Ask::kCloseBox),
                         [](const auto& info) { return AskName(info.param); });

// The About entry during a run opens the real about box; the run does not move until it is closed.
TEST_F(WindowTest, AboutDuringARunMakesTheRunWait) {
  TempDir store, output;
  const std::string account = WriteStore(store.path(), 300);
  Choose(Q(store.str()), Q(output.str()));
  window->show();
  QTest::qWait(10);
  boxes.clear();

  Repeater open([&] {
    if (Files() < 20) return false;
    window->AboutAction()->trigger();  // returns when the box has been closed
    return true;
  });
  int filesWhenOpen = -1;
  int filesWhenClosed = -2;
  QString notice;
  QElapsedTimer openFor;
  Repeater close([&] {
    auto* about = qobject_cast<AboutBox*>(QApplication::activeModalWidget());
    if (!about) return false;
    if (filesWhenOpen < 0) {
      filesWhenOpen = Files();
      notice = qobject_cast<QPlainTextEdit*>(about->Notice())->toPlainText();
      openFor.start();
      return false;
    }
    if (openFor.elapsed() < 150) return false;
    filesWhenClosed = Files();
    about->reject();
    return true;
  });
  Button(kStartButton)->click();

  ASSERT_TRUE(open.done());
  ASSERT_TRUE(close.done());
  EXPECT_GE(filesWhenOpen, 20);
  EXPECT_EQ(filesWhenClosed, filesWhenOpen);
  EXPECT_EQ(WithoutWordJoiners(notice),
            Q(MessageText(kMsgNotice)).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  EXPECT_EQ(Text(kFileCountText), QStringLiteral("300"));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, QStringLiteral("変換完了!"));
}

// The system's own message box: caption, text and the icon the flags ask for.
TEST(SystemMessageBoxTest, IconFollowsTheFlags) {
  struct Case {
    int flags;
    QMessageBox::Icon icon;
  };
  for (const Case c :
       {Case{kIconStop, QMessageBox::Critical}, Case{kIconInformation, QMessageBox::Information}}) {
    QMessageBox::Icon shown = QMessageBox::NoIcon;
    QString caption, text;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      shown = box->icon();
      caption = box->windowTitle();
      text = box->text();
      box->accept();
    });
    EXPECT_EQ(ConverterWindow::SystemMessageBox(nullptr, QStringLiteral("boxferry"), QStringLiteral("a\nb"),
                                                c.flags),
              1);
    EXPECT_EQ(shown, c.icon) << c.flags;
    EXPECT_EQ(caption, QStringLiteral("boxferry"));
    EXPECT_EQ(text, QStringLiteral("a\nb"));
  }
}

}  // namespace
}  // namespace boxferry::test
