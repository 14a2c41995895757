#include "cli/options.h"

#include "engine/messages.h"

namespace boxferry::cli {

Options ParseArguments(const std::vector<std::string>& args) {
  Options options;
  std::vector<std::string> operands;
  std::string firstError;
  bool optionsEnded = false;
  bool listProfiles = false;
  for (const std::string& arg : args) {
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
    } else if (firstError.empty()) {
      firstError = "不明なオプションです: " + arg;
    }
  }
  // --help and --version may stand after a mistake and still be answered; so errors wait until here.
  if (!firstError.empty()) {
    options.error = firstError;
  } else if (listProfiles) {
    options.action = Options::Action::kListProfiles;
    if (!operands.empty()) options.error = "--thunderbird にフォルダは指定できません: " + operands[0];
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
         "  --thunderbird  Thunderbirdのプロファイルと、そのローカルフォルダの場所・形式・\n"
         "                 Thunderbirdが起動中かどうかを表示します (変換はしません)\n"
         "  -h, --help     この説明を表示します\n"
         "  --version      バージョンを表示します\n"
         "\n"
         "進行状況は標準エラー出力に、最後にアカウント数・フォルダ数・ファイル数を標準出力に表示します.\n"
         "Ctrl-C で中断すると、変換中のファイルを終えてから止まります.\n"
         "\n"
         "終了コード: 0 完了, 1 失敗 (Thunderbirdが起動中のときなど), 2 使い方の誤り\n"
         "(フォルダが無い、OUTPUT が INPUT の中にある など), 130 中断 (Ctrl-C)\n";
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
