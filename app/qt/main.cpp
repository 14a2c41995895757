// Boxferry's window on Qt 6: the application creates the converter dialog, runs it modally and ends
// when it closes. boxferry [INPUT [OUTPUT]] opens it with those folders chosen; --help and --version
// answer without opening anything.
#include <QApplication>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/mbox_converter_factory.h"
#include "app/qt/application_setup.h"
#include "app/qt/command_line.h"
#include "app/qt/converter_window.h"
#include "engine/messages.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void WriteLine(std::FILE* stream, const QString& text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
}

// --help and --version: the text on standard output; a failed write (a full disk, a closed pipe) is an
// error, not a success.
int Answer(const QString& text) {
  WriteLine(stdout, text);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    const int error = errno;
    WriteLine(stderr, QStringLiteral("boxferry: 標準出力に書き込めません: %1\n")
                          .arg(QString::fromLocal8Bit(std::strerror(error))));
    return kExitFailed;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  switch (boxferry::EarlyAction(arguments)) {
    case boxferry::CommandLine::Action::kHelp:
      return Answer(boxferry::HelpText());
    case boxferry::CommandLine::Action::kVersion:
      return Answer(boxferry::VersionText());
    default:
      break;
  }

  QApplication application(argc, argv);
  // Takes Qt's own options out of argc and argv; what is left is ours.
  const boxferry::CommandLine line = boxferry::ParseCommandLine(QCoreApplication::arguments());
  if (line.action == boxferry::CommandLine::Action::kUsageError) {
    WriteLine(stderr, QStringLiteral("boxferry: ") + line.error + QLatin1Char('\n') + boxferry::HelpHint() +
                          QLatin1Char('\n'));
    return kExitUsage;
  }

  boxferry::SetUpApplication(application);

  boxferry::ConverterWindow window(QString::fromUtf8(boxferry::kProductName), boxferry::MakeMboxConverter);
  const std::pair<bool, QString> given[] = {{true, line.input}, {false, line.output}};
  for (const auto& [input, path] : given) {
    if (!path.isEmpty() && !window.UseFolder(input, path)) {
      WriteLine(stderr, QStringLiteral("boxferry: フォルダがありません: ") + path + QLatin1Char('\n'));
    }
  }
  window.exec();
  return 0;
}
