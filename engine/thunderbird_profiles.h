// Thunderbird's profiles as Thunderbird itself records them, so a front end can name the Local Folders
// directory to convert into and refuse one a running Thunderbird holds or that keeps its mail in maildir
// form. Reads profiles.ini, installs.ini and each profile's prefs.js; writes nothing.
#pragma once

#include <string>
#include <vector>

namespace boxferry {

// How a Local Folders directory keeps its mail.
enum class StoreFormat {
  kMbox,     // one file per folder: what Boxferry writes
  kMaildir,  // one file per message: a converted tree does not show there
};

struct ThunderbirdProfile {
  std::string name;          // as profiles.ini names it; empty for a profile found by its directory alone
  std::string directory;     // the profile directory
  bool isDefault = false;    // the profile Thunderbird starts with
  std::string localFolders;  // the Local Folders directory; empty until Thunderbird has made the account
  StoreFormat format = StoreFormat::kMbox;
  bool inUse = false;  // a running Thunderbird holds the profile
};

// Directories where Thunderbird keeps profiles.ini on this system (those that exist): on Linux
// ~/.thunderbird, $XDG_CONFIG_HOME/thunderbird and the Snap and Flatpak homes; %APPDATA%\Thunderbird on
// Windows; ~/Library/Thunderbird on macOS.
std::vector<std::string> ThunderbirdDataDirectories();

// The profiles listed in `dataDir`/profiles.ini, in its order, each read by ReadProfile.
std::vector<ThunderbirdProfile> ListProfiles(const std::string& dataDir);

// Every profile of every directory of ThunderbirdDataDirectories().
std::vector<ThunderbirdProfile> FindThunderbirdProfiles();

// Fills localFolders, format and inUse of `profile` from its directory: the Local Folders account is
// the server mail.accountmanager.localfoldersserver names (else the first of type "none"), its
// directory mail.server.<key>.directory-rel ("[ProfD]..." inside the profile) or .directory, its format
// mail.server.<key>.storeContractID (else mail.serverDefaultStoreContractID, else mbox).
void ReadProfile(ThunderbirdProfile& profile);

// True when `dir` looks like a profile directory: it holds prefs.js.
bool IsProfileDirectory(const std::string& dir);

// The Local Folders directory of the first default profile that has one, else of the only profile that
// has one; empty when there is none (the window's output chooser opens there).
std::string DefaultLocalFolders();

}  // namespace boxferry
