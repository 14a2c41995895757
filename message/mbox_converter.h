// The concrete converter: appends each message file of a folder to the folder's mbox file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/mailbox_converter.h"
#include "message/byte_stream.h"
#include "message/message_reader.h"

namespace boxferry {

class MboxConverter : public MailboxConverter {
 public:
  explicit MboxConverter(ProgressMonitor* monitor,
                         std::size_t readBufferSize = MessageReader::kDefaultCapacity)
      : MailboxConverter(monitor), readBufferSize_(readBufferSize) {}

  // Writes the separator line, then every line of the message file as the parser decides. 0 when the whole
  // file was written; -1 after kMsgFileOpenFailed (not opened, nothing written), kMsgFileReadFailed (a
  // read error or the file shrank; the separator and the complete lines before stay), or the parser's
  // kMsgFileWriteFailed / kMsgUnexpected.
  int ConvertMessage(const std::string& messagePath, const std::string& accountName,
                     const std::string& folderName, const std::string& fileName, const std::string& mboxPath,
                     platform::File& mboxFile) override;
  // The conversion itself, between streams: `size` is the message's size as found when it was opened
  // (fewer bytes mean it shrank, a read error; -1 is a read error at once). Returns as ConvertMessage.
  int WriteMessage(ByteSource& message, std::int64_t size, ByteSink& mbox);

 private:
  std::size_t readBufferSize_;
  std::int64_t unencodable_ = 0;  // of the message written last
  // Kept from message to message: allocated once per converter, not once per message file.
  std::vector<char> readBuffer_;
  std::vector<char> writeBuffer_;
};

}  // namespace boxferry
