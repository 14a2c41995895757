// Placing the program's boxes over its dialog. Windows puts a message box in the middle of the screen
// and a dialog without DS_CENTER at the screen's corner, wherever the main dialog stands.
#pragma once

#include <windows.h>

namespace boxferry::win32 {

// Top-left corner of a window of `size` centred over `owner`, moved inside `workArea` where it would
// stand out of it (left and top win when it is larger).
POINT CentredOver(const RECT& owner, SIZE size, const RECT& workArea);

// Moves `window` centred over `owner`, within the work area of the monitor `owner` is on. Nothing
// happens without an owner.
void CentreOver(HWND window, HWND owner);

// MessageBoxW, with the box centred over `owner`.
int CentredMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags);

}  // namespace boxferry::win32
