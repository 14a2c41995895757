// One use of the shell's folder browser.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace boxferry::win32 {

// Browse flags: file-system directories only (0x1), file-system ancestors only (0x8), an edit box for a
// typed name (0x10), validation of the typed name (0x20), the resizable new-style dialog (0x40).
inline constexpr UINT kBrowseFlags = 0x79;

// Runs SHBrowseForFolderW modally, owned by `owner`, with `prompt` above the tree and `initial` (if not
// empty) selected. A typed name that fails validation keeps the browser open. Empty when cancelled or
// when the choice has no file-system path.
std::optional<std::wstring> BrowseForFolder(HWND owner, const std::wstring& prompt,
                                            const std::wstring& initial);

// The browser callback; exposed for its test. `data` points to the initial path.
int CALLBACK BrowseCallback(HWND browser, UINT notification, LPARAM parameter, LPARAM data);

}  // namespace boxferry::win32
