// The application title: the executable's file name without its extension. It captions every message box.
#pragma once

#include <string>

namespace boxferry::win32 {

std::wstring ApplicationTitle();

// The title taken from a module path ("C:\\x\\Boxferry.exe" → "Boxferry"); exposed for its test.
std::wstring TitleFromModulePath(const std::wstring& path);

}  // namespace boxferry::win32
