#include "cli/options.h"

#include "engine/messages.h"

namespace boxferry::cli {

Options ParseArguments(const std::vector<std::string>& args) {
  Options options;
  std::vector<std::string> operands;
  std::string firstError;
  bool optionsEnded = false;
  bool listProfiles = false;
  bool reportGiven = false;
  const auto fail = [&](const std::string& why) {
    if (firstError.empty()) firstError = why;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      operands.push_back(arg);  // "-" alone is a folder name too
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help" || arg == "-h") {
      options.action = Options::Action::kHelp;
      return options;
    } else if (arg == "--version") {
      options.action = Options::Action::kVersion;
      return options;
    } else if (arg == "--thunderbird") {
      listProfiles = true;
    } else if (arg == "--report" || arg.starts_with("--report=")) {
      if (arg == "--report" && i + 1 == args.size()) {
        fail("--report にファイルを指定して下さい.");
        continue;
      }
      const std::string file = arg == "--report" ? args[++i] : arg.substr(9);
      if (file.empty()) fail("--report にファイルを指定して下さい.");
      if (reportGiven) fail("--report は一度だけ指定できます.");
      reportGiven = true;
      options.report = file;
    } else {
      fail("不明なオプションです: " + arg);
    }
  }
  // --help and --version may stand after a mistake and still be answered; so errors wait until here.
  if (!firstError.empty()) {
    options.error = firstError;
  } else if (listProfiles) {
    options.action = Options::Action::kListProfiles;
    if (!operands.empty()) options.error = "--thunderbird にフォルダは指定できません: " + operands[0];
    if (reportGiven) options.error = "--thunderbird と --report は同時に指定できません.";
  } else if (operands.empty()) {
    options.error = "入力フォルダと出力フォルダを指定して下さい.";
  } else if (operands.size() == 1) {
    options.error = "出力フォルダを指定して下さい.";
  } else if (operands.size() > 2) {
    options.error = "引数が多すぎます: " + operands[2];
  } else {
    options.input = operands[0];
    options.output = operands[1];
  }
  return options;
}

const char* HelpText() {
  return "使い方: boxferry-cli [オプション] INPUT OUTPUT\n"
         "\n"
         "AL-Mailのメールボックスフォルダ INPUT を、Thunderbirdのローカルフォルダ OUTPUT に変換します.\n"
         "\n"
         "INPUT は Account1、Account2… の入っているフォルダです. 読み取るだけで、変更しません.\n"
         "OUTPUT は空のフォルダか、Thunderbirdのローカルフォルダ (--thunderbird で表示) です.\n"
         "無ければ作ります (親フォルダは必要です). 既にあるファイルやフォルダは上書きしません.\n"
         "INPUT と同じフォルダや、その中のフォルダは指定できません.\n"
         "Thunderbirdのプロファイルに変換するときは、Thunderbirdを終了しておいて下さい.\n"
         "\n"
         "オプション:\n"
         "  --report FILE  変換の結果 (フォルダごとの出力ファイルと確認したメールの数、変えた名前、\n"
         "                 〓にした文字、変換しなかった項目) を JSON 形式で FILE に書き出します.\n"
         "                 既にある FILE は置き換えます. OUTPUT の中 (Thunderbirdはそこにあるファイルを\n"
         "                 すべてフォルダとして読みます) と INPUT の中には指定できません.\n"
         "                 変換が失敗・中断したときも、そこまでの結果を書き出します\n"
         "  --thunderbird  Thunderbirdのプロファイルと、そのローカルフォルダの場所・形式・\n"
         "                 Thunderbirdが起動中かどうかを表示します (変換はしません)\n"
         "  -h, --help     この説明を表示します\n"
         "  --version      バージョンを表示します\n"
         "\n"
         "進行状況は標準エラー出力に表示します. 終わると標準出力に、確認したメールの数、変えた名前、\n"
         "〓にした文字、変換しなかった項目の数を、最後の行にアカウント数・フォルダ数・ファイル数を\n"
         "表示します.\n"
         "Ctrl-C で中断すると、変換中のファイルを終えてから止まります.\n"
         "\n"
         "終了コード: 0 完了, 1 失敗 (Thunderbirdが起動中のとき、FILE に書き込めないときなど),\n"
         "2 使い方の誤り (フォルダが無い、OUTPUT が INPUT の中にある、FILE が OUTPUT か INPUT の中に\n"
         "ある など), 130 中断 (Ctrl-C)\n";
}

std::string VersionText() {
  std::string text =
      std::string("boxferry-cli (") + kProductName + ") " + kVersionText + "\n" + AboutLine2() + "\n";
  // The terms of use, one paragraph a line.
  std::string terms = MessageText(kMsgNotice);
  for (std::size_t at; (at = terms.find("\r\n")) != std::string::npos;) terms.replace(at, 2, "\n");
  return text + terms + "\n";
}

const char* HelpHint() {
  return "詳しくは 'boxferry-cli --help' を実行して下さい.";
}

}  // namespace boxferry::cli
