#!/bin/bash
# bench/run.sh [BOXFERRY_CLI]
#
# Throughput and memory of a whole-store conversion, in one run:
#   1. synthetic stores of about BENCH_MIB MiB each (bench/make-store.py): "mixed", mostly Japanese text
#      mail in Shift_JIS declared ISO-2022-JP, some multipart mail, some base64 attachments; and "mail",
#      everyday mail, mostly base64 attachments and long ASCII headers (BENCH_STORES picks them);
#   2. the time of boxferry-cli over each (its conversion includes reading every mbox back and counting
#      its messages as Thunderbird does) against (a) `cat` of the same .ALM files into one file and
#      (b) `iconv -f CP932 -t ISO-2022-JP` over those bytes (each the best of BENCH_REPEAT runs,
#      page cache warm, output to files in the same work directory);
#   3. peak RSS (/usr/bin/time -v) of each conversion;
#   4. one message holding a single 256 MiB line (BENCH_LONG_MIB).
# Every conversion's output is checked: exit status 0, one separator per message, exact size where
# it follows from the input. Targets: conversion within 1.5x the time of cat, at least 5x the
# throughput of iconv, peak RSS at most 16 MiB. A missed target is reported; BENCH_STRICT=1 makes
# it fail the script.
#
# Environment: BENCH_MIB (100), BENCH_STORES ("mixed mail"), BENCH_LONG_MIB (256), BENCH_REPEAT (3),
# BENCH_TMP (/tmp): the work
# directory is made there and removed at the end (BENCH_KEEP=1 keeps it).
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
CLI=${1:-${BOXFERRY_CLI:-$ROOT/build/default/cli/boxferry-cli}}
[ -x "$CLI" ] || { echo "boxferry-cli not found at $CLI (build it, or pass its path)" >&2; exit 2; }
CLI=$(cd "$(dirname "$CLI")" && pwd)/$(basename "$CLI")
MIB=${BENCH_MIB:-100}
LONG_MIB=${BENCH_LONG_MIB:-256}
REPEAT=${BENCH_REPEAT:-3}
W=$(mktemp -d "${BENCH_TMP:-/tmp}/boxferry-bench.XXXXXX")
cleanup() { if [ "${BENCH_KEEP:-0}" = 1 ]; then echo "kept $W"; else rm -rf "$W"; fi; }
trap cleanup EXIT
trap 'exit 130' INT TERM
FAIL=0
MISS=0

now() { date +%s%N; }
# best_of VAR CMD...: run CMD REPEAT times; VAR := the shortest wall time, VAR_CPU := the smallest
# user + system CPU time (CMD and its children), both in nanoseconds. CPU time shows the cost of the
# work itself when other processes share the machine and stretch the wall time.
best_of() {
  local var=$1 best= cpu= t w u s; shift
  local TIMEFORMAT='%3R %3U %3S'
  for _ in $(seq "$REPEAT"); do
    { time "$@" 2>/dev/null || return 1; } 2>"$W/times.txt"
    read -r w u s <"$W/times.txt"
    t=$(awk -v w="$w" 'BEGIN {printf "%.0f", w * 1e9}')
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
    t=$(awk -v u="$u" -v s="$s" 'BEGIN {printf "%.0f", (u + s) * 1e9}')
    if [ -z "$cpu" ] || [ "$t" -lt "$cpu" ]; then cpu=$t; fi
  done
  printf -v "$var" '%s' "$best"
  printf -v "${var}_CPU" '%s' "$cpu"
}
# rss_convert STORE: convert STORE into a fresh $W/out under /usr/bin/time -v; prints the peak RSS in KiB.
rss_convert() {
  rm -rf "$W/out"; mkdir "$W/out"
  /usr/bin/time -v -o "$W/time.txt" "$CLI" "$1" "$W/out" >"$W/cli.out" 2>"$W/cli.err" || return 1
  awk -F': *' '/Maximum resident set size/ {print $2}' "$W/time.txt"
}
secs() { awk -v n="$1" 'BEGIN {printf "%.3f", n / 1e9}'; }
convert() { rm -rf "$W/out"; mkdir "$W/out"; "$CLI" "$1" "$W/out" >"$W/cli.out" 2>"$W/cli.err"; }
separators() { find "$W/out" -type f -size +0 -print0 | xargs -0 -r cat | grep -ac '^From '; }
mbox_bytes() { find "$W/out" -type f -print0 | xargs -0 -r stat -c %s | awk '{s += $1} END {printf "%.0f\n", s}'; }
fact() { sed -n "s/.*\b$2=\([0-9]*\).*/\1/p" <<<"$1"; }
check_output() {  # check_output LABEL FACTS
  local got want
  got=$(separators); want=$(fact "$2" messages)
  if [ "$got" != "$want" ]; then echo "FAIL $1: $got separators, $want messages"; FAIL=1; fi
  want=$(fact "$2" mbox_bytes)
  if [ -n "$want" ]; then
    got=$(mbox_bytes)
    if [ "$got" != "$want" ]; then echo "FAIL $1: mbox holds $got bytes, expected $want"; FAIL=1; fi
  fi
}
target() {  # target LABEL OK(0/1) TEXT
  if [ "$2" = 1 ]; then echo "  target met:    $1 ($3)"; else echo "  target MISSED: $1 ($3)"; MISS=1; fi
}

echo "boxferry-cli: $CLI"
echo "work directory: $W"
# measure_store KIND: the store of that kind, converted (and verified: every run reads each mbox back)
# against cat and iconv of the same .ALM files.
measure_store() {
echo "== synthetic store of about $MIB MiB, kind $1"
FACTS=$(python3 "$ROOT/bench/make-store.py" "$1" "$W/store" --mib "$MIB") || exit 1
echo "   $FACTS"
find "$W/store" -iname '*.alm' -print0 | sort -z >"$W/files"
xargs -0 cat <"$W/files" >/dev/null  # warm the page cache

cat_all() { xargs -0 cat <"$W/files" >"$W/cat.out"; }
iconv_all() { iconv -c -f CP932 -t ISO-2022-JP "$W/cat.out" >"$W/iconv.out" 2>/dev/null; }
best_of T_CAT cat_all || { echo "cat failed"; exit 1; }
best_of T_ICONV iconv_all || { echo "iconv failed"; exit 1; }
best_of T_CLI convert "$W/store" || { echo "FAIL: boxferry-cli exited with $?"; cat "$W/cli.err"; exit 1; }
check_output "synthetic store" "$FACTS"
echo "   counters: $(tail -1 "$W/cli.out")"
RSS=$(rss_convert "$W/store") || FAIL=1
rm -f "$W/cat.out" "$W/iconv.out"
BYTES=$(fact "$FACTS" alm_bytes)
awk -v b="$BYTES" -v c="$T_CAT" -v i="$T_ICONV" -v x="$T_CLI" \
    -v cc="$T_CAT_CPU" -v ic="$T_ICONV_CPU" -v xc="$T_CLI_CPU" 'BEGIN {
  printf "   best of %d       wall      throughput     CPU (user+sys)\n", '"$REPEAT"'
  printf "   cat          %8.3f s %8.1f MiB/s %8.3f s\n", c / 1e9, b / 1048576 / (c / 1e9), cc / 1e9
  printf "   iconv        %8.3f s %8.1f MiB/s %8.3f s\n", i / 1e9, b / 1048576 / (i / 1e9), ic / 1e9
  printf "   boxferry-cli %8.3f s %8.1f MiB/s %8.3f s\n", x / 1e9, b / 1048576 / (x / 1e9), xc / 1e9
  printf "   wall: boxferry-cli / cat = %.2f, iconv / boxferry-cli = %.2f\n", x / c, i / x
  printf "   CPU:  boxferry-cli / cat = %.2f, iconv / boxferry-cli = %.2f\n", xc / cc, ic / xc }'
echo "   load average while measuring: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) CPUs"
echo "   peak RSS of boxferry-cli: $RSS KiB"
target "within 1.5x of cat" "$(awk -v c="$T_CAT" -v x="$T_CLI" 'BEGIN {print (x <= 1.5 * c) ? 1 : 0}')" \
  "$(awk -v c="$T_CAT" -v x="$T_CLI" 'BEGIN {printf "%.2fx", x / c}')"
target "at least 5x iconv" "$(awk -v i="$T_ICONV" -v x="$T_CLI" 'BEGIN {print (i >= 5 * x) ? 1 : 0}')" \
  "$(awk -v i="$T_ICONV" -v x="$T_CLI" 'BEGIN {printf "%.2fx", i / x}')"
target "peak RSS <= 16 MiB" "$([ "${RSS:-999999}" -le 16384 ] && echo 1 || echo 0)" "$RSS KiB"
rm -rf "$W/store" "$W/out"
}
for kind in ${BENCH_STORES:-mixed mail}; do measure_store "$kind"; done

echo "== one message holding a single $LONG_MIB MiB line"
FACTS=$(python3 "$ROOT/bench/make-store.py" long-line "$W/store" --mib "$LONG_MIB") || exit 1
echo "   $FACTS"
T0=$(now)
RSS=$(rss_convert "$W/store") || { echo "FAIL: boxferry-cli failed"; cat "$W/cli.err"; FAIL=1; }
T1=$(now)
check_output "long line" "$FACTS"
echo "   boxferry-cli $(secs $((T1 - T0))) s, peak RSS $RSS KiB"
target "peak RSS <= 16 MiB" "$([ "${RSS:-999999}" -le 16384 ] && echo 1 || echo 0)" "$RSS KiB"
rm -rf "$W/store" "$W/out"

if [ "$FAIL" != 0 ]; then echo "RESULT: FAIL (wrong output)"; exit 1; fi
if [ "$MISS" != 0 ]; then
  echo "RESULT: output correct, a target missed"
  [ "${BENCH_STRICT:-0}" = 1 ] && exit 1
  exit 0
fi
echo "RESULT: output correct, all targets met"
