#!/bin/bash
# bench/scale.sh [BOXFERRY_CLI]
#
# Stores at the edges of scale, each converted once with its time and peak RSS (/usr/bin/time -v)
# reported and its output checked:
#   flat         100,000 messages in one folder          separators, counters line
#   deep         200-deep nested sub-folders             nesting depth, every message, counters line
#   big-mbox     one mbox beyond 4 GiB (few big messages) separators, exact size
#   long-line    a message holding one 1 GiB line        separators, exact size
#   long-header  a Subject field of 100 MiB on one line  separators, the encoded words decode back
#                                                        to the text, the rest of the message follows
# Target: peak RSS at most 16 MiB in every case. Data lives in a work directory under BENCH_TMP
# (default /tmp) and each case's store and output are removed as soon as it is checked (the 4 GiB
# case needs about 9.5 GiB free while it runs).
#
# Environment: SCALE_CASES (default "flat deep big-mbox long-line long-header"), SCALE_MESSAGES
# (100000), SCALE_DEPTH (200), SCALE_GIB (4.5), SCALE_LINE_MIB (1024), SCALE_HEADER_MIB (100),
# BENCH_TMP, BENCH_KEEP=1 (keep the work directory).
# Exit status: 0 every output correct (a missed RSS target is reported), 1 a conversion failed or
# wrote something wrong, 2 usage.
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
CLI=${1:-${BOXFERRY_CLI:-$ROOT/build/default/cli/boxferry-cli}}
[ -x "$CLI" ] || { echo "boxferry-cli not found at $CLI (build it, or pass its path)" >&2; exit 2; }
CLI=$(cd "$(dirname "$CLI")" && pwd)/$(basename "$CLI")
CASES=${SCALE_CASES:-flat deep big-mbox long-line long-header}
W=$(mktemp -d "${BENCH_TMP:-/tmp}/boxferry-scale.XXXXXX")
cleanup() { if [ "${BENCH_KEEP:-0}" = 1 ]; then echo "kept $W"; else rm -rf "$W"; fi; }
trap cleanup EXIT
trap 'exit 130' INT TERM
FAIL=0
SUMMARY=()

fact() { sed -n "s/.*\b$2=\([0-9]*\).*/\1/p" <<<"$1"; }
fail() { echo "  FAIL $*"; FAIL=1; CASE_OK=0; }
separators() { find "$W/out" -type f -size +0 -print0 | xargs -0 -r cat | grep -ac '^From '; }
mbox_bytes() { find "$W/out" -type f -print0 | xargs -0 -r stat -c %s | awk '{s += $1} END {printf "%.0f\n", s}'; }

# run_case NAME KIND MAKE-STORE-OPTIONS...: make the store, convert it, leave the output in $W/out.
run_case() {
  local name=$1 kind=$2; shift 2
  echo "== $name"
  rm -rf "$W/store" "$W/out"
  local t0=$(date +%s%N)
  FACTS=$(python3 "$ROOT/bench/make-store.py" "$kind" "$W/store" "$@") || { fail "store not made"; return 1; }
  local t1=$(date +%s%N)
  echo "  store: $FACTS (written in $(( (t1 - t0) / 1000000 )) ms)"
  mkdir "$W/out"
  t0=$(date +%s%N)
  /usr/bin/time -v -o "$W/time.txt" "$CLI" "$W/store" "$W/out" >"$W/cli.out" 2>"$W/cli.err"
  local rc=$?
  t1=$(date +%s%N)
  RSS=$(awk -F': *' '/Maximum resident set size/ {print $2}' "$W/time.txt")
  SECS=$(awk -v n=$((t1 - t0)) 'BEGIN {printf "%.2f", n / 1e9}')
  echo "  boxferry-cli: exit $rc, $SECS s, peak RSS $RSS KiB; $(tail -1 "$W/cli.out")"
  CASE_OK=1
  [ $rc = 0 ] || { fail "$name: exit status $rc"; head -c 2000 "$W/cli.err"; }
  local want got
  want=$(fact "$FACTS" messages); got=$(separators)
  [ "$got" = "$want" ] || fail "$name: $got separators, $want messages"
  want=$(fact "$FACTS" mbox_bytes)
  if [ -n "$want" ]; then
    got=$(mbox_bytes)
    if [ "$got" = "$want" ]; then echo "  output: $got bytes, as expected"
    else fail "$name: output holds $got bytes, expected $want"; fi
  fi
  want="ファイル数：$(fact "$FACTS" messages)"
  grep -q "$want" "$W/cli.out" || fail "$name: counters line lacks $want"
  want="フォルダ数：$(fact "$FACTS" folders)"
  grep -q "$want" "$W/cli.out" || fail "$name: counters line lacks $want"
}

finish_case() {
  local rss_ok=met
  [ "${RSS:-999999}" -le 16384 ] || rss_ok=MISSED
  SUMMARY+=("$(printf '%-12s %-5s %9s s %8s KiB  RSS target %s' "$1" \
    "$([ "$CASE_OK" = 1 ] && echo ok || echo FAIL)" "$SECS" "$RSS" "$rss_ok")")
  rm -rf "$W/store" "$W/out"
}

for c in $CASES; do
  case $c in
  flat)
    run_case flat flat --messages "${SCALE_MESSAGES:-100000}"
    finish_case flat ;;
  deep)
    depth=${SCALE_DEPTH:-200}
    run_case deep deep --depth "$depth"
    got=$(find "$W/out" -type d -name '*.sbd' | awk -F/ '{print NF}' | sort -n | tail -1)
    base=$(awk -F/ '{print NF}' <<<"$W/out")
    # account .sbd + one .sbd per container level
    [ $((got - base)) = $((depth + 1)) ] || fail "deep: .sbd nesting $((got - base)), expected $((depth + 1))"
    n=$(find "$W/out" -type f -size +0 | wc -l)
    [ "$n" = $((depth + 1)) ] || fail "deep: $n mbox files with messages, expected $((depth + 1))"
    finish_case deep ;;
  big-mbox)
    run_case big-mbox big-mbox --gib "${SCALE_GIB:-4.5}"
    # ASCII only: the mbox must be the separators and the files, byte for byte, past 4 GiB.
    mbox=$(find "$W/out" -type f -size +0 | head -1)
    if cmp -s "$mbox" <(find "$W/store" -iname '*.alm' -print0 | sort -z |
        while IFS= read -r -d '' f; do printf 'From - \r\n'; cat "$f"; done); then
      echo "  output: separators and messages byte for byte"
    else
      fail "big-mbox: the mbox differs from separators + message files"
    fi
    finish_case big-mbox ;;
  long-line)
    run_case long-line long-line --mib "${SCALE_LINE_MIB:-1024}"
    finish_case long-line ;;
  long-header)
    mib=${SCALE_HEADER_MIB:-100}
    run_case long-header long-header --mib "$mib"
    mbox=$(find "$W/out" -type f -size +0 | head -1)
    if ! python3 - "$mbox" "$mib" <<'EOF'
# The Subject must come out as RFC 2047 words that decode back to the whole text, and the rest of
# the message must follow intact. Streams the file: the line is far too long to hold.
import base64, re, sys
unit = "長い行のテスト"
path = sys.argv[1]
word = re.compile(rb"=\?ISO-2022-JP\?B\?([A-Za-z0-9+/=]*)\?=$")
chars = 0
bad = None
with open(path, "rb") as f:
    first = f.readline()
    if first != b"From - \r\n":
        sys.exit("first line %r" % first[:40])
    while True:
        line = f.readline(1 << 20)
        if line.startswith(b"Subject: ") or not line:
            break
    rest = line[len(b"Subject: "):]
    tail = b""
    while True:
        if rest.endswith(b"\n") or not rest:
            data, done = tail + rest.rstrip(b"\r\n"), True
        else:
            data, done = tail + rest, False
        pieces = data.split(b" ")
        tail = b"" if done else pieces.pop()
        for p in pieces:
            m = word.match(p)
            if not m:
                sys.exit("not an encoded word: %r" % p[:80])
            if len(p) > 75:
                sys.exit("encoded word of %d characters (at most 75): %r..." % (len(p), p[:80]))
            jis = base64.b64decode(m.group(1))
            if not (jis.startswith(b"\x1b$B") and jis.endswith(b"\x1b(B")):
                sys.exit("word does not begin and end in ASCII: %r" % jis[:80])
            text = jis.decode("iso2022_jp")
            for c in text:
                if c != unit[chars % len(unit)]:
                    sys.exit("character %d is %r" % (chars, c))
                chars += 1
        if done:
            break
        rest = f.readline(1 << 20)
    after = f.read()
expected = "\r\nFrom: a@example.jp\r\nContent-Type: text/plain; charset=ISO-2022-JP\r\n\r\n"
body = "本文です。".encode("iso2022_jp") + b"\r\n"
if after != expected.encode()[2:] + body:
    sys.exit("after the Subject: %r" % after[:200])
want = int(float(sys.argv[2]) * 1048576) // (len(unit.encode("cp932")) * 4096) * len(unit) * 4096
if chars != want:
    sys.exit("%d characters decoded, expected %d" % (chars, want))
print("  Subject: %d characters in encoded words, all decoded back; the rest of the message intact" % chars)
EOF
    then fail "long-header: Subject or message text wrong"; fi
    finish_case long-header ;;
  *) echo "unknown case $c" >&2; exit 2 ;;
  esac
done

echo "== summary (boxferry-cli: $CLI)"
printf '%s\n' "${SUMMARY[@]}"
[ "$FAIL" = 0 ] || { echo "RESULT: FAIL"; exit 1; }
echo "RESULT: every output correct"
