#!/bin/sh
# Draws the Qt window into a PNG under a virtual X server, with a Japanese font, for the documentation.
#
#   tools/screenshot-qt.sh [STORE] [OUT.png]
#
# With STORE (an AL-Mail mailbox folder) the window is drawn after converting it into a scratch folder,
# so the counters and the status line show a finished run; without it, the window as it opens.
# OUT defaults to docs/screenshot.png. ABOUT=FILE.png also draws the about box, WELCOME=FILE.png the
# welcome message box as the system shows it. SCALE=2 draws at Qt's scale factor 2 (QT_SCALE_FACTOR).
# Needs: xvfb (xvfb-run), fonts-ipafont-gothic, and a build with the Qt window (BUILD_DIR, default
# build-qt; the helper program boxferry-screenshot is built here if missing).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-qt}
store=${1:-}
out=${2:-$root/docs/screenshot.png}

command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (apt-get install xvfb)" >&2; exit 2; }
fc-list :lang=ja family | grep -q . ||
  echo "warning: no Japanese font found (apt-get install fonts-ipafont-gothic); texts will show as boxes" >&2
if [ ! -d "$build" ]; then
  cmake -S "$root" -B "$build" -DBOXFERRY_QT=ON >/dev/null
fi
cmake --build "$build" --target boxferry-screenshot -j2 >/dev/null
shot=$(find "$build" -type f -name boxferry-screenshot -perm -u+x | head -n 1)
[ -n "$shot" ] || { echo "boxferry-screenshot was not built (is Qt 6 found?)" >&2; exit 2; }

# Fixed scratch paths, so the path fields read the same on every machine.
scratch=${TMPDIR:-/tmp}/boxferry-screenshot
rm -rf "$scratch"
trap 'rm -rf "$scratch"' EXIT INT TERM
set -- "$out"
if [ -n "$store" ]; then
  mkdir -p "$scratch/AL-Mail" "$scratch/Thunderbird/Local Folders"
  cp -R "$store"/. "$scratch/AL-Mail/"
  set -- "$out" "$scratch/AL-Mail" "$scratch/Thunderbird/Local Folders"
fi
if [ -n "${ABOUT:-}" ]; then
  set -- "$@" --about "$ABOUT"
fi
if [ -n "${WELCOME:-}" ]; then
  set -- "$@" --welcome "$WELCOME"
fi
mkdir -p "$(dirname "$out")"
# A fixed resolution, so the picture is the same on every machine.
QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=${SCALE:-1} xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$shot" "$@"
echo "wrote $out"
