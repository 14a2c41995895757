// Draws the main window into a PNG for the documentation: optionally after converting INPUT into
// OUTPUT, and optionally the about box beside it. Message boxes are recorded, not shown, so nothing waits
// for a click. Usage: boxferry-screenshot WINDOW.png [INPUT OUTPUT] [--about ABOUT.png]
#include <QApplication>
#include <QCoreApplication>
#include <QPushButton>
#include <QStringList>
#include <QTextStream>
#include <cstdio>

#include "app/mbox_converter_factory.h"
#include "app/qt/about_box.h"
#include "app/qt/converter_window.h"
#include "engine/control_ids.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QStringList args = QCoreApplication::arguments().mid(1);
  QString aboutShot;
  if (const qsizetype at = args.indexOf(QStringLiteral("--about")); at >= 0 && at + 1 < args.size()) {
    aboutShot = args.at(at + 1);
    args.remove(at, 2);
  }
  if (args.size() != 1 && args.size() != 3) {
    std::fprintf(stderr, "usage: boxferry-screenshot WINDOW.png [INPUT OUTPUT] [--about ABOUT.png]\n");
    return 2;
  }

  boxferry::ConverterWindow window(QStringLiteral("boxferry"), boxferry::MakeMboxConverter);
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
    static_cast<QPushButton*>(window.Item(boxferry::kStartButton))->click();
  }
  QCoreApplication::processEvents();
  if (!window.grab().save(args.at(0))) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(args.at(0)));
    return 1;
  }

  if (!aboutShot.isEmpty()) {
    boxferry::AboutBox about(&window);
    about.show();
    QCoreApplication::processEvents();
    if (!about.grab().save(aboutShot)) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(aboutShot));
      return 1;
    }
  }
  return 0;
}
