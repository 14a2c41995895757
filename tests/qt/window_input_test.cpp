// What reaches the window besides its buttons: the command line, folders dropped on the path fields,
// the About keys, and the program's own answers without a display.
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <QUrl>
#include <memory>

#include "app/qt/command_line.h"
#include "engine/control_ids.h"
#include "engine/messages.h"
#include "support/temp_dir.h"
#include "support/test_store.h"
#include "window_fixture.h"

namespace boxferry::test {
namespace {

using Action = CommandLine::Action;

TEST(CommandLineTest, ArgumentsGiveFoldersHelpVersionOrOneLineOfError) {
  struct Case {
    QStringList arguments;
    Action action;
    QString input, output, error;
  };
  const Case cases[] = {
      {{}, Action::kOpenWindow, {}, {}, {}},
      {{"/in"}, Action::kOpenWindow, "/in", {}, {}},
      {{"/in", "out dir"}, Action::kOpenWindow, "/in", "out dir", {}},
      {{"--", "-in", "--help"}, Action::kOpenWindow, "-in", "--help", {}},
      {{"-h"}, Action::kHelp, {}, {}, {}},
      {{"--help", "a", "b", "c"}, Action::kHelp, {}, {}, {}},
      {{"-help"}, Action::kHelp, {}, {}, {}},
      {{"--version"}, Action::kVersion, {}, {}, {}},
      {{"a", "b", "c", "d"}, Action::kUsageError, {}, {}, "引数が多すぎます: c d"},
      {{"--bogus=1", "a"}, Action::kUsageError, {}, {}, "不明なオプションです: --bogus=1"},
      {{"-x"}, Action::kUsageError, {}, {}, "不明なオプションです: -x"},
  };
  for (const Case& c : cases) {
    const CommandLine line = ParseCommandLine(QStringList{"boxferry"} + c.arguments);
    const std::string what = c.arguments.join(' ').toStdString();
    EXPECT_EQ(line.action, c.action) << what;
    EXPECT_EQ(line.input, c.input) << what;
    EXPECT_EQ(line.output, c.output) << what;
    EXPECT_EQ(line.error, c.error) << what;
  }
}

// The program itself, with no display at all.
TEST(CommandLineTest, AnswersWithoutADisplay) {
  struct Case {
    QStringList arguments;
    bool fullDisk;  // standard output is /dev/full
    int exitCode;
    QString out;  // what standard output begins with
    QString err;  // what standard error holds
  };
  const Case cases[] = {
      {{"--version"}, false, 0, QStringLiteral("boxferry (Boxferry) ") + Q(kVersionText) + "\n", {}},
      {{"-h"}, false, 0, "使い方: boxferry [INPUT [OUTPUT]]\n", {}},
      {{"-platform", "offscreen", "--help"}, false, 0, "使い方: boxferry", {}},
      {{"--help"}, true, 1, {}, "boxferry: 標準出力に書き込めません: "},
      {{"--version"}, true, 1, {}, "boxferry: 標準出力に書き込めません: "},
      {{"-platform", "offscreen", "a", "b", "c"},
       false,
       2,
       {},
       "boxferry: 引数が多すぎます: c\n" + HelpHint()},
      {{"-platform", "offscreen", "--nope"}, false, 2, {}, "boxferry: 不明なオプションです: --nope\n"},
  };
  for (const Case& c : cases) {
    const std::string what = c.arguments.join(' ').toStdString();
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(name);
    process.setProcessEnvironment(environment);
    if (c.fullDisk) process.setStandardOutputFile(QStringLiteral("/dev/full"));
    process.start(QStringLiteral(BOXFERRY_WINDOW), c.arguments);
    ASSERT_TRUE(process.waitForFinished(20000)) << what;
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << what;
    EXPECT_EQ(process.exitCode(), c.exitCode) << what;
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    const QString err = QString::fromUtf8(process.readAllStandardError());
    EXPECT_TRUE(out.startsWith(c.out)) << what << ": " << out.toStdString();
    if (c.out.isEmpty()) {
      EXPECT_TRUE(out.isEmpty()) << what;
    }
    EXPECT_TRUE(err.contains(c.err)) << what << ": " << err.toStdString();
    if (c.err.isEmpty()) {
      EXPECT_TRUE(err.isEmpty()) << what << ": " << err.toStdString();
    }
  }
}

// F1 and Alt+A open the about box from wherever the focus is; other keys do not.
TEST_F(WindowTest, AboutBoxOpensFromTheKeyboard) {
  int opened = 0;
  window->SetAboutBoxRunner([&opened](QWidget*) { ++opened; });
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  struct Case {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int opens;
  };
  for (const Case c : {Case{Qt::Key_F1, Qt::NoModifier, 1}, Case{Qt::Key_A, Qt::AltModifier, 1},
                       Case{Qt::Key_A, Qt::NoModifier, 0}, Case{Qt::Key_F2, Qt::NoModifier, 0}}) {
    for (int id : {kChooseInputButton, kCancelCloseButton}) {
      window->Item(id)->setFocus();
      opened = 0;
      QTest::keyClick(window->Item(id), c.key, c.modifiers);
      EXPECT_EQ(opened, c.opens) << c.key << " " << c.modifiers << " at " << id;
    }
  }
  EXPECT_EQ(window->AboutAction()->shortcut(), QKeySequence(Qt::Key_F1));  // shown in the context menu
}

// A drag as a file manager makes it.
std::unique_ptr<QMimeData> Dragged(const QList<QUrl>& urls) {
  auto data = std::make_unique<QMimeData>();
  data->setUrls(urls);
  return data;
}

TEST_F(WindowTest, AFolderDroppedOnAPathFieldIsChosen) {
  TempDir root;
  const QString in = Q(root.str()) + "/AL-Mail";
  const QString out = Q(root.str()) + "/Local Folders";
  QDir().mkpath(in);
  QDir().mkpath(out);
  WriteFile(root.path() / "file.txt", "x");
  const QString file = Q(root.str()) + "/file.txt";

  struct Case {
    const char* what;
    int field;
    QList<QUrl> urls;
    Qt::DropActions offered;
    bool taken;
  };
  const Case cases[] = {
      {"a folder on the input field", kInputPathEdit, {QUrl::fromLocalFile(in)}, Qt::CopyAction, true},
      {"a folder on the output field", kOutputPathEdit, {QUrl::fromLocalFile(out)}, Qt::CopyAction, true},
      {"a move is taken as a link",
       kInputPathEdit,
       {QUrl::fromLocalFile(in)},
       Qt::MoveAction | Qt::LinkAction,
       true},
      {"a move alone is refused", kInputPathEdit, {QUrl::fromLocalFile(in)}, Qt::MoveAction, false},
      {"a file", kInputPathEdit, {QUrl::fromLocalFile(file)}, Qt::CopyAction, false},
      {"two folders",
       kInputPathEdit,
       {QUrl::fromLocalFile(in), QUrl::fromLocalFile(out)},
       Qt::CopyAction,
       false},
      {"a remote folder", kOutputPathEdit, {QUrl("sftp://host/mail/")}, Qt::CopyAction, false},
      {"a folder that is gone", kOutputPathEdit, {QUrl::fromLocalFile(in + "/gone")}, Qt::CopyAction, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto field = qobject_cast<QLineEdit*>(window->Item(c.field));
    field->clear();
    const std::unique_ptr<QMimeData> data = Dragged(c.urls);
    const QPoint at = field->rect().center();
    QDragEnterEvent enter(at, c.offered, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(field, &enter);
    EXPECT_EQ(enter.isAccepted(), c.taken);
    QDropEvent drop(QPointF(at), c.offered, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(field, &drop);
    EXPECT_EQ(drop.isAccepted(), c.taken);
    if (c.taken) {
      EXPECT_NE(drop.dropAction(), Qt::MoveAction);
      EXPECT_EQ(field->text(), c.urls.first().toLocalFile());
    } else {
      EXPECT_EQ(field->text(), QString());
    }
  }
  // Both fields came from drops: ready.
  EXPECT_EQ(Q(window->Dialog().inputFolder()), in);
  EXPECT_EQ(Q(window->Dialog().outputFolder()), out);
  EXPECT_TRUE(window->Item(kStartButton)->isEnabled());
  EXPECT_EQ(Text(kStatusText), Q(MessageText(kMsgReady)));
}

// The command line's folders: relative ones become absolute, what is no folder is not taken.
TEST_F(WindowTest, UseFolderTakesOnlyExistingFolders) {
  TempDir root;
  QDir().mkpath(Q(root.str()) + "/in");
  const QString before = QDir::currentPath();
  QDir::setCurrent(Q(root.str()));
  EXPECT_TRUE(window->UseFolder(true, QStringLiteral("./in/")));
  EXPECT_FALSE(window->UseFolder(false, QStringLiteral("missing")));
  EXPECT_FALSE(window->UseFolder(false, QString()));
  QDir::setCurrent(before);
  EXPECT_EQ(Text(kInputPathEdit), Q(root.str()) + "/in");
  EXPECT_EQ(Text(kOutputPathEdit), QString());
  EXPECT_FALSE(window->Item(kStartButton)->isEnabled());
}

}  // namespace
}  // namespace boxferry::test
