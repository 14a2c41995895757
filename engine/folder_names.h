// Folder names: turning display names into output file names, comparing names, joining paths.
#pragma once

#include <string>

namespace boxferry {

// Replaces each of \ / * : < > | by '_', whole characters only (text is UTF-8).
void SanitizeFolderName(std::string& text);

// Makes a resolved title a name Thunderbird opens as it stands and Windows can create: device names get
// '_' after them, unsafe characters become '_', the name is cut to 55 UTF-16 units, and leading dots,
// trailing dots, tildes and spaces and the endings .msf .sbd .snm .toc are defused.
void AdjustOutputName(std::string& text);

// directory + separator + name, without normalisation.
std::string JoinPath(const std::string& directory, const std::string& name);

}  // namespace boxferry
