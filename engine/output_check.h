// What every front end checks before a run, so that nothing is written where it must not be: the output
// folder is never the input folder nor inside it, and never inside a Thunderbird profile that a running
// Thunderbird holds or whose Local Folders keep mail in maildir form.
#pragma once

#include <string>

namespace boxferry {

struct FolderCheck {
  int messageId = 0;  // 0 when the run may start; else kMsgOutputInsideInput, kMsgProfileInUse or
                      // kMsgMaildirProfile, whose first line is also the window's status line
  std::string path;   // the folder concerned: the output, the profile, or its Local Folders directory

  explicit operator bool() const { return messageId != 0; }
};

// True when `output` is the input folder or lies inside it. Judged by identity (device and inode; volume
// serial and file index on Windows), not by spelling: the output, or the folder that would hold it when it
// does not exist yet, and each of its parents up to the root (with links resolved) are compared with the
// input folder. The folder that holds the input is a valid output.
bool OutputOverlapsInput(const std::string& input, const std::string& output);

// True when `path` is the folder `folder` or lies inside it, judged by identity as above: the existing
// `path` itself (a link followed to where it leads), else the folder that would hold it, and each folder
// above them. False when neither `path` nor its folder exists, or `folder` does not.
bool LiesInside(const std::string& path, const std::string& folder);

// Overlap first, then the profiles: every profile Thunderbird lists and every folder above the output
// that holds a prefs.js. Reads files only.
FolderCheck CheckFolders(const std::string& input, const std::string& output);

// The folder that would hold `path`, by its spelling: "a/b" -> "a", "b" -> ".", "/b" -> "/"; trailing
// separators are ignored. Empty for an empty path or a root.
std::string EnclosingFolder(const std::string& path);

}  // namespace boxferry
