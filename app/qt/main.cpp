// Boxferry's window on Qt 6: the application creates the converter dialog, runs it modally and ends
// when it closes.
#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/mbox_converter_factory.h"
#include "app/qt/converter_window.h"
#include "app/qt/template_widgets.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  application.setWindowIcon(boxferry::ApplicationIcon());
  // Qt's own texts (the folder chooser, the OK button) in the user's language, as the system's dialogs are.
  QTranslator qtTexts;
  if (qtTexts.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    application.installTranslator(&qtTexts);
  }
  // Message boxes are captioned with the executable's name without its extension.
  const QString title = QFileInfo(QString::fromLocal8Bit(argv[0])).completeBaseName();
  boxferry::ConverterWindow window(title, boxferry::MakeMboxConverter);
  window.exec();
  return 0;
}
