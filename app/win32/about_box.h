// The about box: template 100, with the notice (kMsgNotice) in its read-only edit field
// kAboutNoticeEdit.
#pragma once

#include <windows.h>

namespace boxferry::win32 {

// Runs the about box modally, owned by `owner`; returns when it is closed.
void RunAboutBox(HINSTANCE instance, HWND owner);

}  // namespace boxferry::win32
