// A ProgressView that records every call, in order, as text ("text 1005 変換中...", "enable 1004 0",
// "pump", "box 16 処理を中断しました."). Installs itself as the main window for its lifetime.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/progress_view.h"

namespace boxferry::test {

class RecordingView : public ProgressView {
 public:
  RecordingView() { SetMainWindow(this); }
  ~RecordingView() override { SetMainWindow(nullptr); }

  void SetItemText(int id, const std::string& text) override {
    calls.push_back("text " + std::to_string(id) + " " + text);
  }
  void InvalidateItem(int id) override { calls.push_back("invalidate " + std::to_string(id)); }
  void EnableItem(int id, bool on) override {
    calls.push_back("enable " + std::to_string(id) + " " + (on ? "1" : "0"));
  }
  void FocusItem(int id) override { calls.push_back("focus " + std::to_string(id)); }
  void DispatchPendingMessages() override {
    calls.push_back("pump");
    if (onPump) onPump();
  }
  int ShowMessageBox(const std::string& text, int flags, int help) override {
    calls.push_back("box " + std::to_string(flags) + " " + text);
    (void)help;
    if (onBox) onBox(text);
    return 1;
  }

  // Calls of one kind only ("box", "text 1005", …), in order.
  std::vector<std::string> Matching(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& call : calls) {
      if (call.rfind(prefix, 0) == 0) out.push_back(call);
    }
    return out;
  }

  std::vector<std::string> calls;
  std::function<void()> onPump;                   // a nested handler run from the message pump
  std::function<void(const std::string&)> onBox;  // runs while a box is "open"
};

}  // namespace boxferry::test
