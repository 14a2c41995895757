// Hostile stores: titles that try to leave the output folder or name devices, link loops and links out of
// the store, and mail nested thousands of levels deep. Nothing is ever written outside the output folder,
// every run ends, and each case ends in a converted folder or a clear message.
#include <pthread.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "encoding/utf8.h"
#include "faults/fault_fixture.h"

namespace boxferry::faults {
namespace {

using test::ReadFile;

class Hostile : public FaultTest {
 public:
  void SetUp() override {
    FaultTest::SetUp();
    test::WriteFile(dir_ / "beside" / "Keep.box" / "1.ALM", Message("beside"));
    test::WriteFile(dir_ / "beside" / "Entry.ini", Ini("Beside", "Subfolder"));
  }
  // Everything in the scratch folder except the output.
  Snapshot Outside() const {
    Snapshot all = TakeSnapshot(dir_.path());
    std::erase_if(all, [](const auto& e) { return e.first == "out" || e.first.starts_with("out/"); });
    return all;
  }
  // Names of the entries directly in `dir`.
  static std::vector<std::string> Names(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

struct TitleCase {
  const char* name;
  std::string title;  // code page 932 bytes
  std::string output;
};

void PrintTo(const TitleCase& c, std::ostream* os) {
  *os << c.name;
}

// Shift_JIS あ (82 A0), and 1023 bytes of title: 511 of them and an 'x'.
const std::string kA = "\x82\xA0";
std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}
std::string RepeatUtf8A(int n) {
  return Repeat("あ", n);
}

const std::vector<TitleCase> kTitles = {
    {"DotDot", "..", "__"},
    {"Dot", ".", "_"},
    {"DotDotSlash", "../x", "_._x"},
    {"Backslash", "a\\b", "a_b"},
    {"UpTwice", "..\\..\\x", "_._.._x"},
    {"Con", "CON", "CON_"},
    {"NulTxt", "nul.txt", "nul_.txt"},
    {"Com1", "com1", "com1_"},
    {"ControlCharacters",
     "a\x01\x1F\x7F"
     "b",
     "a___b"},
    {"Escape", "\x1B$B", "_$B"},
    {"Long1023Ascii", std::string(1023, 'x'), std::string(55, 'x')},
    {"Long1023Japanese", Repeat(kA, 511) + "x", RepeatUtf8A(55)},
    {"Absolute", "/etc/passwd", "_etc_passwd"},
    {"ThunderbirdEnding", "Drafts.msf", "Drafts_msf"},
    {"TrailingDotsAndTilde", "old...~", "old..._"},
};

class HostileFolderTitle : public Hostile, public ::testing::WithParamInterface<TitleCase> {};

TEST_P(HostileFolderTitle, ConvertsIntoASafeNameInsideTheOutput) {
  const TitleCase& c = GetParam();
  Put("Account1/Account.ini", Ini("A"));
  Put("Account1/F.box/Entry.ini", Ini(c.title));
  Put("Account1/F.box/1.ALM", Message("one"));
  Put("Account1/S.box/Entry.ini", Ini("s" + c.title, "Subfolder"));
  Put("Account1/S.box/In.box/1.ALM", Message("two"));
  const Snapshot before = Outside();
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"box 64 " + MessageText(kMsgCompleted)});
  EXPECT_EQ(Outside(), before);
  EXPECT_EQ(ReadFile(Out() / "A.sbd" / c.output), MboxOf({Message("one")}));
  EXPECT_EQ(Names(Out() / "A.sbd").size(), 3u);  // the mbox, and the container's file and folder
}

class HostileAccountTitle : public Hostile, public ::testing::WithParamInterface<TitleCase> {};

TEST_P(HostileAccountTitle, ConvertsIntoASafeNameInsideTheOutput) {
  const TitleCase& c = GetParam();
  Put("Account1/Account.ini", Ini(c.title));
  Put("Account1/Inbox.box/1.ALM", Message("one"));
  const Snapshot before = Outside();
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Outside(), before);
  EXPECT_EQ(Names(Out()), (std::vector<std::string>{c.output, c.output + ".sbd"}));
  EXPECT_EQ(ReadFile(Out() / (c.output + ".sbd") / "郵便受け"), MboxOf({Message("one")}));
}

auto TitleName = [](const auto& info) { return std::string(info.param.name); };
INSTANTIATE_TEST_SUITE_P(Titles, HostileFolderTitle, ::testing::ValuesIn(kTitles), TitleName);
INSTANTIATE_TEST_SUITE_P(Titles, HostileAccountTitle, ::testing::ValuesIn(kTitles), TitleName);

// A title of blanks only is no title: the folder keeps its directory's name.
TEST_F(Hostile, BlankTitlesFallBackToTheDirectoryName) {
  Put("Account1/Account.ini", Ini(" \t  "));
  Put("Account1/F.box/Entry.ini", Ini("   "));
  Put("Account1/F.box/1.ALM", Message("one"));
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(ReadFile(Out() / "Account1.sbd" / "F.box"), MboxOf({Message("one")}));
}

// Directory names are any bytes on POSIX: device names, separators of other systems, dots.
TEST_F(Hostile, HostileDirectoryNamesBecomeSafeNames) {
  Put("Account1/Account.ini", Ini("A"));
  for (const char* dir : {"CON.box", "a\\b.box", ".box", "..box", "x:y.box", "\x01.box"}) {
    Put(std::string("Account1/") + dir + "/1.ALM", Message(dir));
  }
  const Snapshot before = Outside();
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Outside(), before);
  EXPECT_EQ(Names(Out() / "A.sbd"),
            (std::vector<std::string>{"CON_.box", "_.box", "_box", "a_b.box", "x_y.box"}));
  // "\x01.box" and "..box" both resolve to "_.box": the later folder is appended, nothing is lost.
  EXPECT_EQ(ReadFile(Out() / "A.sbd" / "_.box"), MboxOf({Message("\x01.box"), Message("..box")}));
}

// links

TEST_F(Hostile, LinkLoopsAndLinksOutOfTheStoreEnd) {
  Put("Account1/Account.ini", Ini("A"));
  Put("Account1/Inbox.box/1.ALM", Message("one"));
  Put("Account1/Tree.box/Entry.ini", Ini("Tree", "Subfolder"));
  Put("Account1/Tree.box/Leaf.box/1.ALM", Message("leaf"));
  const fs::path account = In() / "Account1";
  fs::create_symlink(account / "Tree.box", account / "Tree.box" / "Back.box");  // a container inside itself
  fs::create_symlink(account, account / "Tree.box" / "Up.box");                 // up to the account
  fs::create_symlink(In(), In() / "AccountLoop");                               // the input as an account
  fs::create_symlink(account / "Self.box", account / "Self.box");               // ELOOP
  fs::create_symlink(dir_ / "beside", account / "Away.box");                    // out of the store
  fs::create_symlink(Out(), account / "Output.box");                            // into the output
  fs::create_symlink("/", account / "Root.box");
  const Snapshot before = Outside();

  // AccountLoop is the input folder itself, already on the walk's path: skipped like the loops below it.
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"box 64 " + MessageText(kMsgCompleted)});
  EXPECT_EQ(Outside(), before);
  EXPECT_EQ(ReadFile(Out() / "A.sbd" / "郵便受け"), MboxOf({Message("one")}));
  EXPECT_EQ(ReadFile(Out() / "A.sbd" / "Tree.sbd" / "Leaf.box"), MboxOf({Message("leaf")}));
  // Away.box is a container (its Entry.ini says so) outside the store: read, converted, not written.
  EXPECT_EQ(ReadFile(Out() / "A.sbd" / "Beside.sbd" / "Keep.box"), MboxOf({Message("beside")}));
  EXPECT_EQ(monitor_.accountCount(), 1);
}

// nesting

// Runs `work` on a thread with a small stack: a conversion whose stack grew with the nesting would crash.
void OnSmallStack(const std::function<void()>& work) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, 1024 * 1024);
  pthread_t thread;
  auto call = [](void* arg) -> void* {
    (*static_cast<const std::function<void()>*>(arg))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, call, const_cast<std::function<void()>*>(&work)), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

struct NestingCase {
  const char* name;
  std::string (*level)(int i);  // the lines that open level i
};

void PrintTo(const NestingCase& c, std::ostream* os) {
  *os << c.name;
}

std::string EmbeddedLevel(int i) {
  const std::string b = "b" + std::to_string(i);
  return "Content-Type: multipart/mixed; boundary=" + b + "\r\n\r\n--" + b +
         "\r\nContent-Type: message/rfc822\r\n\r\nSubject: level " + std::to_string(i) + "\r\n";
}
std::string MultipartLevel(int i) {
  const std::string b = "m" + std::to_string(i);
  return "Content-Type: multipart/alternative; boundary=" + b + "\r\n\r\n--" + b + "\r\n";
}
std::string MixedLevel(int i) {
  return i % 2 ? EmbeddedLevel(i) : MultipartLevel(i);
}

class DeepNesting : public Hostile, public ::testing::WithParamInterface<NestingCase> {};

TEST_P(DeepNesting, ConvertsInBoundedStack) {
  constexpr int kLevels = 5000;
  std::string message = "Subject: deep\r\n";
  for (int i = 0; i < kLevels; ++i) message += GetParam().level(i);
  message +=
      "Content-Type: text/plain; charset=iso-2022-jp\r\n\r\nthe deepest text \x82\xA0\r\nFrom here\r\n";
  Put("Account1/Account.ini", Ini("A"));
  Put("Account1/Inbox.box/1.ALM", message);
  int result = -2;
  OnSmallStack([&] { result = Run(); });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"box 64 " + MessageText(kMsgCompleted)});
  const std::string mbox = ReadFile(Out() / "A.sbd" / "郵便受け");
  // The separator and the two status lines, then the message's own lines.
  EXPECT_EQ(std::count(mbox.begin(), mbox.end(), '\n'), std::count(message.begin(), message.end(), '\n') + 3);
  EXPECT_NE(mbox.find("\r\n>From here\r\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Kinds, DeepNesting,
                         ::testing::Values(NestingCase{"EmbeddedMessages", EmbeddedLevel},
                                           NestingCase{"Multiparts", MultipartLevel},
                                           NestingCase{"Alternating", MixedLevel}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace boxferry::faults
