#include "app/win32/about_box.h"

#include <string>

#include "app/dialog_templates.h"
#include "app/win32/centring.h"
#include "engine/control_ids.h"
#include "engine/messages.h"
#include "platform/win32/wide_text.h"

namespace boxferry::win32 {
namespace {

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      // Loaded anew for every box.
      const std::wstring* notice = reinterpret_cast<const std::wstring*>(lParam);
      SetDlgItemTextW(dialog, kAboutNoticeEdit, notice->c_str());
      CentreOver(dialog, GetWindow(dialog, GW_OWNER));
      // OK has the focus: the notice, the first tab stop, would open with all its text selected.
      SetFocus(GetDlgItem(dialog, kAboutOkButton));
      return FALSE;
    }
    case WM_COMMAND:
      // OK and Enter are the standard confirmation, Escape and the close box the standard cancel.
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void RunAboutBox(HINSTANCE instance, HWND owner) {
  const std::wstring notice = platform::Widen(MessageText(kMsgNotice));
  DialogBoxParamW(instance, MAKEINTRESOURCEW(kAboutDialogTemplate), owner, AboutProc,
                  reinterpret_cast<LPARAM>(&notice));
}

}  // namespace boxferry::win32
