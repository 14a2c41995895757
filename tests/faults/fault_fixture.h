// What every fault test needs: a scratch store and output folder, the real converter driven as the dialog
// drives it, a view that records every message box, tree snapshots that see bytes, sizes, modes and
// modification times, and a small file system of our own (tmpfs) where the test may mount one.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/messages.h"
#include "engine/progress_monitor.h"
#include "message/mbox_converter.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace boxferry::faults {

namespace fs = std::filesystem;

// [Property] section with a title (code page 932 bytes) and, when given, a type.
std::string Ini(const std::string& title, const std::string& type = "");
// What begins every message in the mbox: the separator and Thunderbird's status lines.
inline constexpr std::string_view kSeparatorAndStatus =
    "From - \r\nX-Mozilla-Status: 0000\r\nX-Mozilla-Status2: 00000000\r\n";
// A small ASCII message with two header lines; its mbox form is kSeparatorAndStatus and the same bytes.
std::string Message(const std::string& subject);
std::string MboxOf(const std::vector<std::string>& messages);

// Every entry below `root`, not following links: kind, mode, size, modification time and content.
using Snapshot = std::map<std::string, std::string>;
Snapshot TakeSnapshot(const fs::path& root);

// A tmpfs mounted on `where` for the object's lifetime. mounted() is false when the system refuses (not
// root, or no permission to mount in this container); tests then skip.
class ScratchMount {
 public:
  ScratchMount(const fs::path& where, const std::string& options);
  ~ScratchMount();
  ScratchMount(const ScratchMount&) = delete;
  ScratchMount& operator=(const ScratchMount&) = delete;
  bool mounted() const { return mounted_; }
  const std::string& error() const { return error_; }

 private:
  fs::path where_;
  bool mounted_ = false;
  std::string error_;
};

class FaultTest : public ::testing::Test {
 public:
  fs::path In() const { return dir_ / "in"; }
  fs::path Out() const { return out_.empty() ? dir_ / "out" : out_; }
  void SetUp() override {
    fs::create_directories(In());
    fs::create_directories(dir_ / "out");
  }
  void Put(const std::string& rel, const std::string& bytes) { test::WriteFile(In() / rel, bytes); }
  // As the dialog does: both folders chosen (Ready), then Start.
  int Run() {
    monitor_.SetState(kReady);
    return converter_.Convert(In().string(), Out().string());
  }
  std::vector<std::string> Boxes() const { return view_.Matching("box"); }
  static std::string StopBox(int id) { return "box 16 " + MessageText(id); }
  // The run stopped on message `id`: exactly that box, its first line in the status line, the monitor
  // ready again for the next run.
  void ExpectStoppedWith(int result, int id) const;

  test::TempDir dir_;
  fs::path out_;  // another output folder, when a test needs one
  test::RecordingView view_;
  ProgressMonitor monitor_;
  MboxConverter converter_{&monitor_};
};

}  // namespace boxferry::faults
