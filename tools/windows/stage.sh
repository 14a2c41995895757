#!/usr/bin/env bash
# The Windows stage: cross-builds Boxferry with MinGW-w64 for x86_64 (preset win64) and i686 (win32), runs
# the whole test suite as Windows programs under Wine, and converts the sample store with boxferry-cli.exe
# under Wine; the output tree must be byte-identical to the Linux build's. Last, the GUI smoke test
# (tools/windows/gui-smoke.sh) drives Boxferry.exe through a conversion under Xvfb.
#   tools/windows/stage.sh [win64] [win32]     both when none is named
# Run as root, it first installs what it needs (MinGW-w64, Wine with its 32-bit half, GoogleTest's source,
# Xvfb and xdotool, a Japanese font).
# Environment: BOXFERRY_LINUX_CLI  the Linux boxferry-cli to compare with (default: build/ci or
#              build/default, built with preset "default" when neither exists); JOBS (default: nproc).
# Every step runs even after a failure; the failures are listed at the end.
# Exit status: 0 when everything passed, 1 when anything failed.
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
  wine_stop
  exit 1
}

install_packages() {
  [ "$(id -u)" -eq 0 ] || return 0
  command -v apt-get >/dev/null || return 0
  local need=()
  for pkg in g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 \
             binutils-mingw-w64-i686 wine wine64 googletest python3 cmake make \
             xvfb xdotool x11-utils imagemagick fonts-wine fonts-ipafont-gothic locales; do
    dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
  done
  if [ ${#need[@]} -gt 0 ]; then
    echo "== installing ${need[*]}"
    DEBIAN_FRONTEND=noninteractive apt-get install -y "${need[@]}" || return 1
  fi
  if [[ " ${presets[*]} " == *" win32 "* ]] && ! dpkg -s wine32:i386 >/dev/null 2>&1; then
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
    count=$(wine "$exe" --gtest_list_tests </dev/null 2>/dev/null | tr -d '\r' | grep -c '^  ')
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
  wine "$build/cli/boxferry-cli.exe" "$(wine_path "$store")" "$(wine_path "$work/windows")" \
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
  echo "sample store: $got; $(find "$work/windows" -type f | wc -l) files byte-identical to the Linux build's"
}

install_packages || fail "could not install the packages"
linux=$(linux_cli) || fail "could not build the Linux boxferry-cli"
[ -x "$linux" ] || fail "no Linux boxferry-cli at $linux"

failures=()
failed() {
  echo "Windows stage: $* FAILED" >&2
  failures+=("$*")
}

for preset in "${presets[@]}"; do
  start=$SECONDS
  build=$root/build-${preset}
  echo "== Windows $preset: build"
  if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset" -j "$jobs"; then
    failed "$preset: build"
    continue
  fi
  if [ "$preset" = win32 ] && ! wine_has_32bit; then
    failed "$preset: 32-bit Wine (wine32:i386) is not installed, so the 32-bit build cannot be tested"
    continue
  fi
  echo "== Windows $preset: test suite under Wine"
  wine_start "$build"
  if check_test_programs_run "$build"; then
    ctest --preset "$preset" -j "$jobs" || failed "$preset: test suite"
  else
    failed "$preset: test programs do not run under Wine"
  fi
  echo "== Windows $preset: sample store, Wine against Linux"
  convert_sample_store "$build" "$linux" || failed "$preset: sample store conversion"
  wine_stop
  echo "== Windows $preset: GUI smoke test (Xvfb + Wine)"
  BOXFERRY_LINUX_CLI=$linux tools/windows/gui-smoke.sh "$preset" || failed "$preset: GUI smoke test"
  echo "== Windows $preset done in $((SECONDS - start)) s"
done
if [ ${#failures[@]} -gt 0 ]; then
  echo "== Windows stage FAILED after $((SECONDS - stage_start)) s:" >&2
  printf '   %s\n' "${failures[@]}" >&2
  exit 1
fi
echo "== Windows stage passed in $((SECONDS - stage_start)) s"
