// boxferry-cli.exe started from Explorer (double-clicked, or folders dropped on it) runs in a console of
// its own, which closes the moment the program ends: the user saw a window flash and vanish. Such a
// start is told by the console's process list, which then holds this process alone (from a command
// prompt it holds the shell too). The program then runs as usual and, at its end, says how it is meant
// to be started (when it was given no folders) and waits for a key before its console goes. Under Wine
// started from a Unix terminal the list holds this process alone too, so it waits there as well.
//
// Linked into boxferry-cli.exe only; it needs nothing from the rest of the program.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

bool givenNoArguments = false;

void Write(HANDLE console, const std::wstring& text) {
  DWORD written = 0;
  WriteConsoleW(console, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// Waits for a key press in `input`; returns at once when nobody could press one: input is not the console
// (redirected), or the console has no window (started with CREATE_NO_WINDOW, as by a scheduler).
void WaitForKey(HANDLE input) {
  DWORD mode = 0;
  if (!GetConsoleMode(input, &mode) || !GetConsoleWindow()) return;
  FlushConsoleInputBuffer(input);
  INPUT_RECORD record;
  DWORD read = 0;
  while (ReadConsoleInputW(input, &record, 1, &read) && read == 1) {
    if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) return;
  }
}

void ExplainAndWait() {
  HANDLE output = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  if (output == INVALID_HANDLE_VALUE) return;
  if (givenNoArguments) {
    Write(
        output,
        L"\r\nboxferry-cli はコマンドプロンプトから使うプログラムです.\r\n"
        L"コマンドプロンプトを開き、次のように入力して実行してください:\r\n"
        L"  boxferry-cli.exe \"AL-Mailのメールボックスフォルダ\" \"出力フォルダ\"\r\n"
        L"ウィンドウで変換するには Boxferry.exe を使ってください.\r\n"
        L"(boxferry-cli is a command-line program: run it from a command prompt, or use Boxferry.exe.)\r\n");
  }
  Write(output, L"\r\n何かキーを押すと閉じます... (Press any key to close.)");
  WaitForKey(GetStdHandle(STD_INPUT_HANDLE));
  Write(output, L"\r\n");
  CloseHandle(output);
}

struct ExplorerStart {
  ExplorerStart() {
    DWORD processes[2];
    if (GetConsoleProcessList(processes, 2) != 1) return;
    int count = 0;
    if (LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count)) LocalFree(arguments);
    givenNoArguments = count <= 1;
    std::atexit(ExplainAndWait);
  }
};

const ExplorerStart explorerStart;

}  // namespace
