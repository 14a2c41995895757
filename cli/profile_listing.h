// What boxferry-cli --thunderbird prints: each Thunderbird profile with its Local Folders directory, the
// form that directory keeps mail in, and whether Thunderbird is running on it.
#pragma once

#include <string>
#include <vector>

#include "engine/thunderbird_profiles.h"

namespace boxferry::cli {

// `exists` tells whether a Local Folders directory exists yet.
std::string ProfileListing(const std::vector<ThunderbirdProfile>& profiles,
                           bool (*exists)(const std::string&));

}  // namespace boxferry::cli
