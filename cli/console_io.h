// Text output to the console. Every text is UTF-8; on a Windows console it is written as UTF-16 so it reads
// right on any code page, and redirected output gets the UTF-8 bytes as they are.
#pragma once

#include <cstdio>
#include <string_view>

namespace boxferry::cli {

bool IsTerminal(std::FILE* stream);
void WriteText(std::FILE* stream, std::string_view utf8);

}  // namespace boxferry::cli
