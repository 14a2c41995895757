#include "engine/messages.h"

#include <array>
#include <string>

namespace boxferry {
namespace {

// Texts of strings 101 to 125, in order. Lines are separated by CR LF.
const std::array<std::string, kLastMessageId - kFirstMessageId + 1> kTexts = {
    // 101
    "バージョン情報 Boxferry(&A)...",
    // 102
    "このソフトウェアは無保証です。作者は、このソフトウェアの使用または使用不能によって生じた"
    "いかなる損害についても責任を負いません。\r\n"
    "変換元のAL-Mailのメールボックスは読み取るだけで、変更しません。変換の前に、AL-Mailと"
    "Thunderbirdのメールボックスのバックアップを必ず取ってください。\r\n"
    "このソフトウェアは、個人・法人を問わず、無償で使用・複製・再配布することができます。"
    "再配布の際は、この使用条件を添えてください。",
    // 103
    "入力フォルダを選択してください",
    // 104
    "出力フォルダを選択してください",
    // 105
    "フォルダの作成に失敗しました."
    "\r\n同名のフォルダが既に存在しているか、書き込み禁止になっている可能性があります.",
    // 106
    "ファイルの作成に失敗しました."
    "\r\n同名のファイルが既に存在しているか、書き込み禁止になっている可能性があります.",
    // 107
    "ファイルの読み込みに失敗しました.\r\n他のアプリケーションで使用されている可能性があります.",
    // 108
    "ファイルの書き込みに失敗しました.",
    // 109
    "文字エンコーディングの変換に失敗しました.",
    // 110
    "ご利用ありがとうございます!\r\n変換前にAL-"
    "MailとThunderbirdのメールボックスのバックアップを取ることをお勧めします.",
    // 111
    "変換完了!",
    // 112
    "ファイルのオープンに失敗しました.\r\n他のアプリケーションで使用されている可能性があります.",
    // 113
    "Account.iniのオープンに失敗しました.\r\n指定された入力フォルダがAL-"
    "Mailのメールボックスフォルダでは無いか、或いは壊れている可能性があります.",
    // 114
    "変換中...",
    // 115
    "[...]ボタンを押して、入力フォルダ・出力フォルダを指定して下さい.",
    // 116
    "準備完了. [開始]ボタンを押してください.",
    // 117
    "閉じる",
    // 118
    "キャンセル",
    // 119
    "処理を中断しました.",
    // 120
    "予期しないエラーが発生しました.\r\nこのプログラムがバグってる可能性があります. orz",
    // 121
    "アカウントフォルダが見つかりませんでした.\r\n指定された入力フォルダがAL-"
    "Mailのメールボックスフォルダでは無い可能性があります.",
    // 122
    "変換結果の検証に失敗しました.\r\n変換したメールの数と出力ファイルのメールの数が一致しません.",
    // 123
    "出力フォルダが入力フォルダと同じか、入力フォルダの中にあります.\r\n"
    "入力フォルダ(AL-Mailのメールボックスフォルダ)の外にあるフォルダを出力フォルダに指定して下さい.",
    // 124
    "Thunderbirdが起動しているため、出力フォルダに書き込めません.\r\n"
    "Thunderbirdを終了してから、もう一度変換して下さい.",
    // 125
    "出力フォルダはmaildir形式のローカルフォルダの中にあります.\r\n"
    "変換したメールはmbox形式のため、Thunderbirdに表示されません. "
    "mbox形式のローカルフォルダか、空のフォルダを出力フォルダに指定して下さい.",
};

const std::string kEmpty;

}  // namespace

bool IsFailureMessage(int id) {
  switch (id) {
    case kMsgFolderCreateFailed:
    case kMsgFileCreateFailed:
    case kMsgFileReadFailed:
    case kMsgFileWriteFailed:
    case kMsgTranscodeFailed:
    case kMsgFileOpenFailed:
    case kMsgAccountIniFailed:
    case kMsgUnexpected:
    case kMsgNoAccounts:
    case kMsgVerifyFailed:
    case kMsgOutputInsideInput:
    case kMsgProfileInUse:
    case kMsgMaildirProfile:
      return true;
    default:
      return false;
  }
}

const std::string& MessageText(int id) {
  if (id < kFirstMessageId || id > kLastMessageId) return kEmpty;
  return kTexts[static_cast<std::size_t>(id - kFirstMessageId)];
}

// UTF-8 never has CR or LF inside a multi-byte character, so a byte search finds whole characters.
std::string FirstLine(const std::string& text) {
  const std::size_t end = text.find("\r\n");
  return end == std::string::npos ? text : text.substr(0, end);
}

const char* AboutLine1() {
  return "AL-Mail → Thunderbird 変換ツール";
}
const char* AboutLine2() {
  return "Copyright (C) 2026 The Boxferry developers";
}

}  // namespace boxferry
