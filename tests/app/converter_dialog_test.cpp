// The dialog logic seen through a fake window: what the buttons and texts show after each step.
#include "app/converter_dialog.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/fake_window.h"
#include "engine/control_ids.h"
#include "engine/mailbox_converter.h"
#include "engine/messages.h"
#include "support/param_name.h"
#include "support/temp_dir.h"
#include "support/test_store.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace boxferry {
namespace {

using test::FakeWindow;
using test::TempDir;

// Appends each message file as it stands behind a separator; can fail at a chosen message.
class FakeConverter : public MailboxConverter {
 public:
  enum class Failure { kNone, kReported, kUnreported };
  FakeConverter(ProgressMonitor* monitor, Failure failure, int failAt)
      : MailboxConverter(monitor), failure_(failure), failAt_(failAt) {}

  int ConvertMessage(const std::string& messagePath, const std::string&, const std::string&,
                     const std::string&, const std::string&, platform::File& mboxFile) override {
    if (failure_ != Failure::kNone && ++seen_ == failAt_) {
      return failure_ == Failure::kReported ? monitor_->Fail(kMsgFileReadFailed) : -1;
    }
    const std::string text = "From - \r\n" + test::ReadFile(messagePath);
    return mboxFile.WriteAll(text.data(), text.size()) ? 0 : -1;
  }

 private:
  Failure failure_;
  int failAt_;
  int seen_ = 0;
};

ConverterDialog::ConverterFactory Fake(FakeConverter::Failure failure = FakeConverter::Failure::kNone,
                                       int failAt = 0) {
  return [=](ProgressMonitor* monitor) { return std::make_unique<FakeConverter>(monitor, failure, failAt); };
}

std::string Box(int flags, int id) {
  return std::to_string(flags) + " " + MessageText(id);
}

TEST(ConverterDialogTest, InitialisationShowsCloseAndDisablesStart) {
  FakeWindow window;
  ConverterDialog dialog(window, Fake());
  EXPECT_EQ(MainWindow(), &window);
  dialog.Initialize();
  EXPECT_EQ(window.Text(kStatusText), MessageText(kMsgChooseFolders));
  EXPECT_EQ(window.Text(kCancelCloseButton), "閉じる");
  EXPECT_FALSE(window.Enabled(kStartButton));
  EXPECT_TRUE(window.Enabled(kChooseInputButton));
  EXPECT_TRUE(window.Enabled(kChooseOutputButton));
  EXPECT_EQ(dialog.monitor().state(), kNotReady);
  EXPECT_TRUE(window.boxes.empty());  // the welcome waits for the window to be shown
}

TEST(ConverterDialogTest, WelcomeIsShownOnceWithoutTouchingTheStatusLine) {
  FakeWindow window;
  ConverterDialog dialog(window, Fake());
  dialog.Initialize();
  const int statusWrites = window.textWrites[kStatusText];
  // Showing again while the box is open (a nested show) must not open a second box.
  window.onBox = [&](const std::string&) { dialog.WindowShown(); };
  dialog.WindowShown();
  window.onBox = nullptr;
  dialog.WindowShown();
  EXPECT_EQ(window.boxes, std::vector<std::string>{Box(kIconInformation, kMsgWelcome)});
  EXPECT_EQ(window.textWrites[kStatusText], statusWrites);
}

TEST(ConverterDialogTest, MainWindowIsClearedWithTheDialog) {
  FakeWindow window;
  { ConverterDialog dialog(window, Fake()); }
  EXPECT_EQ(MainWindow(), nullptr);
}

// One press of a "..." button and what the chooser answers (nullopt: cancelled); or, `named`, the folder
// given without the chooser (command line, drop).
struct Choice {
  bool input;
  std::optional<std::string> answer;
  bool named = false;
};

struct ReadinessCase {
  const char* name;
  std::vector<Choice> choices;
  RunState state;
  int status;
  std::string input;
  std::string output;
};

void PrintTo(const ReadinessCase& c, std::ostream* os) {
  *os << c.name;
}

class ReadinessTest : public ::testing::TestWithParam<ReadinessCase> {};

TEST_P(ReadinessTest, StateStatusAndFieldsFollowTheChoices) {
  const ReadinessCase& c = GetParam();
  FakeWindow window;
  ConverterDialog dialog(window, Fake());
  dialog.Initialize();
  for (const Choice& choice : c.choices) {
    if (choice.named) {
      if (choice.input) {
        dialog.SetInputFolder(*choice.answer);
      } else {
        dialog.SetOutputFolder(*choice.answer);
      }
      continue;
    }
    window.choices.push_back(choice.answer);
    if (choice.input) {
      dialog.ChooseInputFolder();
    } else {
      dialog.ChooseOutputFolder();
    }
  }
  EXPECT_EQ(dialog.monitor().state(), c.state);
  EXPECT_EQ(window.Text(kStatusText), MessageText(c.status));
  EXPECT_EQ(window.Enabled(kStartButton), c.state == kReady);
  EXPECT_EQ(dialog.inputFolder(), c.input);
  EXPECT_EQ(dialog.outputFolder(), c.output);
  EXPECT_EQ(window.Text(kInputPathEdit), c.input);
  EXPECT_EQ(window.Text(kOutputPathEdit), c.output);
}

const ReadinessCase kReadinessCases[] = {
    {"InputOnly", {{true, "/in"}}, kNotReady, kMsgChooseFolders, "/in", ""},
    {"OutputOnly", {{false, "/out"}}, kNotReady, kMsgChooseFolders, "", "/out"},
    {"Both", {{true, "/in"}, {false, "/out"}}, kReady, kMsgReady, "/in", "/out"},
    {"OutputFirst", {{false, "/out"}, {true, "/in"}}, kReady, kMsgReady, "/in", "/out"},
    {"Equal", {{true, "/m"}, {false, "/m"}}, kNotReady, kMsgChooseFolders, "/m", "/m"},
    {"ReadyThenEqual",
     {{true, "/in"}, {false, "/out"}, {false, "/in"}},
     kNotReady,
     kMsgChooseFolders,
     "/in",
     "/in"},
    {"EqualThenDifferent", {{true, "/m"}, {false, "/m"}, {true, "/n"}}, kReady, kMsgReady, "/n", "/m"},
    {"LetterCaseDiffers", {{true, "/a/Mail"}, {false, "/a/mail"}}, kReady, kMsgReady, "/a/Mail", "/a/mail"},
    {"TrailingSeparatorDiffers", {{true, "/a/b"}, {false, "/a/b/"}}, kReady, kMsgReady, "/a/b", "/a/b/"},
    // Overlap is judged on the folders themselves (OverlapKeepsStartOff); names alone tell nothing.
    {"NamesInsideNamesThatAreNotThere", {{true, "/a"}, {false, "/a/b"}}, kReady, kMsgReady, "/a", "/a/b"},
    {"CancelledFirstChoice", {{true, std::nullopt}}, kNotReady, kMsgChooseFolders, "", ""},
    {"CancelKeepsEarlierPath",
     {{true, "/in"}, {true, std::nullopt}},
     kNotReady,
     kMsgChooseFolders,
     "/in",
     ""},
    {"CancelWhileReady",
     {{true, "/in"}, {false, "/out"}, {false, std::nullopt}},
     kReady,
     kMsgReady,
     "/in",
     "/out"},
    {"SameChoiceAgain", {{true, "/in"}, {false, "/out"}, {false, "/out"}}, kReady, kMsgReady, "/in", "/out"},
    {"NamedBoth", {{true, "/in", true}, {false, "/out", true}}, kReady, kMsgReady, "/in", "/out"},
    {"NamedThenChosen", {{true, "/in", true}, {false, "/out"}}, kReady, kMsgReady, "/in", "/out"},
    {"NamedEqual", {{true, "/m", true}, {false, "/m", true}}, kNotReady, kMsgChooseFolders, "/m", "/m"},
    {"ChosenThenNamed",
     {{true, "/in"}, {false, "/out"}, {true, "/x", true}},
     kReady,
     kMsgReady,
     "/x",
     "/out"},
};

INSTANTIATE_TEST_SUITE_P(Choices, ReadinessTest, ::testing::ValuesIn(kReadinessCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConverterDialogTest, ChooserGetsThePromptAndTheCurrentFolder) {
  FakeWindow window;
  ConverterDialog dialog(window, Fake());
  dialog.SetDefaultOutputFinder([] { return std::string(); });  // no Thunderbird here
  dialog.Initialize();
  window.choices = {"/in", std::nullopt, "/out", "/out2"};
  dialog.ChooseInputFolder();
  dialog.ChooseInputFolder();
  dialog.ChooseOutputFolder();
  dialog.ChooseOutputFolder();
  const std::string in = MessageText(kMsgChooseInput);
  const std::string out = MessageText(kMsgChooseOutput);
  EXPECT_EQ(window.chooserCalls,
            (std::vector<std::string>{in + " | ", in + " | /in", out + " | ", out + " | /out"}));
}

// With the output field empty, the chooser opens at Thunderbird's Local Folders; then at the choice.
TEST(ConverterDialogTest, OutputChooserOpensAtLocalFolders) {
  FakeWindow window;
  ConverterDialog dialog(window, Fake());
  dialog.SetDefaultOutputFinder([] { return std::string("/home/u/.thunderbird/p/Mail/Local Folders"); });
  dialog.Initialize();
  window.choices = {std::nullopt, "/out", "/out2"};
  dialog.ChooseOutputFolder();
  dialog.ChooseOutputFolder();
  dialog.ChooseOutputFolder();
  const std::string out = MessageText(kMsgChooseOutput);
  EXPECT_EQ(window.chooserCalls, (std::vector<std::string>{
                                     out + " | /home/u/.thunderbird/p/Mail/Local Folders",
                                     out + " | /home/u/.thunderbird/p/Mail/Local Folders", out + " | /out"}));
}

// The folders themselves decide: the store, a folder inside it, or a link to it keeps Start off with the
// reason in the status line, and a press that slips through writes nothing.
TEST(ConverterDialogTest, OverlapKeepsStartOff) {
  TempDir dir;
  test::WriteStore(dir / "store", 1);
  std::error_code linkError;
  std::filesystem::create_directory_symlink(dir / "store", dir / "link", linkError);
  std::vector<std::string> outputs = {(dir / "store").string() + "/", (dir / "store" / "Account1").string()};
  if (!linkError) outputs.push_back((dir / "link").string());
  const std::string before = test::DescribeTree(dir / "store");
  for (const std::string& output : outputs) {
    FakeWindow window;
    ConverterDialog dialog(window, Fake());
    dialog.Initialize();
    window.choices = {(dir / "store").string(), output};
    dialog.ChooseInputFolder();
    dialog.ChooseOutputFolder();
    EXPECT_EQ(dialog.monitor().state(), kNotReady) << output;
    EXPECT_FALSE(window.Enabled(kStartButton)) << output;
    EXPECT_EQ(window.Text(kStatusText), FirstLine(MessageText(kMsgOutputInsideInput))) << output;
    dialog.Start();
    EXPECT_EQ(test::DescribeTree(dir / "store"), before) << output;
  }
}

#ifndef _WIN32
// HOME with one Thunderbird profile, for the test's duration.
class ProfileDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* home = std::getenv("HOME")) savedHome_ = home;
    setenv("HOME", dir_.str().c_str(), 1);
    test::WriteStore(dir_ / "store", 2);
    std::filesystem::create_directories(LocalFolders());
    test::WriteFile(dir_ / ".thunderbird" / "profiles.ini", "[Profile0]\nName=p\nIsRelative=1\nPath=p\n");
  }
  void TearDown() override {
    if (savedHome_) {
      setenv("HOME", savedHome_->c_str(), 1);
    } else {
      unsetenv("HOME");
    }
  }
  std::filesystem::path Profile() const { return dir_ / ".thunderbird" / "p"; }
  std::filesystem::path LocalFolders() const { return Profile() / "Mail" / "Local Folders"; }
  void Prefs(const std::string& store) {
    test::WriteFile(Profile() / "prefs.js",
                    "user_pref(\"mail.server.server1.type\", \"none\");\n"
                    "user_pref(\"mail.server.server1.directory-rel\", \"[ProfD]Mail/Local Folders\");\n"
                    "user_pref(\"mail.server.server1.storeContractID\", \"@mozilla.org/msgstore/" +
                        store + ";1\");\n");
  }
  void Choose(ConverterDialog& dialog, FakeWindow& window) {
    dialog.Initialize();
    window.choices = {(dir_ / "store").string(), std::nullopt, LocalFolders().string()};
    dialog.ChooseInputFolder();
    dialog.ChooseOutputFolder();  // cancelled: only to see where it opened
    dialog.ChooseOutputFolder();
  }

  TempDir dir_;
  std::optional<std::string> savedHome_;
};

TEST_F(ProfileDialogTest, ARunningThunderbirdIsSaidAndStartWritesNothingUntilItEnds) {
  Prefs("berkeleystore");
  std::filesystem::create_symlink("127.0.0.1:" + std::to_string(getpid()), Profile() / "lock");
  FakeWindow window;
  ConverterDialog dialog(window, Fake());
  Choose(dialog, window);
  EXPECT_EQ(window.chooserCalls[1], MessageText(kMsgChooseOutput) + " | " + LocalFolders().string());
  EXPECT_EQ(window.Text(kStatusText), FirstLine(MessageText(kMsgProfileInUse)));
  EXPECT_TRUE(window.Enabled(kStartButton));  // Thunderbird may be closed before Start
  dialog.Start();
  EXPECT_EQ(window.boxes,
            std::vector<std::string>{Box(kIconStop, kMsgProfileInUse) + "\r\n\r\n" + Profile().string()});
  EXPECT_TRUE(std::filesystem::is_empty(LocalFolders()));
  std::filesystem::remove(Profile() / "lock");
  dialog.Start();
  EXPECT_EQ(test::CountMboxMessages(LocalFolders() / "テスト.sbd" / "郵便受け"), 2);
}

TEST_F(ProfileDialogTest, MaildirLocalFoldersKeepStartOff) {
  Prefs("maildirstore");
  FakeWindow window;
  ConverterDialog dialog(window, Fake());
  Choose(dialog, window);
  EXPECT_EQ(dialog.monitor().state(), kNotReady);
  EXPECT_EQ(window.Text(kStatusText), FirstLine(MessageText(kMsgMaildirProfile)));
}
#endif

TEST(ConverterDialogTest, CancelledChoiceWritesNothing) {
  FakeWindow window;
  ConverterDialog dialog(window, Fake());
  dialog.Initialize();
  window.choices = {"/in", "/out"};
  dialog.ChooseInputFolder();
  dialog.ChooseOutputFolder();
  const auto writes = window.textWrites;
  const int pumps = window.pumps;
  window.choices = {std::nullopt};
  dialog.ChooseOutputFolder();
  EXPECT_EQ(window.textWrites, writes);
  EXPECT_EQ(window.pumps, pumps);
}

// Puts the monitor into `state` the way a run does.
void Reach(ProgressMonitor& monitor, RunState state) {
  if (state == kNotReady) return;
  monitor.SetState(kReady);
  if (state == kReady) return;
  monitor.SetState(kRunning);
  if (state != kRunning) monitor.SetState(state);
}

// A folder given without the chooser never changes under a run, nor while it unwinds.
TEST(ConverterDialogTest, NamedFolderIsIgnoredOutsideIdle) {
  for (RunState state : {kRunning, kCancelling, kFailed, kCompleted}) {
    FakeWindow window;
    ConverterDialog dialog(window, Fake());
    dialog.Initialize();
    dialog.SetInputFolder("/in");
    dialog.SetOutputFolder("/out");
    Reach(dialog.monitor(), state);
    const auto writes = window.textWrites;
    dialog.SetInputFolder("/other");
    dialog.SetOutputFolder("/other");
    EXPECT_EQ(dialog.inputFolder(), "/in") << state;
    EXPECT_EQ(dialog.outputFolder(), "/out") << state;
    EXPECT_EQ(window.textWrites, writes) << state;
    EXPECT_EQ(dialog.monitor().state(), state);
  }
}

struct CancelCase {
  RunState before;
  RunState after;
  bool closes;
  bool asksToStop;  // box 119
};

void PrintTo(const CancelCase& c, std::ostream* os) {
  *os << "Cancel while " << test::RunStateName(c.before);
}

class CancelRequestTest : public ::testing::TestWithParam<CancelCase> {};

// The Cancel/Close button, Escape and the close box all arrive here.
TEST_P(CancelRequestTest, ClosesWhileIdleStopsARunAndWaitsWhileUnwinding) {
  const CancelCase& c = GetParam();
  FakeWindow window;
  ConverterDialog dialog(window, Fake());
  dialog.Initialize();
  Reach(dialog.monitor(), c.before);
  ASSERT_EQ(dialog.monitor().state(), c.before);
  window.boxes.clear();
  dialog.CancelRequest();
  EXPECT_EQ(dialog.monitor().state(), c.after);
  EXPECT_EQ(window.closed, c.closes ? 1 : 0);
  EXPECT_EQ(window.boxes, c.asksToStop ? std::vector<std::string>{Box(kIconStop, kMsgCancelled)}
                                       : std::vector<std::string>{});
  if (c.asksToStop) {
    EXPECT_EQ(window.Text(kStatusText), MessageText(kMsgCancelled));
  }
}

INSTANTIATE_TEST_SUITE_P(States, CancelRequestTest,
                         ::testing::Values(CancelCase{kNotReady, kNotReady, true, false},
                                           CancelCase{kReady, kReady, true, false},
                                           CancelCase{kRunning, kCancelling, false, true},
                                           CancelCase{kCancelling, kCancelling, false, false},
                                           CancelCase{kFailed, kFailed, false, false},
                                           CancelCase{kCompleted, kCompleted, false, false}),
                         [](const auto& info) { return test::RunStateName(info.param.before); });

// Chooses `in` and `out` and presses Start.
void StartRun(FakeWindow& window, ConverterDialog& dialog, const std::string& in, const std::string& out) {
  window.choices = {in, out};
  dialog.ChooseInputFolder();
  dialog.ChooseOutputFolder();
  ASSERT_EQ(dialog.monitor().state(), kReady);
  window.boxes.clear();
  dialog.Start();
}

struct RunCase {
  const char* name;
  FakeConverter::Failure failure;
  int failAt;
  std::vector<std::string> boxes;
  std::string files;
};

void PrintTo(const RunCase& c, std::ostream* os) {
  *os << c.name;
}

class StartTest : public ::testing::TestWithParam<RunCase> {};

// Whatever the run's outcome, the dialog adds nothing of its own and is ready for the next run.
TEST_P(StartTest, RunEndsReadyWithItsOwnMessageOnly) {
  const RunCase& c = GetParam();
  TempDir store, output;
  test::WriteStore(store.path(), 3);
  FakeWindow window;
  ConverterDialog dialog(window, Fake(c.failure, c.failAt));
  dialog.Initialize();
  StartRun(window, dialog, store.str(), output.str());
  EXPECT_EQ(window.boxes, c.boxes);
  EXPECT_EQ(window.Text(kStatusText),
            FirstLine(MessageText(c.failure == FakeConverter::Failure::kNone       ? kMsgCompleted
                                  : c.failure == FakeConverter::Failure::kReported ? kMsgFileReadFailed
                                                                                   : kMsgUnexpected)));
  EXPECT_EQ(window.Text(kFileCountText), c.files);
  EXPECT_EQ(dialog.monitor().state(), kReady);
  EXPECT_TRUE(window.Enabled(kStartButton));
  EXPECT_TRUE(window.Enabled(kChooseInputButton));
  EXPECT_TRUE(window.Enabled(kChooseOutputButton));
  EXPECT_EQ(window.Text(kCancelCloseButton), "閉じる");
  EXPECT_EQ(window.closed, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, StartTest,
    ::testing::Values(
        RunCase{"Completed", FakeConverter::Failure::kNone, 0, {Box(kIconInformation, kMsgCompleted)}, "3"},
        RunCase{"ReportedFailure",
                FakeConverter::Failure::kReported,
                2,
                {Box(kIconStop, kMsgFileReadFailed)},
                "1"},
        RunCase{"UnreportedFailure",
                FakeConverter::Failure::kUnreported,
                2,
                {Box(kIconStop, kMsgUnexpected)},
                "1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConverterDialogTest, StartConvertsTheChosenFoldersAndCanRunAgain) {
  TempDir store, output, output2;
  test::WriteStore(store.path(), 3);
  FakeWindow window;
  ConverterDialog dialog(window, Fake());
  dialog.Initialize();
  StartRun(window, dialog, store.str(), output.str());
  EXPECT_EQ(test::CountMboxMessages(output.path() / u8"テスト.sbd" / u8"郵便受け"), 3);
  EXPECT_EQ(window.Text(kAccountCountText), "1");
  EXPECT_EQ(window.Text(kFolderCountText), "1");
  // Same input, another output: a second run from Ready.
  StartRun(window, dialog, store.str(), output2.str());
  EXPECT_EQ(test::CountMboxMessages(output2.path() / u8"テスト.sbd" / u8"郵便受け"), 3);
}

TEST(ConverterDialogTest, StartOutsideReadyDoesNothing) {
  TempDir store, output;
  test::WriteStore(store.path(), 2);
  FakeWindow window;
  ConverterDialog dialog(window, Fake());
  dialog.Initialize();
  window.choices = {store.str()};
  dialog.ChooseInputFolder();
  const int pumps = window.pumps;
  dialog.Start();  // NotReady: only the input folder is chosen
  EXPECT_EQ(window.pumps, pumps);
  EXPECT_EQ(dialog.monitor().state(), kNotReady);

  // A Start that slips in while the run goes on (a queued press) must not begin a second run, which
  // would fail on the account folder the first one has just made.
  int nested = 0;
  window.onPump = [&] {
    if (dialog.monitor().IsRunning() && nested++ == 0) dialog.Start();
  };
  window.choices = {output.str()};
  dialog.ChooseOutputFolder();
  window.boxes.clear();
  dialog.Start();
  EXPECT_EQ(nested > 0, true);
  EXPECT_EQ(window.boxes, std::vector<std::string>{Box(kIconInformation, kMsgCompleted)});
  EXPECT_EQ(test::CountMboxMessages(output.path() / u8"テスト.sbd" / u8"郵便受け"), 2);
}

// A cancel from the message pump in the middle of a run: box 119, the run stops after the file in hand,
// and the counters tell what was finished.
TEST(ConverterDialogTest, CancelDuringARunStopsAfterTheCurrentFile) {
  TempDir store, output;
  test::WriteStore(store.path(), 50);
  FakeWindow window;
  ConverterDialog dialog(window, Fake());
  dialog.Initialize();
  bool pressed = false;  // one press: the pump runs again inside the request's own status update
  window.onPump = [&] {
    if (!pressed && dialog.monitor().IsRunning() && dialog.monitor().fileCount() == 7) {
      pressed = true;
      dialog.CancelRequest();
    }
  };
  StartRun(window, dialog, store.str(), output.str());
  EXPECT_EQ(window.boxes, std::vector<std::string>{Box(kIconStop, kMsgCancelled)});
  EXPECT_EQ(window.Text(kStatusText), MessageText(kMsgCancelled));
  EXPECT_EQ(window.Text(kFileCountText), "7");
  EXPECT_EQ(test::CountMboxMessages(output.path() / u8"テスト.sbd" / u8"郵便受け"), 7);
  EXPECT_EQ(dialog.monitor().state(), kReady);
  EXPECT_TRUE(window.Enabled(kStartButton));
  EXPECT_EQ(window.closed, 0);  // the Cancel did not close the window
}

// During a run the Cancel/Close button has the focus and reads "キャンセル"; the folder buttons and Start
// cannot be pressed.
TEST(ConverterDialogTest, ButtonsDuringARun) {
  TempDir store, output;
  test::WriteStore(store.path(), 2);
  FakeWindow window;
  ConverterDialog dialog(window, Fake());
  dialog.Initialize();
  bool seen = false;
  window.onPump = [&] {
    if (!dialog.monitor().IsRunning() || seen) return;
    seen = true;
    EXPECT_EQ(window.Text(kCancelCloseButton), "キャンセル");
    EXPECT_EQ(window.focused, kCancelCloseButton);
    EXPECT_FALSE(window.Enabled(kStartButton));
    EXPECT_FALSE(window.Enabled(kChooseInputButton));
    EXPECT_FALSE(window.Enabled(kChooseOutputButton));
    // The folder handlers refuse to run even if reached.
    window.choices = {"/elsewhere"};
    dialog.ChooseInputFolder();
    EXPECT_EQ(window.choices.size(), 1u);
  };
  StartRun(window, dialog, store.str(), output.str());
  EXPECT_TRUE(seen);
  EXPECT_EQ(dialog.inputFolder(), store.str());
}

// The About entry opens the box in every state; while it is open during a run, the run does not move.
TEST(ConverterDialogTest, AboutOpensDuringARunAndTheRunWaits) {
  TempDir store, output;
  test::WriteStore(store.path(), 5);
  FakeWindow window;
  ConverterDialog dialog(window, Fake());
  dialog.Initialize();
  dialog.About();
  EXPECT_EQ(window.aboutOpened, 1);
  int filesWhenOpened = -1;
  window.onPump = [&] {
    if (dialog.monitor().IsRunning() && dialog.monitor().fileCount() == 2 && window.aboutOpened == 1) {
      dialog.About();
    }
  };
  window.onAbout = [&] {
    filesWhenOpened = dialog.monitor().fileCount();
    EXPECT_TRUE(dialog.monitor().IsRunning());
  };
  StartRun(window, dialog, store.str(), output.str());
  EXPECT_EQ(window.aboutOpened, 2);
  EXPECT_EQ(filesWhenOpened, 2);
  EXPECT_EQ(window.Text(kFileCountText), "5");
  EXPECT_FALSE(ConverterDialog::AboutEntryText().empty());
}

}  // namespace
}  // namespace boxferry
