#include "app/qt/command_line.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include "engine/messages.h"

namespace boxferry {

namespace {

struct Parser {
  Parser() {
    // "-help" reads as "--help", and Qt's "-platform xcb" as one unknown option, not as -p -l -a ...
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(QStringLiteral("INPUT"), QString());
    parser.addPositionalArgument(QStringLiteral("OUTPUT"), QString());
  }

  QCommandLineParser parser;
  QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}};
  QCommandLineOption version{QStringLiteral("version")};
};

// The argument that named option `name` ("--bogus=1" for "bogus"), or the name.
QString AsWritten(const QStringList& arguments, const QString& name) {
  for (const QString& argument : arguments.mid(1)) {
    if (argument == QStringLiteral("--")) break;
    QString bare = argument;
    while (bare.startsWith(QLatin1Char('-'))) bare.remove(0, 1);
    if (bare.section(QLatin1Char('='), 0, 0) == name && argument.startsWith(QLatin1Char('-')))
      return argument;
  }
  return name;
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
  Parser p;
  CommandLine line;
  const bool parsed = p.parser.parse(arguments);
  if (p.parser.isSet(p.help)) {
    line.action = CommandLine::Action::kHelp;
    return line;
  }
  if (p.parser.isSet(p.version)) {
    line.action = CommandLine::Action::kVersion;
    return line;
  }
  const QStringList folders = p.parser.positionalArguments();
  if (!parsed) {
    line.action = CommandLine::Action::kUsageError;
    const QStringList unknown = p.parser.unknownOptionNames();
    line.error = unknown.isEmpty()
                     ? p.parser.errorText()
                     : QStringLiteral("不明なオプションです: ") + AsWritten(arguments, unknown.first());
  } else if (folders.size() > 2) {
    line.action = CommandLine::Action::kUsageError;
    line.error = QStringLiteral("引数が多すぎます: ") + folders.mid(2).join(QLatin1Char(' '));
  } else {
    line.input = folders.value(0);
    line.output = folders.value(1);
  }
  return line;
}

CommandLine::Action EarlyAction(const QStringList& arguments) {
  Parser p;
  p.parser.parse(arguments);  // unknown options are Qt's own until QApplication has taken them out
  if (p.parser.isSet(p.help)) return CommandLine::Action::kHelp;
  if (p.parser.isSet(p.version)) return CommandLine::Action::kVersion;
  return CommandLine::Action::kOpenWindow;
}

QString HelpText() {
  return QStringLiteral(
      "使い方: boxferry [INPUT [OUTPUT]]\n"
      "  AL-Mailのメールボックスフォルダ INPUT を Thunderbirdのローカルフォルダ OUTPUT に変換するウィンドウを"
      "開きます.\n"
      "  INPUT と OUTPUT を指定すると、そのフォルダを選んだ状態で開きます. フォルダはパスの欄へドロップしても"
      "選べます.\n"
      "  -h, --help     この説明を表示します\n"
      "      --version  バージョンを表示します\n"
      "  Qt の標準のオプション (-platform、-style など) も使えます.\n"
      "  ウィンドウを使わずに変換するには boxferry-cli を使ってください.\n");
}

QString VersionText() {
  return QStringLiteral("boxferry (%1) %2\n%3\n")
      .arg(QString::fromUtf8(kProductName), QString::fromUtf8(kVersionText), QString::fromUtf8(AboutLine2()));
}

QString HelpHint() {
  return QStringLiteral("詳しくは boxferry --help を実行してください.");
}

}  // namespace boxferry
