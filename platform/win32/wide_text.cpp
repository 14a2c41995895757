#include "platform/win32/wide_text.h"

#include <windows.h>

#include <climits>

namespace boxferry::platform {

std::wstring Widen(const std::string& text) {
  if (text.empty() || text.size() > INT_MAX) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
  return wide;
}

std::string Narrow(const std::wstring& text) {
  if (text.empty() || text.size() > INT_MAX) return std::string();
  const int size = static_cast<int>(text.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
  return narrow;
}

std::string Narrow(const wchar_t* text) {
  return text ? Narrow(std::wstring(text)) : std::string();
}

namespace {

// CreateDirectoryW refuses a path that leaves no room for an 8.3 name within MAX_PATH.
constexpr std::size_t kClassicLimit = MAX_PATH - 12;

bool HasLongPathPrefix(const std::wstring& path) {
  return path.size() >= 4 && path[0] == L'\\' && path[1] == L'\\' && (path[2] == L'?' || path[2] == L'.') &&
         path[3] == L'\\';
}

}  // namespace

std::wstring ToSystemPath(const std::string& path) {
  std::wstring wide = Widen(path);
  if (wide.size() < kClassicLimit || HasLongPathPrefix(wide)) return wide;
  // The prefix turns off the system's own path clean-up, so do it here: resolve "." and "..", make a
  // relative path absolute and turn "/" into "\".
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return wide;
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return wide;
  full.resize(length);
  if (HasLongPathPrefix(full)) return full;
  if (full.size() >= 2 && full[0] == L'\\' && full[1] == L'\\') return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

}  // namespace boxferry::platform
