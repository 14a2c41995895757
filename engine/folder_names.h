// Folder names: turning display names into output file names, comparing names, joining paths.
#pragma once

#include <string>

namespace boxferry {

// Why a title was changed on its way to an output name; the functions below return the rules they applied.
enum NameRule : unsigned {
  kNameUnsafeCharacter = 1u << 0,    // a character a file name or Thunderbird cannot take became '_'
  kNameDeviceName = 1u << 1,         // a Windows device name got '_' after it
  kNameTooLong = 1u << 2,            // cut to 55 UTF-16 units
  kNameLeadingDot = 1u << 3,         // a leading '.' became '_'
  kNameTrailingCharacter = 1u << 4,  // a trailing '.', '~' or space became '_'
  kNameThunderbirdEnding = 1u << 5,  // the dot of .msf .sbd .snm .toc became '_'
  kNameRole = 1u << 6,               // an account named like one of Thunderbird's own folders got '_'
};

// Replaces each of \ / * : < > | by '_', whole characters only (text is UTF-8).
unsigned SanitizeFolderName(std::string& text);

// Makes a resolved title a name Thunderbird opens as it stands and Windows can create: device names get
// '_' after them (before any spaces: "NUL .log" -> "NUL_ .log"), unsafe characters become '_', the name is
// cut to 55 UTF-16 units, and leading dots, trailing dots, tildes and spaces and the endings .msf .sbd
// .snm .toc are defused.
unsigned AdjustOutputName(std::string& text);

// AdjustOutputName, then, for a name that would stand at the top of Thunderbird's Local Folders under a
// name Thunderbird gives a role there (Inbox, Trash, ...: "Empty Trash" would delete the imported mail),
// '_' after it. For account names; sub-folders keep theirs.
unsigned AdjustAccountName(std::string& text);

// directory + separator + name, without normalisation.
std::string JoinPath(const std::string& directory, const std::string& name);

}  // namespace boxferry
