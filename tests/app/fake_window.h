// A DialogWindow without a window system: keeps what the dialog put on screen, answers the folder
// chooser from a script, and runs scripted handlers from the message pump.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/dialog_window.h"

namespace boxferry::test {

class FakeWindow : public DialogWindow {
 public:
  void SetItemText(int id, const std::string& text) override {
    texts[id] = text;
    ++textWrites[id];
  }
  void InvalidateItem(int) override {}
  void EnableItem(int id, bool on) override { disabled[id] = !on; }
  void FocusItem(int id) override { focused = id; }
  void DispatchPendingMessages() override {
    ++pumps;
    if (onPump) onPump();
  }
  int ShowMessageBox(const std::string& text, int flags, int) override {
    boxes.push_back(std::to_string(flags) + " " + text);
    if (onBox) onBox(text);
    return 1;
  }
  std::optional<std::string> ChooseFolder(const std::string& prompt, const std::string& initial) override {
    chooserCalls.push_back(prompt + " | " + initial);
    if (choices.empty()) return std::nullopt;
    std::optional<std::string> choice = choices.front();
    choices.pop_front();
    return choice;
  }
  void CloseDialog() override { ++closed; }
  void OpenAboutBox() override {
    ++aboutOpened;
    if (onAbout) onAbout();
  }

  bool Enabled(int id) const {
    auto found = disabled.find(id);
    return found == disabled.end() || !found->second;
  }
  std::string Text(int id) const {
    auto found = texts.find(id);
    return found == texts.end() ? std::string() : found->second;
  }

  std::map<int, std::string> texts;
  std::map<int, int> textWrites;
  std::map<int, bool> disabled;
  int focused = 0;
  int pumps = 0;
  std::vector<std::string> boxes;  // "flags text"
  std::deque<std::optional<std::string>> choices;
  std::vector<std::string> chooserCalls;  // "prompt | initial"
  int closed = 0;
  int aboutOpened = 0;
  std::function<void()> onPump;
  std::function<void(const std::string&)> onBox;
  std::function<void()> onAbout;
};

}  // namespace boxferry::test
