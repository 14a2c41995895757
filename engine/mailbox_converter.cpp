#include "engine/mailbox_converter.h"

#include <string>
#include <vector>

#include "engine/folder_names.h"
#include "engine/mbox_message_count.h"
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
  const std::int64_t sizeBefore =
      mbox.IsOpen() && !platform::IsDirectory(mboxPath) ? mbox.Seek(0, platform::SeekOrigin::kEnd) : -1;
  if (sizeBefore < 0) return monitor_->Fail(kMsgFileCreateFailed, mboxPath.c_str());
  // What Thunderbird finds in it before this folder's messages, counted from the bytes alone.
  std::int64_t messagesBefore = 0;
  if (check_ && sizeBefore > 0 && !CountMboxMessages(mboxPath, messagesBefore)) {
    return monitor_->Fail(kMsgFileReadFailed, mboxPath.c_str());
  }
  ConversionReport::Folder* record = nullptr;  // stays valid: no other folder is added meanwhile
  if (report_) {
    report_->folders.push_back({folderDir, mboxPath, 0, -1, sizeBefore > 0});
    record = &report_->folders.back();
  }

  std::int64_t converted = 0;
  for (const std::string& entry : entries) {
    const std::string messagePath = JoinPath(folderDir, entry);
    if (platform::IsDirectory(messagePath)) {
      NoteSkipped(messagePath, ConversionReport::SkipReason::kAlmDirectory);
      continue;
    }
    monitor_->SetCurrent(accountTitle.c_str(), folderTitle.c_str(), entry.c_str(), messagePath.c_str());
    result = ConvertMessage(messagePath, accountTitle, folderTitle, entry, mboxPath, mbox);
    if (result != 0) break;
    ++converted;
    if (record) record->filesConverted = converted;
    monitor_->AddCounts(0, 0, 1);
    if (monitor_->IsCancelling()) {
      result = -1;
      break;
    }
  }
  if (result == 0 && check_) result = Verify(mboxPath, messagesBefore, converted);
  // Where the system keeps written bytes back until the file is closed (a network or FUSE file system
  // over its quota), only the close can tell that they never arrived.
  if (!mbox.Close() && result == 0) result = monitor_->Fail(kMsgFileWriteFailed, mboxPath.c_str());
  platform::SetOwnerReadWrite(mboxPath);
  return result;
}

// The mbox is read back as Thunderbird reads it: every converted file must have become one message it
// shows, no more and no fewer. The bytes written are not touched.
int MailboxConverter::Verify(const std::string& mboxPath, std::int64_t messagesBefore,
                             std::int64_t converted) {
  std::int64_t messagesNow = 0;
  if (!CountMboxMessages(mboxPath, messagesNow)) return monitor_->Fail(kMsgFileReadFailed, mboxPath.c_str());
  if (report_ && !report_->folders.empty())
    report_->folders.back().messagesVerified = messagesNow - messagesBefore;
  if (messagesNow != messagesBefore + converted) return monitor_->Fail(kMsgVerifyFailed, mboxPath.c_str());
  return 0;
}

}  // namespace boxferry
