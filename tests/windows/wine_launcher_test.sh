#!/usr/bin/env bash
# The Wine launcher the Windows toolchains write on every configure (tools/windows/wine-launcher.sh), tried
# with stand-in loaders: which loader it starts, what it says where none can start, and that a second
# configure on a changed machine replaces the first choice.
set -uo pipefail
writer=$(cd "$(dirname "$0")/../../tools/windows" && pwd)/wine-launcher.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# A stand-in loader: "ok" prints its name and arguments and exits 7 (0 for --version); "exec-format" fails as Debian's wine
# script does when wine32 is installed on a kernel without 32-bit emulation; "missing" is not there.
stand_in() {
  local path=$1 kind=$2
  case $kind in
    ok) printf '#!/bin/sh\necho "%s $*"; [ "$1" = --version ] || exit 7\n' "$(basename "$path")" >"$path" ;;
    exec-format) printf '#!/bin/sh\necho "%s: 40: exec: /usr/lib/wine/wine: Exec format error" >&2; exit 2\n' \
                   "$path" >"$path" ;;
    missing) rm -f "$path"; return ;;
  esac
  chmod +x "$path"
}

# processor | wine | wine64 on PATH | the 64-bit loader itself | BOXFERRY_NO_32BIT | status | launcher prints
cases=(
  "x86_64|ok|missing|ok||0|wine a b"
  "x86_64|exec-format|missing|ok||0|loader64 a b"
  "x86_64|exec-format|ok|ok||0|wine64 a b"
  "x86_64|exec-format|missing|exec-format||1|no Wine loader starts here (wine: "
  "i686|ok|ok|ok|1|1|not possible on this machine (no 32-bit emulation)"
)
launcher=$work/wine-launcher   # one file for every case: each configure replaces the last one's choice
for row in "${cases[@]}"; do
  IFS='|' read -r processor wine wine64 loader64 no32 want_status want <<<"$row"
  bin=$work/bin
  mkdir -p "$bin"
  stand_in "$bin/wine" "$wine"
  stand_in "$bin/wine64" "$wine64"
  stand_in "$work/loader64" "$loader64"
  PATH=$bin:/usr/bin:/bin BOXFERRY_WINE64_LOADER=$work/loader64 BOXFERRY_NO_32BIT=$no32 \
    bash "$writer" "$processor" "$launcher" >/dev/null 2>"$work/err"
  status=$?
  # The launcher passes its arguments on and returns the program's status (the stand-ins exit 7).
  got=$(env -i PATH=/usr/bin:/bin "$launcher" a b 2>&1)
  got_status=$?
  fault=""
  [ "$status" = "$want_status" ] || fault="configure status $status, expected $want_status"
  [[ $got == *"$want"* ]] || fault+="${fault:+; }launcher printed '$got', expected '$want'"
  [ "$want_status" = 0 ] && [ $got_status -ne 7 ] && fault+="${fault:+; }launcher exit status $got_status"
  [ "$want_status" = 1 ] && [ $got_status -eq 0 ] && fault+="${fault:+; }the launcher succeeded"
  [ "$want_status" = 1 ] && ! grep -qF "$want" "$work/err" && fault+="${fault:+; }configure did not say why"
  if [ "$wine" = ok ] || [ "$processor" = i686 ]; then
    grep -q WINELOADER "$launcher" && fault+="${fault:+; }WINELOADER set for Debian's wine"
  elif [ "$want_status" = 0 ]; then
    env -i PATH=/usr/bin:/bin sh -c "$(sed 's/^exec .*/echo "$WINELOADER"/' "$launcher")" | grep -q . ||
      fault+="${fault:+; }WINELOADER not set for the loader itself"
  fi
  if [ -n "$fault" ]; then
    echo "FAIL [$row]: $fault" >&2
    failures=$((failures + 1))
  fi
done
[ $failures -eq 0 ] && echo "${#cases[@]} cases passed"
exit $((failures > 0))
