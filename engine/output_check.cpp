#include "engine/output_check.h"

#include <algorithm>
#include <vector>

#include "engine/messages.h"
#include "engine/thunderbird_profiles.h"
#include "platform/platform.h"

namespace boxferry {
namespace {

bool IsSeparator(char c) {
  return c == '/' || c == platform::kPathSeparator;
}

// `path` itself when it exists, else the folder that would hold it when that is a directory.
std::string ExistingBase(const std::string& path) {
  platform::FileIdentity id;
  if (platform::GetIdentity(path, id)) return path;
  const std::string folder = EnclosingFolder(path);
  return !folder.empty() && platform::IsDirectory(folder) ? folder : std::string();
}

// The existing base of `path` and each folder above it; at least the base itself when its parents cannot be
// found; empty when there is no base.
std::vector<platform::Ancestor> ChainOf(const std::string& path) {
  std::vector<platform::Ancestor> chain;
  const std::string base = ExistingBase(path);
  if (base.empty()) return chain;
  if (!platform::GetAncestry(base, chain)) {
    platform::Ancestor self{base, {}};
    if (platform::GetIdentity(base, self.identity)) chain.push_back(std::move(self));
  }
  return chain;
}

bool Contains(const std::vector<platform::Ancestor>& chain, const std::string& dir) {
  platform::FileIdentity id;
  if (dir.empty() || !platform::GetIdentity(dir, id)) return false;
  return std::any_of(chain.begin(), chain.end(),
                     [&](const platform::Ancestor& a) { return a.identity == id; });
}

}  // namespace

std::string EnclosingFolder(const std::string& path) {
  std::size_t end = path.size();
  while (end > 0 && IsSeparator(path[end - 1])) --end;
  if (end == 0) return std::string();
  std::size_t cut = end;
  while (cut > 0 && !IsSeparator(path[cut - 1])) --cut;
  if (cut == 0) {
    // "b", or on Windows "C:b" / "C:" (a drive's current folder): nothing to take away but the name.
    if (platform::kPathSeparator == '\\' && end >= 2 && path[1] == ':')
      return end == 2 ? std::string() : path.substr(0, 2);
    return ".";
  }
  std::size_t keep = cut;
  while (keep > 0 && IsSeparator(path[keep - 1])) --keep;
  if (keep == 0) return path.substr(0, 1);                                                        // "/b"
  if (platform::kPathSeparator == '\\' && keep == 2 && path[1] == ':') return path.substr(0, 3);  // "C:\b"
  return path.substr(0, keep);
}

bool LiesInside(const std::string& path, const std::string& folder) {
  return Contains(ChainOf(path), folder);
}

bool OutputOverlapsInput(const std::string& input, const std::string& output) {
  return LiesInside(output, input);
}

FolderCheck CheckFolders(const std::string& input, const std::string& output) {
  if (OutputOverlapsInput(input, output)) return {kMsgOutputInsideInput, output};

  const std::vector<platform::Ancestor> chain = ChainOf(output);
  std::vector<ThunderbirdProfile> profiles = FindThunderbirdProfiles();
  // A profile Thunderbird was started on by its path alone is in no profiles.ini.
  for (const platform::Ancestor& ancestor : chain) {
    if (!IsProfileDirectory(ancestor.path)) continue;
    ThunderbirdProfile profile;
    profile.directory = ancestor.path;
    ReadProfile(profile);
    profiles.push_back(std::move(profile));
  }
  for (const ThunderbirdProfile& profile : profiles) {
    const bool inLocalFolders = Contains(chain, profile.localFolders);
    if (!inLocalFolders && !Contains(chain, profile.directory)) continue;
    if (profile.inUse) return {kMsgProfileInUse, profile.directory};
    if (inLocalFolders && profile.format == StoreFormat::kMaildir)
      return {kMsgMaildirProfile, profile.localFolders};
  }
  return {};
}

}  // namespace boxferry
