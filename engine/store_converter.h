// The walk over a source store: accounts, folder trees and mail folders, one virtual operation per level.
#pragma once

#include <string>
#include <vector>

#include "engine/conversion_report.h"
#include "platform/platform.h"

namespace boxferry {

class ProgressMonitor;

// Every operation returns 0 to continue and non-zero to stop the run. A level that detects a failure
// reports it (ProgressMonitor::Fail) before it returns -1; callers only pass the result up.
class StoreConverter {
 public:
  explicit StoreConverter(ProgressMonitor* monitor) : monitor_(monitor) {}
  virtual ~StoreConverter() = default;
  StoreConverter(const StoreConverter&) = delete;
  StoreConverter& operator=(const StoreConverter&) = delete;

  // Converts every account of `inputFolder` into `outputFolder`. 0 when every account was converted.
  int Convert(const std::string& inputFolder, const std::string& outputFolder);

  virtual int ConvertAccount(const std::string& accountDir, const std::string& accountTitle,
                             const std::string& outputDir);
  virtual int ConvertFolderTree(const std::string& dir, const std::string& accountTitle,
                                const std::string& enclosingTitle, const std::string& outputDir);
  virtual int ConvertMailbox(const std::string& folderDir, const std::string& accountTitle,
                             const std::string& folderTitle, const std::string& outputDir) = 0;

  // Where the next runs record what they did (renamed titles, skipped entries, folders and their
  // read-back, unencodable characters); null, the default, records nothing. Not owned.
  void SetReport(ConversionReport* report) { report_ = report; }

 protected:
  void NoteSkipped(const std::string& path, ConversionReport::SkipReason reason);
  void NoteRename(const std::string& source, const std::string& title, const std::string& output,
                  unsigned rules);

  ProgressMonitor* monitor_;
  ConversionReport* report_ = nullptr;

 private:
  // Directories on the walk's current path, so a link back to one of them is never followed.
  std::vector<platform::FileIdentity> activeDirs_;
  int MakeContainer(const std::string& outputDir, const std::string& name);
  bool EnterDirectory(const std::string& dir);
  void LeaveDirectory();
  friend class DirectoryGuard;
};

}  // namespace boxferry
