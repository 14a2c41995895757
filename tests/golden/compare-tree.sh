#!/usr/bin/env bash
# Converts STORE with boxferry-cli into a fresh folder and compares the result byte for byte with the
# committed EXPECTED tree: same files and directories, same bytes.
#   compare-tree.sh CLI STORE EXPECTED        (BOXFERRY_UPDATE_GOLDEN=1 rewrites EXPECTED)
set -u
cli=$1 store=$2 expected=$3
out=$(mktemp -d "${TMPDIR:-/tmp}/boxferry-golden.XXXXXX")
trap 'rm -rf "$out"' EXIT
"$cli" "$store" "$out" >/dev/null 2>"$out.err" || { echo "boxferry-cli failed:"; cat "$out.err"; rm -f "$out.err"; exit 1; }
rm -f "$out.err"
if [ "${BOXFERRY_UPDATE_GOLDEN:-}" = 1 ]; then
  rm -rf "$expected" && mkdir -p "$expected" && cp -a "$out"/. "$expected"/
  printf '* -text -diff\n' > "$expected/.gitattributes"
  echo "rewrote $expected"
  exit 0
fi
if diff -r -x .gitattributes "$expected" "$out"; then
  echo "output tree equals $expected"
else
  echo "output differs from $expected (BOXFERRY_UPDATE_GOLDEN=1 rewrites it after a deliberate change)"
  exit 1
fi
