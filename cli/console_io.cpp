#include "cli/console_io.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include <string>
#else
#include <unistd.h>
#endif

namespace boxferry::cli {

#ifdef _WIN32

bool IsTerminal(std::FILE* stream) {
  return _isatty(_fileno(stream)) != 0;
}

void WriteText(std::FILE* stream, std::string_view utf8) {
  if (utf8.empty()) return;
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode;
  if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), units);
    std::fflush(stream);
    DWORD written;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  std::fwrite(utf8.data(), 1, utf8.size(), stream);
  std::fflush(stream);
}

#else

bool IsTerminal(std::FILE* stream) {
  return isatty(fileno(stream)) != 0;
}

void WriteText(std::FILE* stream, std::string_view utf8) {
  std::fwrite(utf8.data(), 1, utf8.size(), stream);
  std::fflush(stream);
}

#endif

}  // namespace boxferry::cli
