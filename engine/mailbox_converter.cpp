#include "engine/mailbox_converter.h"

#include <string>
#include <vector>

#include "engine/control_ids.h"
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
    monitor->ShowMessage(kMsgFileCreateFailed, kIconStop, 0);
    monitor->SetState(kFailed);
    return -1;
  }

  for (const std::string& entry : entries) {
    const std::string messagePath = JoinPath(folderDir, entry);
    if (platform::IsDirectory(messagePath)) continue;
    monitor->SetCurrent(accountTitle.c_str(), folderTitle.c_str(), entry.c_str(), messagePath.c_str());
    result = ConvertMessage(messagePath, accountTitle, folderTitle, entry, mboxPath, mbox);
    if (result != 0) break;
    monitor->AddCounts(0, 0, 1);
    if (monitor->IsCancelling()) {
      result = -1;
      break;
    }
  }
  mbox.Close();
  platform::SetOwnerReadWrite(mboxPath);
  return result;
}

}  // namespace boxferry
