#!/usr/bin/env bash
# Writes FILE, the program that starts Windows programs for PROCESSOR (x86_64 | i686) under Wine on this
# machine. The Windows toolchains run this on every configure and make FILE the test emulator, so the
# choice follows the machine as it is now, never a path remembered from an earlier configure.
#   wine-launcher.sh PROCESSOR FILE
# Where no Wine loader can start such programs, FILE prints why and fails, and this exits 1 with the reason
# on stderr. Environment: BOXFERRY_NO_32BIT=1 as for wine-env.sh.
set -uo pipefail
[ $# -eq 2 ] || { echo "usage: wine-launcher.sh x86_64|i686 FILE" >&2; exit 2; }
processor=$1 file=$2
. "$(dirname "$0")/wine-env.sh"

why_file=$file.why status=0
{
  echo '#!/bin/sh'
  echo "# Written by tools/windows/wine-launcher.sh on every configure: starts $processor Windows programs."
  if loader=$(wine_loader "$processor" 2>"$why_file"); then
    # Debian's wine script does the same when it runs the 64-bit loader itself.
    [ "$(basename "$loader")" = wine ] || printf 'WINELOADER=${WINELOADER:-%q}; export WINELOADER\n' "$loader"
    echo ': "${WINEDEBUG:=fixme-all}"; export WINEDEBUG'
    printf 'exec %q "$@"\n' "$loader"
  else
    status=1
    why=$(tr -d "'" <"$why_file" | tr '\n' ' ')
    printf "echo 'cannot start %s Windows programs: %s' >&2\nexit 1\n" "$processor" "${why% }"
  fi
} >"$file.new" && chmod +x "$file.new" && mv "$file.new" "$file" || exit 1
[ $status -eq 0 ] || echo "cannot start $processor Windows programs: $(cat "$why_file")" >&2
rm -f "$why_file"
exit $status
