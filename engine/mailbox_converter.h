// The mail-folder level: one mbox file per folder of messages.
#pragma once

#include <cstdint>
#include <string>

#include "engine/store_converter.h"
#include "platform/platform.h"

namespace boxferry {

class MailboxConverter : public StoreConverter {
 public:
  using StoreConverter::StoreConverter;

  int ConvertMailbox(const std::string& folderDir, const std::string& accountTitle,
                     const std::string& folderTitle, const std::string& outputDir) override;

  // Appends one message file to the open mbox file at its current position.
  virtual int ConvertMessage(const std::string& messagePath, const std::string& accountName,
                             const std::string& folderName, const std::string& fileName,
                             const std::string& mboxPath, platform::File& mboxFile) = 0;

 protected:
  // Whether each folder's mbox is read back and its messages counted when the folder is done (on by
  // default). A converter that writes no mbox of Thunderbird's form (a test's) turns it off.
  bool check_ = true;

 private:
  int Verify(const std::string& mboxPath, std::int64_t messagesBefore, std::int64_t converted);
};

}  // namespace boxferry
