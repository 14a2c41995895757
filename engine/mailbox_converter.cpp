#include "engine/mailbox_converter.h"

#include <string>
#include <vector>

#include "engine/folder_names.h"
#include "engine/messages.h"
#include "engine/progress_monitor.h"
#include "platform/platform.h"

namespace boxferry {

int MailboxConverter::ConvertMailbox(const std::string& folderDir, const std::string& accountTitle,
                                     const std::string& folderTitle, const std::string& outputDir) {
  int result = 0;
  std::vector<std::string> entries;
  if (!platform::ListDirectory(folderDir, platform::EntryFilter::kAlmFiles, entries) || entries.empty()) {
    return 0;
  }

  const std::string mboxPath =
      JoinPath(outputDir, folderTitle.empty() ? std::string("mbox.box") : folderTitle);
  platform::File mbox = platform::File::OpenReadWrite(mboxPath);
  // A file that already holds messages (an earlier folder of the same name) is appended to, never
  // overwritten; the empty file of a container of the same name becomes this folder's mbox.
  if (!mbox.IsOpen() || platform::IsDirectory(mboxPath) || mbox.Seek(0, platform::SeekOrigin::kEnd) < 0) {
    return monitor_->Fail(kMsgFileCreateFailed, mboxPath.c_str());
  }

  for (const std::string& entry : entries) {
    const std::string messagePath = JoinPath(folderDir, entry);
    if (platform::IsDirectory(messagePath)) continue;
    monitor_->SetCurrent(accountTitle.c_str(), folderTitle.c_str(), entry.c_str(), messagePath.c_str());
    result = ConvertMessage(messagePath, accountTitle, folderTitle, entry, mboxPath, mbox);
    if (result != 0) break;
    monitor_->AddCounts(0, 0, 1);
    if (monitor_->IsCancelling()) {
      result = -1;
      break;
    }
  }
  // Where the system keeps written bytes back until the file is closed (a network or FUSE file system
  // over its quota), only the close can tell that they never arrived.
  if (!mbox.Close() && result == 0) result = monitor_->Fail(kMsgFileWriteFailed, mboxPath.c_str());
  platform::SetOwnerReadWrite(mboxPath);
  return result;
}

}  // namespace boxferry
