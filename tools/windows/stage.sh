#!/usr/bin/env bash
# The Windows stage: cross-builds Boxferry with MinGW-w64 for x86_64 (preset win64) and i686 (win32), checks
# each executable's PE type and imports, packs the zip (tools/windows/package.sh), runs the whole test suite
# as Windows programs under Wine, converts the sample store with boxferry-cli.exe under Wine (the output tree
# must be byte-identical to the Linux build's) and drives Boxferry.exe through a conversion under Xvfb
# (tools/windows/gui-smoke.sh).
#   tools/windows/stage.sh [win64] [win32]     both when none is named
# What can run is decided by running something: on a machine whose kernel cannot start 32-bit programs the
# i686 build is still built, checked and packed, and the summary says its runs are not possible there.
# Run as root, it first installs what it needs (MinGW-w64, Wine, GoogleTest's source, nlohmann-json's
# headers, Xvfb and xdotool, a Japanese font), and Wine's 32-bit half (wine32:i386) only where 32-bit
# programs can run.
# Environment: BOXFERRY_LINUX_CLI  the Linux boxferry-cli to compare with (default: build/ci or
#              build/default, built with preset "default" when neither exists); JOBS (default: nproc);
#              BOXFERRY_NO_32BIT=1  act as a machine that cannot start 32-bit programs (to test this stage's
#              path for such machines on one that can).
# Every step that can run runs even after a failure; the summary at the end says, per build, what each step
# did, could not do on this machine, or why it failed.
# Exit status: 0 when nothing failed (steps not possible on this machine are not failures), 1 otherwise.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
. tools/windows/wine-env.sh

presets=("$@")
[ ${#presets[@]} -eq 0 ] && presets=(win64 win32)
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}
stage_start=$SECONDS

fail() {
  echo "Windows stage FAILED: $*" >&2
  exit 1
}

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

install_packages() {
  [ "$(id -u)" -eq 0 ] || return 0
  command -v apt-get >/dev/null || return 0
  local need=()
  for pkg in g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 \
             binutils-mingw-w64-i686 wine wine64 googletest python3 cmake make \
             xvfb xdotool x11-utils imagemagick fonts-wine fonts-ipafont-gothic locales \
             nlohmann-json3-dev; do
    installed "$pkg" || need+=("$pkg")
  done
  if [ ${#need[@]} -gt 0 ]; then
    echo "== installing ${need[*]}"
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y "${need[@]}" || return 1
  fi
  # wine32:i386 adds the i386 architecture and upgrades or adds hundreds of packages: only for a machine
  # that can use it.
  if [[ " ${presets[*]} " == *" win32 "* ]] && ! installed wine32:i386 && runs_32bit_programs; then
    echo "== installing wine32:i386 (adds the i386 architecture)"
    dpkg --add-architecture i386 && apt-get update -qq &&
      DEBIAN_FRONTEND=noninteractive apt-get install -y wine32:i386 || return 1
  fi
}

linux_cli() {
  if [ -n "${BOXFERRY_LINUX_CLI:-}" ]; then
    echo "$BOXFERRY_LINUX_CLI"
    return
  fi
  for dir in build/ci build/default; do
    if [ -x "$dir/cli/boxferry-cli" ]; then
      echo "$root/$dir/cli/boxferry-cli"
      return
    fi
  done
  cmake --preset default >/dev/null && cmake --build build/default -j "$jobs" --target boxferry-cli >/dev/null &&
    echo "$root/build/default/cli/boxferry-cli"
}

# Every test program must really run: a 32-bit program under a Wine without its 32-bit half prints nothing
# and exits 0, which would leave ctest with fewer tests and no failure.
check_test_programs_run() {
  local build=$1 total=0 exe count
  while IFS= read -r exe; do
    count=$("$WINE" "$exe" --gtest_list_tests </dev/null 2>/dev/null | tr -d '\r' | grep -c '^  ')
    if [ "$count" -eq 0 ]; then
      echo "$exe lists no tests under Wine" >&2
      return 1
    fi
    total=$((total + count))
  done < <(find "$build/tests" -name '*_tests.exe' | sort)
  [ "$total" -gt 0 ] || { echo "no test programs in $build/tests" >&2; return 1; }
  echo "$total tests in $(find "$build/tests" -name '*_tests.exe' | wc -l) test programs"
}

convert_sample_store() {
  local build=$1 linux=$2 store=$root/examples/sample-store
  local work=$build/sample-store-check
  rm -rf "$work" && mkdir -p "$work/linux" "$work/windows" || return 1
  "$linux" "$store" "$work/linux" >"$work/linux.out" 2>"$work/linux.err" || {
    echo "Linux boxferry-cli failed:" >&2; cat "$work/linux.err" >&2; return 1; }
  "$WINE" "$build/cli/boxferry-cli.exe" "$(wine_path "$store")" "$(wine_path "$work/windows")" \
    </dev/null >"$work/windows.out" 2>"$work/windows.err"
  local status=$?
  if [ $status -ne 0 ]; then
    echo "boxferry-cli.exe exited with $status:" >&2
    cat "$work/windows.err" >&2
    return 1
  fi
  # Both print the same counters last.
  local want got
  want=$(tail -n 1 "$work/linux.out")
  got=$(tr -d '\r' <"$work/windows.out" | tail -n 1)
  if [ -z "$got" ] || [ "$want" != "$got" ]; then
    echo "counters differ: Linux '$want', Windows '$got'" >&2
    return 1
  fi
  if ! diff -r "$work/linux" "$work/windows" >&2; then
    echo "the output trees differ" >&2
    return 1
  fi
  echo "identical to the Linux build's ($(find "$work/windows" -type f | wc -l) files; $got)"
}

# The summary: one line per build and step, in the order the steps run.
steps=(built imports package tests sample gui)
declare -A step_name=([built]="built" [imports]="PE type and imports" [package]="packaged"
                      [tests]="tests under Wine" [sample]="sample store" [gui]="GUI smoke test")
declare -A result=()
failures=0
note() { result[$1:$2]=$3; }
failed() {
  result[$1:$2]="FAILED: $3"
  failures=$((failures + 1))
  echo "Windows stage: $1 ${step_name[$2]} FAILED: $3" >&2
}
# Marks every step from the given one on with the same words.
note_rest() {
  local preset=$1 from=$2 text=$3 step on=0
  for step in "${steps[@]}"; do
    [ "$step" = "$from" ] && on=1
    [ $on -eq 1 ] && note "$preset" "$step" "$text"
  done
}

# The last line that says why a step failed, from a log.
reason() {
  local line
  line=$(grep -E 'FAILED|[Ee]rror|differ|cannot|does not' "$1" | tail -n 1 | sed 's/^[^:]*FAILED: //')
  echo "${line:-see above}"
}

install_packages || fail "could not install the packages"
linux=$(linux_cli) || fail "could not build the Linux boxferry-cli"
[ -x "$linux" ] || fail "no Linux boxferry-cli at $linux"

declare -A seconds=()
for preset in "${presets[@]}"; do
  start=$SECONDS
  build=$root/build-$preset
  log=$build/stage-log
  case $preset in
    win64) processor=x86_64 triple=x86_64-w64-mingw32 format=pei-x86-64 ;;
    win32) processor=i686 triple=i686-w64-mingw32 format=pei-i386 ;;
    *) fail "unknown preset $preset" ;;
  esac

  echo "== Windows $preset: build"
  if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset" -j "$jobs"; then
    failed "$preset" built "the build failed (see above)"
    note_rest "$preset" imports "not run: the build failed"
    continue
  fi
  mkdir -p "$log"
  note "$preset" built "Boxferry.exe, boxferry-cli.exe, $(find "$build/tests" -name '*_tests.exe' | wc -l) test programs"

  echo "== Windows $preset: PE type and imports"
  exes=("$build/app/win32/Boxferry.exe" "$build/cli/boxferry-cli.exe")
  if sh tests/windows/check-imports.sh "$triple-objdump" "$format" "${exes[@]}" >"$log/imports" 2>&1; then
    note "$preset" imports "checked: $format, system DLLs only"
  else
    failed "$preset" imports "$(tail -n 1 "$log/imports")"
  fi
  cat "$log/imports"

  echo "== Windows $preset: package"
  if tools/windows/package.sh "$preset" >"$log/package" 2>&1; then
    note "$preset" package "${build#"$root"/}/$(sed -n 's|.*/\(Boxferry-[^/]*\.zip\):$|\1|p' "$log/package")"
  else
    failed "$preset" package "$(tail -n 1 "$log/package")"
  fi
  cat "$log/package"

  if [ "$processor" = i686 ] && ! runs_32bit_programs; then
    note_rest "$preset" tests \
      "not possible on this machine (no 32-bit emulation${BOXFERRY_NO_32BIT:+, as BOXFERRY_NO_32BIT asks})"
    echo "== Windows $preset: this machine cannot run 32-bit programs; the i686 runs are left out"
    seconds[$preset]=$((SECONDS - start))
    continue
  fi

  echo "== Windows $preset: test suite under Wine"
  export WINE=$build/wine-launcher
  if ! wine_start "$build/wineprefix" "$build/tests/windows/window_text.exe" 2>"$log/wine"; then
    cat "$log/wine" >&2
    failed "$preset" tests "Wine cannot start $processor programs: $(tail -n 1 "$log/wine")"
    note_rest "$preset" sample "not run: Wine cannot start $processor programs"
    seconds[$preset]=$((SECONDS - start))
    continue
  fi
  if ! check_test_programs_run "$build" 2>"$log/list"; then
    cat "$log/list" >&2
    failed "$preset" tests "$(tail -n 1 "$log/list")"
  else
    ctest --preset "$preset" -j "$jobs" 2>&1 | tee "$log/ctest"
    status=${PIPESTATUS[0]}
    summary=$(grep -E 'tests passed, [0-9]+ tests failed out of' "$log/ctest" | tail -n 1)
    if [ "$status" -eq 0 ] && [[ $summary == *" 0 tests failed out of "* ]]; then
      total=${summary##* }
      skipped=$(grep -c '(Skipped)$' "$log/ctest")
      text="$((total - skipped)) passed"
      [ "$skipped" -gt 0 ] && text+=", $skipped skipped by the tests themselves"
      note "$preset" tests "$text (of $total)"
    else
      failed "$preset" tests "${summary:-ctest failed (see above)}"
    fi
  fi

  echo "== Windows $preset: sample store, Wine against Linux"
  if convert_sample_store "$build" "$linux" >"$log/sample" 2>&1; then
    note "$preset" sample "$(tail -n 1 "$log/sample")"
  else
    failed "$preset" sample "$(tail -n 1 "$log/sample")"
  fi
  cat "$log/sample"
  wine_stop

  echo "== Windows $preset: GUI smoke test (Xvfb + Wine)"
  BOXFERRY_LINUX_CLI=$linux tools/windows/gui-smoke.sh "$preset" 2>&1 | tee "$log/gui"
  status=${PIPESTATUS[0]}
  if [ "$status" -eq 0 ]; then
    note "$preset" gui "passed"
  else
    failed "$preset" gui "$(reason "$log/gui")"
  fi
  seconds[$preset]=$((SECONDS - start))
  echo "== Windows $preset done in ${seconds[$preset]} s"
done

echo
echo "== Windows stage summary ($((SECONDS - stage_start)) s)"
for preset in "${presets[@]}"; do
  loader=$(sed -n 's/^exec \([^ ]*\) .*/\1/p' "$root/build-$preset/wine-launcher" 2>/dev/null)
  echo "$preset ($([ "$preset" = win32 ] && echo i686 || echo x86_64))${loader:+, Wine loader $loader}${seconds[$preset]:+, ${seconds[$preset]} s}"
  for step in "${steps[@]}"; do
    printf '  %-20s %s\n' "${step_name[$step]}" "${result[$preset:$step]:-not run}"
  done
done
if [ $failures -gt 0 ]; then
  echo "== Windows stage FAILED: $failures step(s) failed" >&2
  exit 1
fi
echo "== Windows stage passed in $((SECONDS - stage_start)) s"
