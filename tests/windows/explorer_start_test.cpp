// boxferry-cli.exe as Explorer starts it: alone on a console of its own. It must say how it is meant to
// be run and keep its console open until a key is pressed; started any other way it must not wait.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

std::wstring BuildPath(const char* path) {
  std::wstring wide(path, path + std::char_traits<char>::length(path));  // ASCII build paths
  if (!wide.empty() && wide[0] == L'/') wide = L"Z:" + wide;
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  return wide;
}

HANDLE OpenConsole(const wchar_t* name, bool inheritable) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, inheritable ? TRUE : FALSE};
  return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     OPEN_EXISTING, 0, nullptr);
}

// Everything the console this process is attached to shows.
std::wstring ScreenText() {
  HANDLE screen = OpenConsole(L"CONOUT$", false);
  if (screen == INVALID_HANDLE_VALUE) return std::wstring();
  CONSOLE_SCREEN_BUFFER_INFO info;
  std::wstring text;
  if (GetConsoleScreenBufferInfo(screen, &info)) {
    text.resize(static_cast<std::size_t>(info.dwSize.X) * static_cast<std::size_t>(info.dwSize.Y));
    DWORD read = 0;
    ReadConsoleOutputCharacterW(screen, text.data(), static_cast<DWORD>(text.size()), COORD{0, 0}, &read);
    text.resize(read);
  }
  CloseHandle(screen);
  return text;
}

void PressKey() {
  HANDLE input = OpenConsole(L"CONIN$", false);
  ASSERT_NE(input, INVALID_HANDLE_VALUE);
  INPUT_RECORD keys[2] = {};
  for (int i = 0; i < 2; ++i) {
    keys[i].EventType = KEY_EVENT;
    keys[i].Event.KeyEvent.bKeyDown = i == 0;
    keys[i].Event.KeyEvent.wRepeatCount = 1;
    keys[i].Event.KeyEvent.wVirtualKeyCode = 'A';
    keys[i].Event.KeyEvent.uChar.UnicodeChar = L'a';
  }
  DWORD written = 0;
  WriteConsoleInputW(input, keys, 2, &written);
  CloseHandle(input);
}

enum class Console { kOwn, kShared, kNone };

struct Start {
  const char* what;
  const wchar_t* arguments;
  Console console;
  bool inputFromNul;
  bool waits;     // keeps running until a key is pressed
  bool explains;  // says to use a command prompt
};

TEST(ExplorerStartTest, OwnConsoleExplainsAndWaitsForAKey) {
  // This process takes a console of its own, so that a program it starts with a new console gets that
  // console's handles, as a program Explorer starts does.
  FreeConsole();
  if (!AllocConsole() || !GetConsoleWindow()) {
    FreeConsole();
    GTEST_SKIP() << "no console window can be made here (Wine without a display); gui-smoke.sh runs this";
  }

  const Start starts[] = {
      {"double-clicked", L"", Console::kOwn, false, true, true},
      {"folders dropped on it", L" no-such-in no-such-out", Console::kOwn, false, true, false},
      {"own console, input redirected", L"", Console::kOwn, true, false, true},
      {"from a command prompt", L"", Console::kShared, false, false, false},
      {"without a console", L"", Console::kNone, false, false, false},
  };
  const std::wstring exe = BuildPath(BOXFERRY_CLI_EXE);
  for (const Start& s : starts) {
    SCOPED_TRACE(s.what);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    HANDLE nul = INVALID_HANDLE_VALUE;
    if (s.inputFromNul) {
      nul = OpenConsole(L"NUL", true);
      startup.dwFlags = STARTF_USESTDHANDLES;
      startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
    }
    const DWORD flags = s.console == Console::kOwn    ? CREATE_NEW_CONSOLE
                        : s.console == Console::kNone ? DETACHED_PROCESS
                                                      : 0;
    std::wstring commandLine = L"\"" + exe + L"\"" + s.arguments;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, s.inputFromNul, flags,
                               nullptr, nullptr, &startup, &process));
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);

    if (s.console == Console::kOwn) {
      // Left alone on its console. Attached to it too early, this process would count as a second one
      // there (a command prompt), so it first gives the program time to look and to end, if it is to.
      FreeConsole();
      const DWORD waited = WaitForSingleObject(process.hProcess, 4000);
      EXPECT_EQ(waited == WAIT_TIMEOUT, s.waits);
      std::wstring screen;
      if (waited == WAIT_TIMEOUT && AttachConsole(process.dwProcessId)) {
        for (int i = 0; i < 100 && screen.find(L"Press any key") == std::wstring::npos; ++i) {
          screen = ScreenText();
          Sleep(50);
        }
        EXPECT_NE(screen.find(L"何かキーを押すと閉じます"), std::wstring::npos);
        EXPECT_EQ(screen.find(L"コマンドプロンプトから使う") != std::wstring::npos, s.explains);
        PressKey();
      }
    }
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 2u);  // no folders, or folders that do not exist: a usage error
    if (s.console == Console::kOwn) {
      // Back to a console of this process's own for the next start.
      FreeConsole();
      ASSERT_TRUE(AllocConsole());
    }
    if (s.console == Console::kShared) {
      EXPECT_EQ(ScreenText().find(L"Press any key"), std::wstring::npos);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  FreeConsole();
}

}  // namespace
