#include "app/win32/centring.h"

namespace boxferry::win32 {

namespace {

// The box being opened and the window to centre it over. One thread, and a message box is modal, so
// one pending box at a time; a box opened from a handler while another is open saves and restores
// these.
thread_local HHOOK pendingHook = nullptr;
thread_local HWND pendingOwner = nullptr;

LRESULT CALLBACK CentreOnActivation(int code, WPARAM wParam, LPARAM lParam) {
  const HHOOK hook = pendingHook;
  if (code == HCBT_ACTIVATE && hook) {
    // The first window activated after MessageBoxW is called is the box itself.
    CentreOver(reinterpret_cast<HWND>(wParam), pendingOwner);
    UnhookWindowsHookEx(hook);
    pendingHook = nullptr;
  }
  return CallNextHookEx(hook, code, wParam, lParam);
}

}  // namespace

POINT CentredOver(const RECT& owner, SIZE size, const RECT& workArea) {
  LONG x = owner.left + (owner.right - owner.left - size.cx) / 2;
  LONG y = owner.top + (owner.bottom - owner.top - size.cy) / 2;
  if (x + size.cx > workArea.right) x = workArea.right - size.cx;
  if (y + size.cy > workArea.bottom) y = workArea.bottom - size.cy;
  if (x < workArea.left) x = workArea.left;
  if (y < workArea.top) y = workArea.top;
  return POINT{x, y};
}

void CentreOver(HWND window, HWND owner) {
  RECT ownerRect, windowRect;
  if (!owner || !GetWindowRect(owner, &ownerRect) || !GetWindowRect(window, &windowRect)) return;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const SIZE size = {windowRect.right - windowRect.left, windowRect.bottom - windowRect.top};
  const POINT corner = CentredOver(ownerRect, size, monitor.rcWork);
  SetWindowPos(window, nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int CentredMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags) {
  const HHOOK savedHook = pendingHook;
  const HWND savedOwner = pendingOwner;
  pendingOwner = owner;
  pendingHook =
      owner ? SetWindowsHookExW(WH_CBT, CentreOnActivation, nullptr, GetCurrentThreadId()) : nullptr;
  const int result = MessageBoxW(owner, text, caption, flags);
  if (pendingHook) UnhookWindowsHookEx(pendingHook);  // the box never became active
  pendingHook = savedHook;
  pendingOwner = savedOwner;
  return result;
}

}  // namespace boxferry::win32
