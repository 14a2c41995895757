#include "app/win32/main_dialog.h"

#include "app/win32/about_box.h"
#include "app/win32/app_title.h"
#include "app/win32/centring.h"
#include "app/win32/folder_browser.h"
#include "engine/control_ids.h"
#include "platform/win32/wide_text.h"

namespace boxferry::win32 {

namespace {

constexpr UINT kWelcomeMessage = WM_APP + 1;

}  // namespace

using platform::Narrow;
using platform::Widen;

MainDialog::MainDialog(HINSTANCE instance, const ConverterDialog::ConverterFactory& makeConverter)
    : instance_(instance), title_(ApplicationTitle()) {
  icon_ = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(kAppIconResource), IMAGE_ICON,
                                        GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
  smallIcon_ =
      static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(kAppIconResource), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  dialog_ = std::make_unique<ConverterDialog>(*this, makeConverter);
}

MainDialog::~MainDialog() = default;

void MainDialog::Run() {
  // No parent: the dialog is the program's main window and has its own taskbar button.
  DialogBoxParamW(instance_, MAKEINTRESOURCEW(kMainDialogTemplate), nullptr, DialogProc,
                  reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK MainDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  MainDialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<MainDialog*>(lParam);
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    self->hwnd_ = hwnd;
  } else {
    self = reinterpret_cast<MainDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  }
  if (!self) return FALSE;
  const INT_PTR result = self->HandleMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) self->hwnd_ = nullptr;
  return result;
}

INT_PTR MainDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;  // the focus goes to the first tab stop, the input folder's "..." button
    case WM_SHOWWINDOW:
      // The welcome box follows the first show once the dialog is on the screen, so that it stands over
      // the dialog instead of alone on an empty screen.
      if (wParam && !dialog_->welcomeShown()) PostMessageW(hwnd_, kWelcomeMessage, 0, 0);
      return FALSE;
    case kWelcomeMessage:
      dialog_->WindowShown();
      return TRUE;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == kAboutMenuCommand) {
        dialog_->About();
        return TRUE;
      }
      return FALSE;
    case WM_PAINT:
      if (IsIconic(hwnd_)) {
        PaintMinimised();
        return TRUE;
      }
      return FALSE;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(icon_);
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam)) ? TRUE : FALSE;
    default:
      return FALSE;
  }
}

void MainDialog::OnInitDialog() {
  if (HMENU menu = GetSystemMenu(hwnd_, FALSE)) {
    const std::string& entry = ConverterDialog::AboutEntryText();
    if (!entry.empty()) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(menu, MF_STRING, kAboutMenuCommand, Widen(entry).c_str());
    }
  }
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
  dialog_->Initialize();
}

bool MainDialog::OnCommand(int id) {
  switch (id) {
    case kChooseInputButton:
      dialog_->ChooseInputFolder();
      return true;
    case kChooseOutputButton:
      dialog_->ChooseOutputFolder();
      return true;
    case kStartButton:
      dialog_->Start();
      return true;
    case kCancelCloseButton:
    case IDCANCEL:  // Escape, the close box and Close in the system menu
      dialog_->CancelRequest();
      return true;
    default:
      return false;
  }
}

void MainDialog::PaintMinimised() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd_, &paint);
  SendMessageW(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  const int iconWidth = GetSystemMetrics(SM_CXICON);
  const int iconHeight = GetSystemMetrics(SM_CYICON);
  RECT client;
  GetClientRect(hwnd_, &client);
  const int x = (client.right - client.left - iconWidth + 1) / 2;
  const int y = (client.bottom - client.top - iconHeight + 1) / 2;
  DrawIcon(dc, x, y, icon_);
  EndPaint(hwnd_, &paint);
}

void MainDialog::SetItemText(int id, const std::string& text) {
  if (hwnd_) SetDlgItemTextW(hwnd_, id, Widen(text).c_str());
}

void MainDialog::InvalidateItem(int id) {
  if (hwnd_) InvalidateRect(GetDlgItem(hwnd_, id), nullptr, FALSE);
}

void MainDialog::EnableItem(int id, bool on) {
  if (hwnd_) EnableWindow(GetDlgItem(hwnd_, id), on ? TRUE : FALSE);
}

void MainDialog::FocusItem(int id) {
  if (hwnd_) SetFocus(GetDlgItem(hwnd_, id));
}

void MainDialog::DispatchPendingMessages() {
  MSG msg;
  // Every pending message of the thread, for any window, without waiting; a quit message is dispatched
  // like any other.
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (hwnd_ && IsDialogMessageW(hwnd_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

int MainDialog::ShowMessageBox(const std::string& text, int flags, int help) {
  (void)help;  // no help content exists
  return CentredMessageBox(hwnd_, Widen(text).c_str(), title_.c_str(), static_cast<UINT>(flags) | MB_OK);
}

std::optional<std::string> MainDialog::ChooseFolder(const std::string& prompt, const std::string& initial) {
  std::optional<std::wstring> chosen = BrowseForFolder(hwnd_, Widen(prompt), Widen(initial));
  if (!chosen) return std::nullopt;
  return Narrow(*chosen);
}

void MainDialog::CloseDialog() {
  if (hwnd_) EndDialog(hwnd_, IDCANCEL);
}

void MainDialog::OpenAboutBox() {
  // Constructed without a parent: the main window becomes its owner.
  RunAboutBox(instance_, hwnd_);
}

}  // namespace boxferry::win32
