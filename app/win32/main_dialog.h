// The main dialog as a plain Win32 dialog (template 102): its controls realise the monitor's view, its
// events go to the shared ConverterDialog logic.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "app/converter_dialog.h"
#include "app/dialog_window.h"

namespace boxferry::win32 {

class MainDialog : public DialogWindow {
 public:
  MainDialog(HINSTANCE instance, const ConverterDialog::ConverterFactory& makeConverter);
  ~MainDialog() override;
  MainDialog(const MainDialog&) = delete;
  MainDialog& operator=(const MainDialog&) = delete;

  // Runs the dialog modally until it closes.
  void Run();

  // ProgressView
  void SetItemText(int id, const std::string& text) override;
  void InvalidateItem(int id) override;
  void EnableItem(int id, bool on) override;
  void FocusItem(int id) override;
  void DispatchPendingMessages() override;
  int ShowMessageBox(const std::string& text, int flags, int help) override;
  // DialogWindow
  std::optional<std::string> ChooseFolder(const std::string& prompt, const std::string& initial) override;
  void CloseDialog() override;
  void OpenAboutBox() override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnInitDialog();
  bool OnCommand(int id);
  void PaintMinimised();

  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  HICON icon_ = nullptr;
  HICON smallIcon_ = nullptr;
  std::wstring title_;
  // Last: it registers this window as the application's main window and must go first.
  std::unique_ptr<ConverterDialog> dialog_;
};

}  // namespace boxferry::win32
