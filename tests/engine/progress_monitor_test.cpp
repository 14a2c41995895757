#include "engine/progress_monitor.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "engine/messages.h"
#include "support/param_name.h"
#include "support/recording_view.h"

namespace boxferry {
namespace {

using test::RecordingView;
using Calls = std::vector<std::string>;

// Brings a fresh monitor into `state` through the requests a real run makes.
void Reach(ProgressMonitor& monitor, RunState state) {
  if (state == kNotReady) return;
  monitor.SetState(kReady);
  if (state == kReady) return;
  monitor.SetState(kRunning);
  if (state == kRunning) return;
  monitor.SetState(state);
}

struct Transition {
  RunState from;
  int request;
  RunState to;
  int result;
  Calls calls;  // what the view sees, box texts included
};

// "RunningAsksCancelling": the state and the request.
std::string TransitionName(const Transition& t) {
  return test::RunStateName(t.from) + "Asks" + test::RunStateName(t.request);
}
void PrintTo(const Transition& t, std::ostream* os) {
  *os << TransitionName(t);
}

const std::string kClose = "text 1014 閉じる";

class TransitionTest : public ::testing::TestWithParam<Transition> {};

TEST_P(TransitionTest, FollowsTheTable) {
  const Transition& t = GetParam();
  ProgressMonitor monitor;
  {
    // Reach the start state without a window, so only the transition itself is recorded.
    Reach(monitor, t.from);
  }
  ASSERT_EQ(monitor.state(), t.from);
  RecordingView view;
  EXPECT_EQ(monitor.SetState(t.request), t.result);
  EXPECT_EQ(monitor.state(), t.to);
  EXPECT_EQ(view.calls, t.calls);
}

const Calls kNone;
const Calls kCancelBox = {"invalidate 1005", "text 1005 処理を中断しました.", "pump",
                          "box 16 処理を中断しました."};
const Calls kFinishCalls = {"enable 1002 1", "enable 1003 1", "enable 1004 1", kClose};

INSTANTIATE_TEST_SUITE_P(
    Table, TransitionTest,
    ::testing::Values(
        Transition{kNotReady, 0, kNotReady, 0, {kClose, "enable 1004 0"}},
        Transition{kNotReady, 1, kReady, 1, {"enable 1004 1"}}, Transition{kNotReady, 2, kNotReady, 0, kNone},
        Transition{kNotReady, 6, kNotReady, 0, kNone}, Transition{kReady, 0, kNotReady, 1, {"enable 1004 0"}},
        Transition{kReady, 1, kReady, 0, kNone},
        Transition{kReady,
                   2,
                   kRunning,
                   1,
                   {"enable 1002 0", "enable 1003 0", "enable 1004 0", "text 1014 キャンセル", "focus 1014"}},
        Transition{kReady, 3, kReady, 0, kNone}, Transition{kReady, 6, kReady, 0, kNone},
        Transition{kRunning, 3, kCancelling, 1, kCancelBox}, Transition{kRunning, 4, kFailed, 1, kNone},
        Transition{kRunning, 5, kCompleted, 1, kNone}, Transition{kRunning, 0, kRunning, 0, kNone},
        Transition{kRunning, 1, kRunning, 0, kNone}, Transition{kRunning, 2, kRunning, 0, kNone},
        Transition{kRunning, 6, kRunning, 0, kNone}, Transition{kCancelling, 6, kReady, 1, kFinishCalls},
        Transition{kFailed, 6, kReady, 1, kFinishCalls}, Transition{kCompleted, 6, kReady, 1, kFinishCalls},
        Transition{kCancelling, 5, kCancelling, 0, kNone}, Transition{kCancelling, 4, kCancelling, 0, kNone},
        Transition{kFailed, 3, kFailed, 0, kNone}, Transition{kCompleted, 0, kCompleted, 0, kNone},
        Transition{kCompleted, 2, kCompleted, 0, kNone}),
    [](const auto& info) { return TransitionName(info.param); });

TEST(ProgressMonitorTest, ShowsCountersNamesAndStatusEachFollowedByOnePump) {
  ProgressMonitor monitor;
  RecordingView view;
  monitor.AddCounts(1, 20, 300);
  EXPECT_EQ(view.calls, (Calls{"invalidate 1006", "text 1006 1", "invalidate 1007", "text 1007 20",
                               "invalidate 1008", "text 1008 300", "pump"}));
  view.calls.clear();
  monitor.SetCurrent("a", nullptr, "f", "");
  monitor.SetCurrent(nullptr, "b", nullptr, nullptr);
  EXPECT_EQ(monitor.accountName(), "a");
  EXPECT_EQ(monitor.folderName(), "b");
  EXPECT_EQ(monitor.fileName(), "f");
  EXPECT_EQ(monitor.currentPath(), "");
  EXPECT_EQ(view.Matching("text 1010").size(), 2u);
  EXPECT_EQ(view.Matching("pump").size(), 2u);
  view.calls.clear();
  monitor.ResetCounters();
  EXPECT_EQ(view.Matching("text 100"), (Calls{"text 1006 0", "text 1007 0", "text 1008 0"}));
}

TEST(ProgressMonitorTest, NullAndZeroUpdatesStillRedrawAndPump) {
  ProgressMonitor monitor;
  RecordingView view;
  monitor.AddCounts(0, 0, 0);
  monitor.SetCurrent(nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(view.Matching("pump").size(), 2u);
  EXPECT_EQ(view.Matching("text").size(), 7u);
}

TEST(ProgressMonitorTest, MessageBoxShowsWholeTextAndStatusLineTheFirstLine) {
  struct Case {
    int id;
    int flags;
    std::string status;
  };
  for (const Case& c :
       {Case{kMsgCompleted, 64, "変換完了!"}, Case{kMsgUnexpected, 16, "予期しないエラーが発生しました."},
        Case{kMsgNoAccounts, 16, "アカウントフォルダが見つかりませんでした."}}) {
    ProgressMonitor monitor;
    RecordingView view;
    monitor.ShowMessage(c.id, c.flags, 0);
    EXPECT_EQ(monitor.statusText(), c.status);
    EXPECT_EQ(view.calls.back(), "box " + std::to_string(c.flags) + " " + MessageText(c.id));
    EXPECT_EQ(view.Matching("text 1005"), Calls{"text 1005 " + c.status});
  }
}

TEST(ProgressMonitorTest, WithoutMainWindowFieldsChangeAndNothingIsShown) {
  ProgressMonitor monitor;
  monitor.AddCounts(2, 3, 4);
  monitor.SetStatusText(kMsgConverting);
  EXPECT_EQ(monitor.fileCount(), 4);
  EXPECT_EQ(monitor.statusText(), "変換中...");
  EXPECT_EQ(monitor.ShowMessage(kMsgCompleted, 64, 0), 0);
  EXPECT_EQ(monitor.statusText(), "変換完了!");
}

// Two cancel clicks queued together: the first request's status update dispatches the second, which
// shows its own box first; the state becomes Cancelling once and the first request then reports 0.
TEST(ProgressMonitorTest, SecondCancelDispatchedInsideTheFirstIsAbsorbed) {
  ProgressMonitor monitor;
  Reach(monitor, kRunning);
  RecordingView view;
  int nestedResult = -1;
  bool secondPending = true;
  view.onPump = [&] {
    if (secondPending) {
      secondPending = false;
      nestedResult = monitor.SetState(kCancelling);
    }
  };
  EXPECT_EQ(monitor.SetState(kCancelling), 0);
  EXPECT_EQ(nestedResult, 1);
  EXPECT_EQ(monitor.state(), kCancelling);
  EXPECT_EQ(view.Matching("box").size(), 2u);
}

TEST(ProgressMonitorTest, EveryMessageHasItsText) {
  for (int id = kFirstMessageId; id <= kLastMessageId; ++id) EXPECT_FALSE(MessageText(id).empty()) << id;
  EXPECT_TRUE(MessageText(100).empty());
  EXPECT_TRUE(MessageText(kLastMessageId + 1).empty());
  EXPECT_EQ(MessageText(kMsgFileWriteFailed), "ファイルの書き込みに失敗しました.");
  EXPECT_EQ(FirstLine("a\rb\nc\r\nd"), "a\rb\nc");
}

}  // namespace
}  // namespace boxferry
