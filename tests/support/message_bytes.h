// Helpers for tests of message conversion: byte literals, a monitor in state Running, and one message
// converted with MboxConverter.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/messages.h"
#include "engine/progress_monitor.h"

namespace boxferry::test {

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
// `result` receives ConvertMessage's result. `readBufferSize` 0 is the reader's default.
std::string ConvertBytes(std::string_view message, int* result = nullptr, std::size_t readBufferSize = 0);

}  // namespace boxferry::test
