// The about box: template 100, with the notice (message 102) in its read-only edit field 1006.
#pragma once

#include <windows.h>

namespace boxferry::win32 {

// Runs the about box modally, owned by `owner`; returns when it is closed.
void RunAboutBox(HINSTANCE instance, HWND owner);

}  // namespace boxferry::win32
