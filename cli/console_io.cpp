#include "cli/console_io.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include <string>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace boxferry::cli {

#ifdef _WIN32

bool IsTerminal(std::FILE* stream) {
  return _isatty(_fileno(stream)) != 0;
}

bool WriteText(std::FILE* stream, std::string_view utf8) {
  if (utf8.empty()) return true;
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode;
  if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), units);
    std::fflush(stream);
    DWORD written;
    return WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) != 0;
  }
  const bool written = std::fwrite(utf8.data(), 1, utf8.size(), stream) == utf8.size();
  return std::fflush(stream) == 0 && written;
}

int TerminalColumns(std::FILE* stream) {
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (handle == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(handle, &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

#else

bool IsTerminal(std::FILE* stream) {
  return isatty(fileno(stream)) != 0;
}

bool WriteText(std::FILE* stream, std::string_view utf8) {
  const bool written = std::fwrite(utf8.data(), 1, utf8.size(), stream) == utf8.size();
  return std::fflush(stream) == 0 && written;
}

int TerminalColumns(std::FILE* stream) {
  struct winsize size;
  if (ioctl(fileno(stream), TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

#endif

}  // namespace boxferry::cli
