// The program's own texts: string resources 101 to 125, UTF-8. The one source of these texts; the
// Windows string table is generated from it.
#pragma once

#include <string>

#include "boxferry_version.h"

namespace boxferry {

enum MessageId : int {
  kMsgAboutMenu = 101,
  kMsgNotice = 102,
  kMsgChooseInput = 103,
  kMsgChooseOutput = 104,
  kMsgFolderCreateFailed = 105,
  kMsgFileCreateFailed = 106,
  kMsgFileReadFailed = 107,
  kMsgFileWriteFailed = 108,
  kMsgTranscodeFailed = 109,
  kMsgWelcome = 110,
  kMsgCompleted = 111,
  kMsgFileOpenFailed = 112,
  kMsgAccountIniFailed = 113,
  kMsgConverting = 114,
  kMsgChooseFolders = 115,
  kMsgReady = 116,
  kMsgClose = 117,
  kMsgCancel = 118,
  kMsgCancelled = 119,
  kMsgUnexpected = 120,
  kMsgNoAccounts = 121,
  kMsgVerifyFailed = 122,
  kMsgOutputInsideInput = 123,
  kMsgProfileInUse = 124,
  kMsgMaildirProfile = 125,
};

// Message-box flags: the icon a box shows.
inline constexpr int kIconStop = 16;
inline constexpr int kIconInformation = 64;

inline constexpr int kFirstMessageId = 101;
inline constexpr int kLastMessageId = 125;

// True for the texts that report why a run stopped or could not start (not completion, cancellation,
// prompts, labels or status lines).
bool IsFailureMessage(int id);

// The text of string `id` (lines separated by CR LF); empty for an id without text.
const std::string& MessageText(int id);

// The first line of a text: everything before the first CR LF, or the whole text.
std::string FirstLine(const std::string& text);

inline constexpr const char* kProductName = "Boxferry";
inline constexpr const char* kVersionText = BOXFERRY_VERSION;
inline constexpr const char* kMainCaption = BOXFERRY_MAIN_CAPTION;
inline constexpr const char* kAboutCaption = "バージョン情報 : Boxferry";
inline constexpr const char* kAboutTitleLine = BOXFERRY_ABOUT_TITLE_LINE;
// The two fixed lines of the about box.
const char* AboutLine1();
const char* AboutLine2();

}  // namespace boxferry
