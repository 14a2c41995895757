#!/usr/bin/env bash
# Builds the fuzz targets (preset "fuzz": clang, libFuzzer, ASan + UBSan) and runs each for SECONDS
# (default 60), starting from the committed seeds. Fails when any target finds a crash, a sanitizer
# report, a broken invariant or an input that takes longer than 10 s.
#   fuzz/run.sh [SECONDS]
#   FUZZ_BUILD_DIR=dir   build folder (default build/fuzz)
#   FUZZ_TARGETS="a b"   only these targets (default: all six)
# Inputs that fail are kept in <build folder>/fuzz-artifacts/<target>/.
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
build=${FUZZ_BUILD_DIR:-build/fuzz}
targets=${FUZZ_TARGETS:-"mbox_count message names profiles transcoder walk"}

echo "== fuzz: build ($build)"
cmake --preset fuzz -B "$build" >/dev/null || exit 1
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" || exit 1

# The targets write their scratch stores under TMPDIR; a memory file system makes the walk target
# several times faster.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

status=0
total=0
for target in $targets; do
  binary="$build/fuzz/fuzz_$target"
  work=$(mktemp -d)
  artifacts="$build/fuzz-artifacts/$target"
  mkdir -p "$artifacts"
  echo "== fuzz: $target for ${seconds}s"
  # New inputs go to a scratch corpus; the committed seeds are only read.
  "$binary" "$work" "fuzz/corpus/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=16384 -print_final_stats=1 -artifact_prefix="$artifacts/" >"$work.log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work.log" | tail -1)
  echo "   executions: ${runs:-0}, exit status $rc"
  total=$((total + ${runs:-0}))
  if [ $rc -ne 0 ]; then
    grep -E "invariant broken|ERROR|runtime error|SUMMARY|Test unit written" "$work.log" | head -20
    status=1
  fi
  rm -rf "$work" "$work.log"
done
echo "== fuzz: $total executions in total"
exit $status
