#include "support/test_store.h"

#include <cstdio>

#include "support/temp_dir.h"

namespace boxferry::test {

std::string WriteStore(const std::filesystem::path& root, int messages) {
  const std::filesystem::path account = root / "Account1";
  WriteFile(account / "Account.ini", "[Property]\r\nTitle=\x83\x65\x83\x58\x83\x67\r\n");
  for (int i = 1; i <= messages; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "%05d.ALM", i);
    WriteFile(account / "Inbox.box" / name,
              "From: a@example.jp\r\nSubject: message " + std::to_string(i) + "\r\n\r\nbody\r\n");
  }
  return "テスト";
}

int CountMboxMessages(const std::filesystem::path& mbox) {
  const std::string text = ReadFile(mbox);
  int count = 0;
  for (std::size_t at = 0; at < text.size();) {
    if (text.compare(at, 5, "From ") == 0) ++count;
    const std::size_t end = text.find('\n', at);
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return count;
}

}  // namespace boxferry::test
