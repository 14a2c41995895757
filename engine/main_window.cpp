#include "engine/progress_view.h"

namespace boxferry {
namespace {
ProgressView* g_mainWindow = nullptr;
}

void SetMainWindow(ProgressView* view) {
  g_mainWindow = view;
}
ProgressView* MainWindow() {
  return g_mainWindow;
}

}  // namespace boxferry
