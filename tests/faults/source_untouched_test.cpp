// The source store is only ever read: after a successful, a failed and a cancelled run every file and
// folder of it has the same bytes, size, mode and modification time. The output of an earlier run is never
// overwritten: a second run into the same folder stops at once with 105 and changes nothing there.
#include <functional>
#include <string>
#include <vector>

#include "faults/fault_fixture.h"

namespace boxferry::faults {
namespace {

class SourceUntouched : public FaultTest {
 public:
  void SetUp() override {
    FaultTest::SetUp();
    fs::remove_all(In());
    fs::copy(BOXFERRY_SAMPLE_STORE, In(), fs::copy_options::recursive);
    before_ = TakeSnapshot(In());
    ASSERT_GT(before_.size(), 20u);
  }
  void ExpectSourceUnchanged() const { EXPECT_EQ(TakeSnapshot(In()), before_); }

  Snapshot before_;
};

TEST_F(SourceUntouched, SuccessfulRun) {
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"box 64 " + MessageText(kMsgCompleted)});
  ExpectSourceUnchanged();
}

TEST_F(SourceUntouched, RunFailingOnAWrite) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  // The second account's inbox leads to /dev/full.
  view_.onPump = [&] {
    for (const auto& entry : fs::directory_iterator(Out())) {
      const fs::path link = entry.path() / "郵便受け";
      std::error_code ec;
      if (entry.is_directory() && monitor_.accountCount() == 1 && !fs::exists(link, ec) &&
          !fs::is_symlink(link)) {
        fs::create_symlink("/dev/full", link, ec);
      }
    }
  };
  ExpectStoppedWith(Run(), kMsgFileWriteFailed);
  ExpectSourceUnchanged();
}

TEST_F(SourceUntouched, RunFailingOnAnUnreadableMessage) {
  const fs::path inbox = In() / "Account1" / "Inbox.box";
  fs::create_symlink(inbox / "missing", inbox / "00000002x.ALM");
  before_ = TakeSnapshot(In());
  ExpectStoppedWith(Run(), kMsgFileOpenFailed);
  ExpectSourceUnchanged();
}

TEST_F(SourceUntouched, CancelledRun) {
  bool pressed = false;
  view_.onPump = [&] {
    if (!pressed && monitor_.IsRunning() && monitor_.fileCount() == 3) {
      pressed = true;
      monitor_.SetState(kCancelling);
    }
  };
  EXPECT_EQ(Run(), -1);
  EXPECT_EQ(Boxes(), std::vector<std::string>{StopBox(kMsgCancelled)});
  ExpectSourceUnchanged();
}

TEST_F(SourceUntouched, SecondRunIntoTheSameOutputStopsWith105AndChangesNothing) {
  ASSERT_EQ(Run(), 0);
  const Snapshot first = TakeSnapshot(Out());
  ASSERT_GT(first.size(), 5u);
  view_.calls.clear();
  ExpectStoppedWith(Run(), kMsgFolderCreateFailed);
  EXPECT_EQ(monitor_.accountName(), "仕事・予定表");
  EXPECT_EQ(TakeSnapshot(Out()), first);
  ExpectSourceUnchanged();
}

}  // namespace
}  // namespace boxferry::faults
