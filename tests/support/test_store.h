// Small AL-Mail stores for tests of the windows and the dialog: one account with an Inbox of tiny message
// files.
#pragma once

#include <filesystem>
#include <string>

namespace boxferry::test {

// Writes `root`/Account1 with Account.ini ([Property] Title=テスト, in Shift_JIS) and `messages` message
// files 00001.ALM, 00002.ALM, … in Inbox.box. Returns the account's title as the window shows it.
std::string WriteStore(const std::filesystem::path& root, int messages);

// Number of messages in an mbox file: lines that begin with "From ".
int CountMboxMessages(const std::filesystem::path& mbox);

}  // namespace boxferry::test
