// window_text.exe CAPTION: prints the text of the top-level window captioned CAPTION and of every window
// inside it, one per line, as UTF-8. The GUI smoke test reads message boxes and the status line with it.
// Exit status 1 when no such window exists.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/win32/wide_text.h"

namespace {

void PrintText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
  const std::string line = boxferry::platform::Narrow(text) + "\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
}

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
  PrintText(child);
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: window_text CAPTION\n", stderr);
    return 2;
  }
  HWND window = FindWindowW(nullptr, argv[1]);
  if (!window) return 1;
  PrintText(window);
  EnumChildWindows(window, PrintChild, 0);
  return 0;
}
