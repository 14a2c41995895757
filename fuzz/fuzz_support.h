// Shared pieces of the fuzz targets: a scratch folder per process, tree snapshots, line splitting and a
// check that stops the fuzzer with a readable reason.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/progress_view.h"

namespace boxferry::fuzz {

// Prints `what` and aborts (libFuzzer then keeps the input as a crash) unless `ok`.
void Check(bool ok, const char* what);

// A fresh directory under the system's temporary folder for this process, created on first use.
const std::string& ScratchRoot();

// Removes everything below `dir` (the directory itself stays), following no links.
void EmptyDirectory(const std::string& dir);

// Type, size, modification time and content of every entry below `root` (links as their target text).
using Snapshot = std::map<std::string, std::string>;
Snapshot TakeSnapshot(const std::string& root);

// Whole file content ("" when it cannot be read).
std::string ReadWhole(const std::string& path);
bool WriteWhole(const std::string& path, std::string_view bytes);

// Counts message boxes: converting a readable file into a writable mbox never shows one.
class CountingView : public ProgressView {
 public:
  void SetItemText(int, const std::string&) override {}
  void InvalidateItem(int) override {}
  void EnableItem(int, bool) override {}
  void FocusItem(int) override {}
  void DispatchPendingMessages() override {}
  int ShowMessageBox(const std::string&, int, int) override {
    ++boxes;
    return 1;
  }
  int boxes = 0;
};

// A line as the message reader splits a file: a line ends at LF, CR LF, CR CR LF or a lone CR (at a CR the
// longest end is taken).
struct Line {
  std::string_view text;
  std::string_view end;
};
std::vector<Line> SplitLines(std::string_view bytes);

}  // namespace boxferry::fuzz
