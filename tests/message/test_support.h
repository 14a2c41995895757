// Helpers shared by the message tests: temporary files, a running monitor, byte literals.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/messages.h"
#include "engine/progress_monitor.h"
#include "platform/platform.h"

namespace boxferry::test {

// A fresh directory, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string Path(std::string_view name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);

// "1B 24 42" -> the three bytes.
std::string Hex(std::string_view hex);
// Bytes as "1B 24 42 41" for readable failure messages.
std::string ToHex(std::string_view bytes);

// A monitor in state Running, as during a conversion.
struct RunningMonitor {
  RunningMonitor() {
    monitor.SetState(kReady);
    monitor.SetState(kRunning);
  }
  // True when message `id` was the last one shown (its first line is the status line) and the run failed.
  bool Failed(int id) const {
    return monitor.state() == kFailed && monitor.statusText() == FirstLine(MessageText(id));
  }
  ProgressMonitor monitor;
};

// Converts `message` (the bytes of one message file) with MboxConverter and returns the mbox bytes;
// `result` receives ConvertMessage's result.
std::string ConvertBytes(std::string_view message, int* result = nullptr, std::size_t readBufferSize = 0);

}  // namespace boxferry::test
