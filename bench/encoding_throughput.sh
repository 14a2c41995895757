#!/bin/sh
# Throughput of the cp932 -> ISO-2022-JP encoder against iconv on the same ~50 MiB of mixed Japanese text.
# Usage: bench/encoding_throughput.sh BUILD_DIR [MIB]   (BUILD_DIR holds encoding/libboxferry_encoding.a)
# Target: Cp932ToJis at least 5x the throughput of `iconv -f CP932 -t ISO-2022-JP`.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: $0 BUILD_DIR [MIB]}
mib=${2:-50}
lib="$build/encoding/libboxferry_encoding.a"
[ -f "$lib" ] || { echo "$lib not found (build the boxferry_encoding target first)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Mail-like lines: hiragana, katakana and level-1 kanji with ASCII words, punctuation and line ends; only
# characters iconv's ISO-2022-JP encoder takes too, so both convert the same text.
python3 - "$work/text.sjis" "$mib" <<'PY'
import random, sys
random.seed(1)
hira = [chr(c) for c in range(0x3041, 0x3094)]
kata = [chr(c) for c in range(0x30A1, 0x30F7)]
kanji = [bytes([l, t]).decode("cp932") for l in range(0x88, 0x98) for t in range(0x9F, 0xFD)]
ascii_words = ["From", "the", "mail", "http://example.jp/", "2024", "Re:", "OK", "test", "-->", "(1)"]
def piece():
    r = random.random()
    if r < 0.45: return "".join(random.choice(hira) for _ in range(random.randint(1, 8)))
    if r < 0.70: return "".join(random.choice(kanji) for _ in range(random.randint(1, 4)))
    if r < 0.80: return "".join(random.choice(kata) for _ in range(random.randint(2, 6)))
    if r < 0.85: return random.choice("、。「」")
    return " " + random.choice(ascii_words) + " "
out, size, target = [], 0, int(sys.argv[2]) << 20
while size < target:
    line = "".join(piece() for _ in range(random.randint(3, 25))).encode("cp932") + b"\r\n"
    out.append(line); size += len(line)
open(sys.argv[1], "wb").write(b"".join(out))
PY

cat > "$work/driver.cpp" <<'CPP'
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include "encoding/jis_encoder.h"
using boxferry::encoding::JisEncoder;
int main(int, char** argv) {
  std::ifstream in(argv[1], std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const double mib = text.size() / 1048576.0;
  double whole = 1e9, lines = 1e9;
  std::string out;
  for (int run = 0; run < 3; ++run) {
    auto t0 = std::chrono::steady_clock::now();
    out = boxferry::encoding::Cp932ToJis(text);
    auto t1 = std::chrono::steady_clock::now();
    whole = std::min(whole, std::chrono::duration<double>(t1 - t0).count());
    std::string line_out;  // line by line, as the mbox writer converts: Feed + Finish per line
    JisEncoder encoder;
    std::size_t sum = 0;
    t0 = std::chrono::steady_clock::now();
    for (std::size_t pos = 0; pos < text.size();) {
      std::size_t end = text.find('\n', pos);
      end = end == std::string::npos ? text.size() : end + 1;
      line_out.clear();
      encoder.Feed(std::string_view(text).substr(pos, end - pos), line_out);
      encoder.Finish(line_out);
      sum += line_out.size();
      pos = end;
    }
    t1 = std::chrono::steady_clock::now();
    lines = std::min(lines, std::chrono::duration<double>(t1 - t0).count());
    if (sum != out.size()) return 1;
  }
  std::fwrite(out.data(), 1, out.size(), std::fopen(argv[2], "wb"));
  std::printf("Cp932ToJis whole text: %.0f MiB/s\nline by line:          %.0f MiB/s\n", mib / whole, mib / lines);
  std::printf("%.6f\n", whole);
}
CPP
${CXX:-c++} -std=c++20 -O2 -I"$root" "$work/driver.cpp" "$lib" -o "$work/driver"
"$work/driver" "$work/text.sjis" "$work/ours.jis" > "$work/result"
head -n 2 "$work/result"
ours=$(tail -n 1 "$work/result")

best=1000
for run in 1 2 3; do
  t0=$(date +%s.%N)
  iconv -f CP932 -t ISO-2022-JP "$work/text.sjis" > "$work/iconv.jis"
  t1=$(date +%s.%N)
  best=$(echo "$t1 $t0 $best" | awk '{d = $1 - $2; print (d < $3) ? d : $3}')
done
size=$(wc -c < "$work/text.sjis")
echo "$size $best $ours" | awk '{m = $1 / 1048576; printf "iconv:                 %.0f MiB/s\nratio (whole text):    %.1fx\n", m / $2, $2 / $3}'
if cmp -s "$work/ours.jis" "$work/iconv.jis"; then echo "output identical to iconv's"; else echo "output differs from iconv's"; fi
