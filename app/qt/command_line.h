// The window's command line: boxferry [INPUT [OUTPUT]], --help, --version. --help and --version are
// answered before any window system is touched, so they work without a display.
#pragma once

#include <QString>
#include <QStringList>

namespace boxferry {

struct CommandLine {
  enum class Action { kOpenWindow, kHelp, kVersion, kUsageError };
  Action action = Action::kOpenWindow;
  QString input;   // empty when not given
  QString output;  // empty when not given
  QString error;   // kUsageError: one line saying what is wrong
};

// The whole command line (the program name first), after QApplication has taken its own options out.
CommandLine ParseCommandLine(const QStringList& arguments);

// Only whether --help or --version is asked for, before QApplication exists: Qt's own options (-platform
// and the like) are still in `arguments` and count as no error here.
CommandLine::Action EarlyAction(const QStringList& arguments);

QString HelpText();
// GNU form: "boxferry (Boxferry) VERSION", then the copyright line.
QString VersionText();
// The line after a usage error.
QString HelpHint();

}  // namespace boxferry
