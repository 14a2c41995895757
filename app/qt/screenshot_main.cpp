// Drives the main window for the documentation and the benchmarks: optionally converts INPUT into OUTPUT
// (choosing both folders and pressing Start), then draws the window into a PNG; optionally also the about
// box and the welcome box as the system shows them. Message boxes of the run are recorded on standard
// error, not shown, so nothing waits for a click.
//   boxferry-screenshot [--time] [--about ABOUT.png] [--welcome WELCOME.png] WINDOW.png [INPUT OUTPUT]
// --time prints the run's time, from the press of Start until the run has returned, as run_us=N, and the
// processor time the program spent in it as run_cpu_us=N.
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTextStream>
#include <cstdio>
#include <ctime>
#include <memory>

#include "app/mbox_converter_factory.h"
#include "app/qt/about_box.h"
#include "app/qt/application_setup.h"
#include "app/qt/converter_window.h"
#include "engine/control_ids.h"
#include "engine/messages.h"

namespace {

bool Save(QWidget& widget, const QString& file) {
  if (widget.grab().save(file)) return true;
  std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
  return false;
}

// Takes "--name VALUE" out of `args`; empty when absent.
QString TakeValue(QStringList& args, const QString& name) {
  const qsizetype at = args.indexOf(name);
  if (at < 0 || at + 1 >= args.size()) return QString();
  const QString value = args.at(at + 1);
  args.remove(at, 2);
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  boxferry::SetUpApplication(application);
  QStringList args = QCoreApplication::arguments().mid(1);
  const QString aboutShot = TakeValue(args, QStringLiteral("--about"));
  const QString welcomeShot = TakeValue(args, QStringLiteral("--welcome"));
  const bool time = args.removeAll(QStringLiteral("--time")) > 0;
  if (args.size() != 1 && args.size() != 3) {
    std::fprintf(stderr,
                 "usage: boxferry-screenshot [--time] [--about ABOUT.png] [--welcome WELCOME.png] WINDOW.png "
                 "[INPUT OUTPUT]\n");
    return 2;
  }

  boxferry::ConverterWindow window(QString::fromUtf8(boxferry::kProductName), boxferry::MakeMboxConverter);
  QTextStream err(stderr);
  window.SetMessageBoxFunction([&err](QWidget*, const QString& caption, const QString& text, int flags) {
    err << "[" << caption << ", flags " << flags << "] " << text << "\n";
    err.flush();
    return 1;
  });
  QStringList folders = args.mid(1);
  window.SetFolderChooser([&folders](QWidget*, const QString&, const QString&) -> std::optional<QString> {
    if (folders.isEmpty()) return std::nullopt;
    return folders.takeFirst();
  });

  window.show();
  QCoreApplication::processEvents();
  if (args.size() == 3) {
    static_cast<QPushButton*>(window.Item(boxferry::kChooseInputButton))->click();
    static_cast<QPushButton*>(window.Item(boxferry::kChooseOutputButton))->click();
    QElapsedTimer run;
    const std::clock_t cpu = std::clock();
    run.start();
    static_cast<QPushButton*>(window.Item(boxferry::kStartButton))->click();
    if (time) {
      std::printf("run_us=%lld run_cpu_us=%lld\n", static_cast<long long>(run.nsecsElapsed() / 1000),
                  static_cast<long long>((std::clock() - cpu) * 1000000.0 / CLOCKS_PER_SEC));
    }
  }
  QCoreApplication::processEvents();
  if (!Save(window, args.at(0))) return 1;

  if (!aboutShot.isEmpty()) {
    boxferry::AboutBox about(&window);
    about.show();
    QCoreApplication::processEvents();
    if (!Save(about, aboutShot)) return 1;
  }
  if (!welcomeShot.isEmpty()) {
    std::unique_ptr<QMessageBox> box = boxferry::ConverterWindow::MakeMessageBox(
        &window, QString::fromUtf8(boxferry::kProductName),
        QString::fromStdString(boxferry::MessageText(boxferry::kMsgWelcome)), boxferry::kIconInformation);
    box->show();
    QCoreApplication::processEvents();
    if (!Save(*box, welcomeShot)) return 1;
  }
  return 0;
}
