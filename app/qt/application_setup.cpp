#include "app/qt/application_setup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/dialog_templates.h"
#include "app/qt/template_widgets.h"

namespace boxferry {

void SetUpApplication(QApplication& application) {
  QGuiApplication::setDesktopFileName(QStringLiteral("boxferry"));
  application.setWindowIcon(ApplicationIcon());
  // The desktop's font with Japanese fonts behind it, for the message boxes and the folder chooser too.
  QApplication::setFont(DialogFont(MainDialogTemplate()));
  // Qt's own texts (the folder chooser, the OK button) in the user's language, as the system's dialogs
  // are. The translator lives as long as the application.
  auto* qtTexts = new QTranslator(&application);
  if (qtTexts->load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    application.installTranslator(qtTexts);
  }
}

}  // namespace boxferry
