#!/usr/bin/env bash
# GUI smoke test of Boxferry.exe under Xvfb and Wine: start the program, find its window by caption,
# dismiss the welcome box, open and close the about box from the system menu, choose the sample store and an empty output folder in the shell's folder browser,
# press Start, wait for the completion box, compare the output with the Linux build's, close with Escape.
# The dialog must open centred on the screen and every box centred over it; last, boxferry-cli.exe is
# started on a console of its own, as Explorer starts it.
# Screenshots of every step land in BUILD/gui-smoke/shots. Wine runs through the build's launcher (written at
# configure time), in a prefix of its own that is kept between runs (BUILD/wineprefix-gui). When the program
# ends before its window appears, the test fails at once and shows the program's output.
#   tools/windows/gui-smoke.sh [win64|win32]        (default win64; the build must exist)
# Needs: xvfb, xdotool, imagemagick (import), fonts-wine, fonts-ipafont-gothic, locales (localedef), wine.
# Environment: BOXFERRY_LINUX_CLI as for stage.sh.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
preset=${1:-win64}
build=$root/build-$preset
exe=$build/app/win32/Boxferry.exe
work=$build/gui-smoke
shots=$work/shots
. "$root/tools/windows/wine-env.sh"
export WINE=$build/wine-launcher

xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  wine_stop
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
}
fail() {
  echo "GUI smoke test FAILED: $*" >&2
  shot "failure" || true
  cleanup
  exit 1
}
trap cleanup EXIT

shot_no=0
shot() {
  shot_no=$((shot_no + 1))
  import -window root -display "$DISPLAY" "$shots/$(printf '%02d' $shot_no)-$1.png" 2>/dev/null
}

# Fails at once, with the program's own output, when the program has ended.
check_running() {
  [ -n "$app_pid" ] || return 0
  kill -0 "$app_pid" 2>/dev/null && return 0
  wait "$app_pid"
  local status=$?
  app_pid=""
  echo "Boxferry.exe ended with status $status; its output:" >&2
  sed 's/^/  | /' "$work/app.log" >&2
  fail "Boxferry.exe ended before $1 appeared"
}

# Waits until a window whose name matches the pattern exists and sets found to its id.
found=""
wait_window() {
  local pattern=$1 timeout=${2:-30}
  for _ in $(seq $((timeout * 5))); do
    found=$(xdotool search --name "$pattern" 2>/dev/null | head -n 1)
    [ -n "$found" ] && return 0
    check_running "a window named '$pattern'"
    sleep 0.2
  done
  return 1
}

wait_gone() {
  local pattern=$1 timeout=${2:-30}
  for _ in $(seq $((timeout * 5))); do
    xdotool search --name "$pattern" >/dev/null 2>&1 || return 0
    sleep 0.2
  done
  return 1
}

# The texts of a window and its controls, one per line (read inside Wine by window_text.exe).
texts() {
  "$WINE" "$build/tests/windows/window_text.exe" "$1" </dev/null 2>/dev/null | tr -d '\r'
}

expect_text() {
  local caption=$1 text=$2 what=$3
  texts "$caption" | grep -qxF -- "$text" || {
    texts "$caption" >"$work/texts.txt"
    fail "$what: '$text' is not shown in '$caption' (its texts are in $work/texts.txt)"
  }
}

# The centre of a window, as "X Y".
centre_of() {
  local X Y WIDTH HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$1" 2>/dev/null | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
  echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
}

# expect_centred WINDOW "X Y" WHAT: the window's centre lies within 3 pixels of the point.
expect_centred() {
  local got
  got=$(centre_of "$1")
  awk -v g="$got" -v w="$2" 'BEGIN {split(g, a, " "); split(w, b, " ");
    dx = a[1] - b[1]; dy = a[2] - b[2]; exit !(dx * dx <= 9 && dy * dy <= 9)}' ||
    fail "$3: centred at ($got), expected ($2)"
}

key() {
  xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1" >/dev/null 2>&1
  shift
  xdotool key --delay 60 "$@"
}

for tool in Xvfb xdotool import localedef wineserver; do
  command -v "$tool" >/dev/null || { echo "GUI smoke test: $tool is missing" >&2; exit 1; }
done
for file in "$exe" "$build/tests/windows/window_text.exe" "$build/tests/windows/explorer_start_tests.exe" "$WINE"; do
  [ -f "$file" ] || { echo "GUI smoke test: no $file (build preset $preset first)" >&2; exit 1; }
done

# The main dialog's caption, as the build made it from project(VERSION).
caption=$(sed -n 's/^#define BOXFERRY_MAIN_CAPTION "\(.*\)"$/\1/p' "$build/generated/boxferry_version.h")
[ -n "$caption" ] || { echo "GUI smoke test: no caption in $build/generated/boxferry_version.h" >&2; exit 1; }
caption_re="^${caption//./\\.}\$"

rm -rf "$work"
mkdir -p "$work/home/Desktop" "$work/locale" "$shots" || exit 1

# The folders to choose sit on the browser's desktop (Wine links it to $HOME/Desktop), where the tree's
# type-ahead finds them by name.
cp -r "$root/examples/sample-store" "$work/home/Desktop/bf-in" || exit 1
mkdir -p "$work/home/Desktop/bf-out" "$work/expected"
linux=${BOXFERRY_LINUX_CLI:-}
if [ -z "$linux" ]; then
  for dir in build/ci build/default; do
    [ -x "$root/$dir/cli/boxferry-cli" ] && { linux=$root/$dir/cli/boxferry-cli; break; }
  done
fi
[ -x "$linux" ] || { echo "GUI smoke test: no Linux boxferry-cli to compare with" >&2; exit 1; }
"$linux" "$root/examples/sample-store" "$work/expected" >/dev/null 2>&1 || fail "Linux boxferry-cli failed"

# Japanese texts: a Japanese locale (made here, the system need not have it) and a CJK font.
localedef -i ja_JP -f UTF-8 "$work/locale/ja_JP.UTF-8" >/dev/null 2>&1 || true
[ -d "$work/locale/ja_JP.UTF-8" ] || { echo "GUI smoke test: cannot make the ja_JP.UTF-8 locale" >&2; exit 1; }
export LOCPATH=$work/locale
# (bash itself cannot switch to that locale and would say so: only the programs started below use it)
{ export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 HOME=$work/home; } 2>/dev/null

for n in $(seq 90 140); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$n"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# Debian's Wine does not load its own Tahoma and Marlett unless they are in the prefix before it is first
# used; without a window manager, Wine draws the title bars itself when windows are not "managed".
setup_prefix() {
  mkdir -p "$1/drive_c/windows/Fonts" && cp /usr/share/wine/fonts/* "$1/drive_c/windows/Fonts/"
}
export WINE_PREFIX_SETUP=setup_prefix
start=$SECONDS
wine_start "$build/wineprefix-gui" "$build/tests/windows/window_text.exe" || fail "Wine cannot start programs"
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
echo "prefix ready in $((SECONDS - start)) s"

start=$SECONDS
(cd "$work" && exec "$WINE" "$exe" </dev/null >"$work/app.log" 2>&1) &
app_pid=$!

wait_window "$caption_re" 60 || fail "no window captioned '$caption'"
main=$found
wait_window '^Boxferry$' 20 || fail "no welcome box"
welcome=$found
sleep 0.5
shot welcome
expect_centred "$main" "512 384" "the main dialog"
main_centre=$(centre_of "$main")
expect_centred "$welcome" "$main_centre" "the welcome box"
expect_text Boxferry "ご利用ありがとうございます!" "welcome box"
key "$welcome" Return
wait_gone '^Boxferry$' 10 || fail "the welcome box did not close"
sleep 0.5
shot main-dialog
expect_text "$caption" "[...]ボタンを押して、入力フォルダ・出力フォルダを指定して下さい." "status line"
expect_text "$caption" "閉じる" "Cancel/Close button"

# The About entry, last in the system menu, opens the about box; Escape closes it. (Wine's own "About
# Wine" entry takes the access key A, so the entry is reached from the menu's end.)
key "$main" alt+space
sleep 0.5
xdotool key --delay 100 Up Return
wait_window '^バージョン情報 : Boxferry$' 10 || fail "the system menu's About entry opened no about box"
about=$found
sleep 0.5
shot about-box
expect_centred "$about" "$main_centre" "the about box"
key "$about" Escape
wait_gone '^バージョン情報 : Boxferry$' 10 || fail "Escape did not close the about box"
sleep 0.3

# The first tab stop has the focus: the input folder's "..." button.
choose_folder() {
  local name=$1 browser
  wait_window '参照|Browse' 20 || fail "no folder browser for $name"
  browser=$found
  sleep 0.8
  xdotool windowactivate --sync "$browser" >/dev/null 2>&1
  xdotool type --delay 80 "$name"
  sleep 0.5
  shot "browser-$name"
  key "$browser" Return
  wait_gone '参照|Browse' 10 || fail "the folder browser for $name did not close"
  sleep 0.3
}
key "$main" space
choose_folder bf-in
key "$main" Tab space
choose_folder bf-out
shot ready
expect_text "$caption" "準備完了. [開始]ボタンを押してください." "status line after both choices"
key "$main" Tab space   # Start, the next tab stop

wait_window '^Boxferry$' 60 || fail "no message box after Start"
done_box=$found
sleep 0.5
shot completed
expect_centred "$done_box" "$main_centre" "the completion box"
expect_text Boxferry "変換完了!" "completion box"
echo "completion box reads: $(texts Boxferry | tr '\n' ' ')"
if ! diff -r "$work/expected" "$work/home/Desktop/bf-out" >"$work/diff.txt" 2>&1; then
  fail "the output differs from the Linux build's (see $work/diff.txt)"
fi
key "$done_box" Return
wait_gone '^Boxferry$' 10 || fail "the completion box did not close"
sleep 0.5
shot after-run
for count in 2 8 11; do
  expect_text "$caption" "$count" "counters after the run"
done
key "$main" Escape
for _ in $(seq 50); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.2
done
kill -0 "$app_pid" 2>/dev/null && fail "Escape did not end the program"
app_pid=""
# boxferry-cli.exe started as Explorer starts it (this needs a display for its console).
"$WINE" "$build/tests/windows/explorer_start_tests.exe" </dev/null >"$work/explorer-start.log" 2>&1 ||
  fail "boxferry-cli.exe started on a console of its own (see $work/explorer-start.log)"
grep -q '^\[  PASSED  \] 1 test' "$work/explorer-start.log" ||
  fail "the Explorer start test did not run (see $work/explorer-start.log)"
echo "GUI smoke test passed in $((SECONDS - start)) s: $(find "$work/home/Desktop/bf-out" -type f | wc -l) files" \
  "identical to the Linux build's; screenshots in $shots"
