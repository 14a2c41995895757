// Boxferry.exe: the program is its main dialog. Start it, run it modally, end when it closes.
#include <windows.h>
// windows.h first: the others build on it.
#include <commctrl.h>
#include <ole2.h>

#include "app/mbox_converter_factory.h"
#include "app/win32/main_dialog.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  // The new-style folder browser needs OLE on this thread.
  const HRESULT ole = OleInitialize(nullptr);
  {
    boxferry::win32::MainDialog dialog(instance, boxferry::MakeMboxConverter);
    dialog.Run();
  }
  if (SUCCEEDED(ole)) OleUninitialize();
  return 0;
}
