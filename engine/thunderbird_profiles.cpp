#include "engine/thunderbird_profiles.h"

#include <map>
#include <string>

#include "engine/folder_names.h"
#include "engine/mozilla_files.h"
#include "platform/platform.h"

namespace boxferry {
namespace {

// prefs.js of a profile in long use reaches a few hundred KiB; more than this is not Thunderbird's.
constexpr std::int64_t kMaxFileSize = 16 << 20;

bool ReadWholeFile(const std::string& path, std::string& text) {
  text.clear();
  platform::File file = platform::File::OpenRead(path);
  if (!file.IsOpen()) return false;
  const std::int64_t size = file.Size();
  if (size < 0 || size > kMaxFileSize) return false;
  text.resize(static_cast<std::size_t>(size));
  std::size_t done = 0;
  while (done < text.size()) {
    const std::int64_t n = file.Read(text.data() + done, text.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  text.resize(done);
  return true;
}

// A path Thunderbird writes with '/' in a relative form, in the system's own spelling.
std::string NativeSeparators(std::string path) {
  if (platform::kPathSeparator != '/') {
    for (char& c : path) {
      if (c == '/') c = platform::kPathSeparator;
    }
  }
  return path;
}

const std::string* FindPref(const std::map<std::string, std::string>& prefs, const std::string& name) {
  const auto it = prefs.find(name);
  return it == prefs.end() ? nullptr : &it->second;
}

// The key ("server1") of the Local Folders account.
std::string LocalFoldersServer(const std::map<std::string, std::string>& prefs) {
  if (const std::string* key = FindPref(prefs, "mail.accountmanager.localfoldersserver")) {
    if (!key->empty()) return *key;
  }
  // Without that pref: the first server of type "none", by number.
  std::string best;
  long bestNumber = 0;
  constexpr std::string_view kPrefix = "mail.server.";
  constexpr std::string_view kSuffix = ".type";
  for (const auto& [name, value] : prefs) {
    if (value != "none" || !name.starts_with(kPrefix) || !name.ends_with(kSuffix)) continue;
    const std::string key = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    if (key.empty() || key == "default" || key.find('.') != std::string::npos) continue;
    long number = 0;
    for (char c : key) {
      if (c >= '0' && c <= '9') number = number * 10 + (c - '0');
    }
    if (best.empty() || number < bestNumber) {
      best = key;
      bestNumber = number;
    }
  }
  return best;
}

}  // namespace

bool IsProfileDirectory(const std::string& dir) {
  platform::File prefs = platform::File::OpenRead(JoinPath(dir, "prefs.js"));
  return prefs.IsOpen() && !platform::IsDirectory(JoinPath(dir, "prefs.js"));
}

void ReadProfile(ThunderbirdProfile& profile) {
  profile.inUse = platform::IsProfileLocked(profile.directory);
  profile.localFolders.clear();
  profile.format = StoreFormat::kMbox;
  std::string text;
  if (!ReadWholeFile(JoinPath(profile.directory, "prefs.js"), text)) return;
  const std::map<std::string, std::string> prefs = ParsePrefs(text);
  const std::string key = LocalFoldersServer(prefs);
  if (key.empty()) return;
  const std::string server = "mail.server." + key + ".";

  constexpr std::string_view kProfileDir = "[ProfD]";
  const std::string* relative = FindPref(prefs, server + "directory-rel");
  const std::string* absolute = FindPref(prefs, server + "directory");
  if (relative && relative->starts_with(kProfileDir)) {
    std::string rest = relative->substr(kProfileDir.size());
    while (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
    profile.localFolders =
        rest.empty() ? profile.directory : JoinPath(profile.directory, NativeSeparators(rest));
  } else if (absolute && !absolute->empty()) {
    profile.localFolders = *absolute;
  }

  const std::string* store = FindPref(prefs, server + "storeContractID");
  if (!store) store = FindPref(prefs, "mail.serverDefaultStoreContractID");
  if (store && store->find("maildirstore") != std::string::npos) profile.format = StoreFormat::kMaildir;
}

std::vector<std::string> ThunderbirdDataDirectories() {
  std::vector<std::string> candidates;
  std::string value;
#if defined(_WIN32)
  if (platform::ReadEnvironment("APPDATA", value) && !value.empty()) {
    candidates.push_back(JoinPath(value, "Thunderbird"));
  }
#elif defined(__APPLE__)
  if (platform::ReadEnvironment("HOME", value) && !value.empty()) {
    candidates.push_back(JoinPath(JoinPath(value, "Library"), "Thunderbird"));
  }
#else
  std::string home;
  if (platform::ReadEnvironment("HOME", home) && !home.empty()) {
    candidates.push_back(JoinPath(home, ".thunderbird"));
  }
  if (platform::ReadEnvironment("XDG_CONFIG_HOME", value) && !value.empty()) {
    candidates.push_back(JoinPath(value, "thunderbird"));
  } else if (!home.empty()) {
    candidates.push_back(JoinPath(JoinPath(home, ".config"), "thunderbird"));
  }
  if (!home.empty()) {
    candidates.push_back(JoinPath(home, "snap/thunderbird/common/.thunderbird"));
    candidates.push_back(JoinPath(home, ".var/app/org.mozilla.Thunderbird/.thunderbird"));
  }
#endif
  std::vector<std::string> found;
  for (const std::string& dir : candidates) {
    std::string text;
    if (ReadWholeFile(JoinPath(dir, "profiles.ini"), text)) found.push_back(dir);
  }
  return found;
}

std::vector<ThunderbirdProfile> ListProfiles(const std::string& dataDir) {
  std::vector<ThunderbirdProfile> profiles;
  std::string text;
  if (!ReadWholeFile(JoinPath(dataDir, "profiles.ini"), text)) return profiles;
  const std::vector<IniSection> sections = ParseMozillaIni(text);

  // Each installation names its default profile by its Path, in installs.ini and in profiles.ini's
  // [Install...] sections. Older versions mark it Default=1 instead.
  std::vector<std::string> installDefaults;
  std::string installsText;
  std::vector<IniSection> installs;
  if (ReadWholeFile(JoinPath(dataDir, "installs.ini"), installsText))
    installs = ParseMozillaIni(installsText);
  for (const IniSection& section : sections) {
    if (section.name.starts_with("Install")) installs.push_back(section);
  }
  for (const IniSection& section : installs) {
    if (const std::string* path = section.Find("Default")) installDefaults.push_back(*path);
  }

  for (const IniSection& section : sections) {
    if (!section.name.starts_with("Profile")) continue;
    const std::string* path = section.Find("Path");
    if (!path || path->empty()) continue;
    const std::string* relative = section.Find("IsRelative");
    const std::string* isDefault = section.Find("Default");
    ThunderbirdProfile profile;
    if (const std::string* name = section.Find("Name")) profile.name = *name;
    profile.directory = relative && *relative == "1" ? JoinPath(dataDir, NativeSeparators(*path)) : *path;
    bool named = false;
    for (const std::string& def : installDefaults) named = named || def == *path;
    profile.isDefault = installDefaults.empty() ? (isDefault && *isDefault == "1") : named;
    ReadProfile(profile);
    profiles.push_back(std::move(profile));
  }
  return profiles;
}

std::vector<ThunderbirdProfile> FindThunderbirdProfiles() {
  std::vector<ThunderbirdProfile> all;
  for (const std::string& dir : ThunderbirdDataDirectories()) {
    for (ThunderbirdProfile& profile : ListProfiles(dir)) all.push_back(std::move(profile));
  }
  return all;
}

std::string DefaultLocalFolders() {
  const std::vector<ThunderbirdProfile> profiles = FindThunderbirdProfiles();
  std::string only;
  int withLocalFolders = 0;
  for (const ThunderbirdProfile& profile : profiles) {
    if (profile.localFolders.empty() || !platform::IsDirectory(profile.localFolders)) continue;
    if (profile.isDefault) return profile.localFolders;
    only = profile.localFolders;
    ++withLocalFolders;
  }
  return withLocalFolders == 1 ? only : std::string();
}

}  // namespace boxferry
