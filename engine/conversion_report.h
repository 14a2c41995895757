// What a run did, as plain data for a front end to show or save: every mail folder with its output and
// how many messages the read-back found, every title that had to change on its way to a file name, every
// message that held characters ISO-2022-JP cannot carry, and every entry the walk passed over.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace boxferry {

struct ConversionReport {
  struct Folder {
    std::string source;  // the *.box directory
    std::string output;  // its mbox file
    std::int64_t filesConverted = 0;
    // Messages Thunderbird's reading finds in the mbox beyond those it held before; -1 when the run
    // stopped before the check.
    std::int64_t messagesVerified = -1;
    bool appended = false;  // the mbox already held an earlier folder of the same name
  };
  struct Rename {
    std::string source;  // the account or *.box directory
    std::string title;   // as the store names it (UTF-8); the directory's name when it has no title
    std::string output;  // the name written
    unsigned rules = 0;  // NameRule bits (folder_names.h)
  };
  struct Unencodable {
    std::string file;             // the message file
    std::int64_t characters = 0;  // written as 〓 (GETA MARK) for want of a JIS X 0208 cell
  };
  enum class SkipReason {
    kLinkLoop,      // a link back to a folder the walk is already in
    kBoxFile,       // a file named *.box, which holds no messages
    kAlmDirectory,  // a directory named *.ALM, which is no message
    kAccountFile,   // a file named Account*, which is no account
  };
  struct Skipped {
    std::string path;
    SkipReason reason;
  };

  std::vector<Folder> folders;
  std::vector<Rename> renames;
  std::vector<Unencodable> unencodable;
  std::vector<Skipped> skipped;
};

}  // namespace boxferry
