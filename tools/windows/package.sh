#!/usr/bin/env bash
# Packs the Windows builds into Boxferry-VERSION-win32.zip and Boxferry-VERSION-win64.zip (in each build folder):
# Boxferry.exe, boxferry-cli.exe (both stripped) and a short Japanese README (UTF-8 with BOM, CR LF).
#   tools/windows/package.sh [win64] [win32]        both when none is named; the builds must exist
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
presets=("$@")
[ ${#presets[@]} -eq 0 ] && presets=(win64 win32)

status=0
for preset in "${presets[@]}"; do
  build=$root/build-$preset
  case $preset in
    win64) triple=x86_64-w64-mingw32 bits=64 ;;
    win32) triple=i686-w64-mingw32 bits=32 ;;
    *) echo "unknown preset $preset" >&2; status=1; continue ;;
  esac
  # The version the build was configured with (project(VERSION) in CMakeLists.txt).
  version=$(sed -n 's/^#define BOXFERRY_VERSION "\(.*\)"$/\1/p' "$build/generated/boxferry_version.h" 2>/dev/null)
  if [ -z "$version" ]; then
    echo "$preset: no version in $build/generated/boxferry_version.h (configure preset $preset first)" >&2
    status=1
    continue
  fi
  name=Boxferry-$version-$preset
  stage=$build/package/$name
  rm -rf "$build/package" "$build/$name.zip"
  mkdir -p "$stage" || { status=1; continue; }
  ok=1
  for exe in app/win32/Boxferry.exe cli/boxferry-cli.exe; do
    if [ ! -f "$build/$exe" ]; then
      echo "$preset: $build/$exe is missing (build preset $preset first)" >&2
      ok=0
      continue
    fi
    "$triple-strip" -o "$stage/$(basename "$exe")" "$build/$exe" || ok=0
  done
  { printf '\xef\xbb\xbf'; sed "s/@BITS@/$bits/; s/@VERSION@/$version/" "$root/tools/windows/README-ja.txt" | sed 's/$/\r/'; } \
    >"$stage/README.txt"
  if [ $ok -eq 0 ]; then
    status=1
    continue
  fi
  # The archive holds one folder named like the archive; names and times as staged, no extra attributes.
  (cd "$build/package" && python3 - "$name" "$build/$name.zip" <<'PY'
import os, sys, zipfile
folder, target = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    for entry in sorted(os.listdir(folder)):
        z.write(os.path.join(folder, entry), folder + "/" + entry)
PY
  ) || { status=1; continue; }
  echo "$build/$name.zip:"
  python3 -c 'import sys, zipfile
for i in zipfile.ZipFile(sys.argv[1]).infolist(): print("  %9d  %s" % (i.file_size, i.filename))' "$build/$name.zip"
done
exit $status
