// Text output to the console. Every text is UTF-8; on a Windows console it is written as UTF-16 so it reads
// right on any code page, and redirected output gets the UTF-8 bytes as they are.
#pragma once

#include <cstdio>
#include <string_view>

namespace boxferry::cli {

bool IsTerminal(std::FILE* stream);
// Writes and flushes; false when the text could not be written (a full disk, a closed pipe).
bool WriteText(std::FILE* stream, std::string_view utf8);
// The width of the terminal `stream` writes to, in columns; 0 when it is no terminal or does not say.
int TerminalColumns(std::FILE* stream);

}  // namespace boxferry::cli
