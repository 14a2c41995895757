#include "app/win32/folder_browser.h"

#include <shlobj.h>

namespace boxferry::win32 {

int CALLBACK BrowseCallback(HWND browser, UINT notification, LPARAM, LPARAM data) {
  switch (notification) {
    case BFFM_INITIALIZED: {
      const auto* initial = reinterpret_cast<const std::wstring*>(data);
      if (initial && !initial->empty()) {
        SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(initial->c_str()));
      }
      return 0;
    }
    case BFFM_VALIDATEFAILEDA:
    case BFFM_VALIDATEFAILEDW:
      return 1;  // keep the browser open
    default:
      return 0;
  }
}

std::optional<std::wstring> BrowseForFolder(HWND owner, const std::wstring& prompt,
                                            const std::wstring& initial) {
  wchar_t displayName[MAX_PATH] = L"";
  BROWSEINFOW info = {};
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;
  info.pszDisplayName = displayName;
  info.lpszTitle = prompt.c_str();
  info.ulFlags = kBrowseFlags;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(&initial);
  info.iImage = 0;

  PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
  if (!item) return std::nullopt;
  wchar_t path[MAX_PATH] = L"";
  const BOOL ok = SHGetPathFromIDListW(item, path);
  CoTaskMemFree(item);
  if (!ok || path[0] == L'\0') return std::nullopt;
  return std::wstring(path);
}

}  // namespace boxferry::win32
