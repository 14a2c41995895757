// UTF-8 ⇄ UTF-16 at the boundary to the Win32 API. Everything inside the program is UTF-8; every Win32 call
// takes and gives UTF-16 through the wide functions.
#pragma once

#include <string>

namespace boxferry::platform {

// Ill-formed input never fails: an invalid UTF-8 sequence or a lone surrogate becomes U+FFFD.
std::wstring Widen(const std::string& text);
std::string Narrow(const std::wstring& text);
std::string Narrow(const wchar_t* text);

// The form of `path` to hand to a wide file function: a path too long for the classic limit is made
// absolute and given the \\?\ prefix (\\?\UNC\ for a network path), which lifts the limit to 32767.
std::wstring ToSystemPath(const std::string& path);

}  // namespace boxferry::platform
