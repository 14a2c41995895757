#include "engine/store_converter.h"

#include <algorithm>
#include <string>
#include <vector>

#include "encoding/text.h"
#include "engine/folder_names.h"
#include "engine/ini_file.h"
#include "engine/messages.h"
#include "engine/progress_monitor.h"
#include "platform/platform.h"

namespace boxferry {

// Keeps a directory on the walk's current path for as long as the guard lives. A directory that is
// already on the path (reached again through a link) is refused, so the walk never loops.
class DirectoryGuard {
 public:
  DirectoryGuard(StoreConverter& converter, const std::string& dir)
      : converter_(converter), entered_(converter.EnterDirectory(dir)) {}
  ~DirectoryGuard() {
    if (entered_) converter_.LeaveDirectory();
  }
  DirectoryGuard(const DirectoryGuard&) = delete;
  DirectoryGuard& operator=(const DirectoryGuard&) = delete;
  bool entered() const { return entered_; }

 private:
  StoreConverter& converter_;
  bool entered_;
};

namespace {

constexpr std::size_t kIniCapacity = 1024;
const char* const kInboxDir = "Inbox.box";
const char* const kOutboxDir = "Outbox.box";
const char* const kInboxTitle = "郵便受け";
const char* const kOutboxTitle = "送信箱";

// Creates the empty file that stands beside a .sbd directory. False when it cannot be created new.
bool CreateEmptyFile(const std::string& path) {
  platform::File file = platform::File::CreateNew(path);
  if (!file.IsOpen()) return false;
  file.Close();
  platform::SetOwnerReadWrite(path);
  return true;
}

}  // namespace

// A folder that holds sub-folders, as Thunderbird keeps one: the directory `name`.sbd and, beside it, the
// empty file `name`. Neither may exist yet.
int StoreConverter::MakeContainer(const std::string& outputDir, const std::string& name) {
  const std::string sbdDir = JoinPath(outputDir, name + ".sbd");
  if (!platform::MakeDirectory(sbdDir)) return monitor_->Fail(kMsgFolderCreateFailed, sbdDir.c_str());
  const std::string filePath = JoinPath(outputDir, name);
  if (!CreateEmptyFile(filePath)) return monitor_->Fail(kMsgFileCreateFailed, filePath.c_str());
  return 0;
}

void StoreConverter::NoteSkipped(const std::string& path, ConversionReport::SkipReason reason) {
  if (report_) report_->skipped.push_back({path, reason});
}

void StoreConverter::NoteRename(const std::string& source, const std::string& title,
                                const std::string& output, unsigned rules) {
  if (report_ && rules != 0) report_->renames.push_back({source, title, output, rules});
}

bool StoreConverter::EnterDirectory(const std::string& dir) {
  platform::FileIdentity id;
  if (!platform::GetIdentity(dir, id)) return false;
  if (std::find(activeDirs_.begin(), activeDirs_.end(), id) != activeDirs_.end()) return false;
  activeDirs_.push_back(id);
  return true;
}

void StoreConverter::LeaveDirectory() {
  activeDirs_.pop_back();
}

int StoreConverter::Convert(const std::string& inputFolder, const std::string& outputFolder) {
  monitor_->ResetCounters();
  monitor_->SetCurrent("", "", "", "");
  int result = -1;
  monitor_->SetStatusText(kMsgConverting);
  monitor_->SetState(kRunning);
  activeDirs_.clear();

  // Only a directory other than the input folder itself counts as an account: a chosen account folder
  // (whose Account.ini is a file), a file "accounts.txt" or a link back to the store means the user chose
  // a folder that holds no AL-Mail accounts.
  std::vector<std::string> entries;
  platform::ListDirectory(inputFolder, platform::EntryFilter::kAccountDirs, entries);
  platform::FileIdentity input;
  const bool inputKnown = platform::GetIdentity(inputFolder, input);
  std::erase_if(entries, [&](const std::string& entry) {
    const std::string dir = JoinPath(inputFolder, entry);
    platform::FileIdentity id;
    if (!platform::IsDirectory(dir)) {
      NoteSkipped(dir, ConversionReport::SkipReason::kAccountFile);
      return true;
    }
    if (inputKnown && platform::GetIdentity(dir, id) && id == input) {
      NoteSkipped(dir, ConversionReport::SkipReason::kLinkLoop);
      return true;
    }
    return false;
  });
  if (entries.empty()) {
    monitor_->Fail(kMsgNoAccounts, inputFolder.c_str());
  } else {
    DirectoryGuard inputGuard(*this, inputFolder);
    IniFile ini;
    for (const std::string& entry : entries) {
      const std::string accountDir = JoinPath(inputFolder, entry);
      DirectoryGuard accountGuard(*this, accountDir);
      if (!accountGuard.entered()) continue;  // it went away since it was listed

      std::string title;
      if (!ini.Open("Account.ini", accountDir.c_str())) {
        result = monitor_->Fail(kMsgAccountIniFailed, ini.path().c_str());
        break;
      }
      ini.ReadString("Property", "Title", title, nullptr, kIniCapacity);
      const std::string storeTitle = title;
      unsigned rules = SanitizeFolderName(title);
      if (title.empty()) title = entry;
      rules |= AdjustAccountName(title);
      NoteRename(accountDir, storeTitle.empty() ? entry : storeTitle, title, rules);

      monitor_->SetCurrent(title.c_str(), nullptr, nullptr, accountDir.c_str());
      const std::string sbdDir = JoinPath(outputFolder, title + ".sbd");
      result = MakeContainer(outputFolder, title);
      if (result != 0) break;
      result = ConvertAccount(accountDir, title, sbdDir);
      if (result != 0) break;
      monitor_->AddCounts(1, 0, 0);
      if (monitor_->IsCancelling()) {
        result = -1;
        break;
      }
    }
  }

  if (result == 0) {
    monitor_->SetCurrent("", "", "", "");
    monitor_->ShowMessage(kMsgCompleted, kIconInformation, 0);
    monitor_->SetState(kCompleted);
  } else if (monitor_->IsRunning()) {
    monitor_->Fail(kMsgUnexpected);  // a level stopped the run without saying why
  }
  monitor_->SetState(kFinish);
  activeDirs_.clear();
  return result;
}

int StoreConverter::ConvertAccount(const std::string& accountDir, const std::string& accountTitle,
                                   const std::string& outputDir) {
  return ConvertFolderTree(accountDir, accountTitle, "", outputDir);
}

int StoreConverter::ConvertFolderTree(const std::string& dir, const std::string& accountTitle,
                                      const std::string& /*enclosingTitle*/, const std::string& outputDir) {
  int result = 0;
  IniFile ini;
  std::vector<std::string> entries;
  if (!platform::ListDirectory(dir, platform::EntryFilter::kBoxDirs, entries)) return 0;

  for (const std::string& entry : entries) {
    const std::string folderDir = JoinPath(dir, entry);
    if (!platform::IsDirectory(folderDir)) {
      NoteSkipped(folderDir, ConversionReport::SkipReason::kBoxFile);
      continue;
    }

    std::string title;
    std::string type;
    std::string storeTitle;
    unsigned rules = 0;
    if (ini.Open("Entry.ini", folderDir.c_str())) {
      ini.ReadString("Property", "Title", title, nullptr, kIniCapacity);
      storeTitle = title;
      rules = SanitizeFolderName(title);
      ini.ReadString("Property", "Type", type, nullptr, kIniCapacity);
    }
    if (title.empty()) {
      if (encoding::EqualsNoCase(entry, kInboxDir)) {
        title = kInboxTitle;
      } else if (encoding::EqualsNoCase(entry, kOutboxDir)) {
        title = kOutboxTitle;
      } else {
        title = entry;
      }
    }
    if (storeTitle.empty()) storeTitle = title;
    rules |= AdjustOutputName(title);
    NoteRename(folderDir, storeTitle, title, rules);

    if (encoding::EqualsNoCase(type, "Subfolder")) {
      DirectoryGuard guard(*this, folderDir);
      if (!guard.entered()) {  // a link back into the walk's own path
        NoteSkipped(folderDir, ConversionReport::SkipReason::kLinkLoop);
        continue;
      }
      monitor_->SetCurrent(accountTitle.c_str(), title.c_str(), "", folderDir.c_str());
      result = MakeContainer(outputDir, title);
      if (result != 0) break;
      result = ConvertFolderTree(folderDir, accountTitle, title, JoinPath(outputDir, title + ".sbd"));
    } else {
      monitor_->SetCurrent(accountTitle.c_str(), title.c_str(), "", folderDir.c_str());
      result = ConvertMailbox(folderDir, accountTitle, title, outputDir);
    }
    if (result != 0) break;
    monitor_->AddCounts(0, 1, 0);
    if (monitor_->IsCancelling()) {
      result = -1;
      break;
    }
  }
  return result;
}

}  // namespace boxferry
