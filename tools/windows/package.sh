#!/usr/bin/env bash
# Packs the Windows builds into Boxferry-VERSION-win32.zip and Boxferry-VERSION-win64.zip (in each build folder):
# Boxferry.exe, boxferry-cli.exe (both stripped), README.txt (Japanese, from README-ja.txt) and TERMS.txt
# (the terms of use, which the about box says must accompany the program); see make-package-texts.py.
#   tools/windows/package.sh [win64] [win32] [BUILD_DIR]   both presets when none is named; a build
#                                                          folder of either kind may be named instead
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
presets=("$@")
[ ${#presets[@]} -eq 0 ] && presets=(win64 win32)

status=0
for preset in "${presets[@]}"; do
  build=$root/build-$preset
  if [ -d "$preset" ]; then
    build=$(cd "$preset" && pwd)
    case $(sed -n 's/^CMAKE_TOOLCHAIN_FILE:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null) in
      *mingw-x86_64*) preset=win64 ;;
      *mingw-i686*) preset=win32 ;;
      *) preset=unknown ;;
    esac
  fi
  case $preset in
    win64) triple=x86_64-w64-mingw32 bits=64 ;;
    win32) triple=i686-w64-mingw32 bits=32 ;;
    *) echo "$build: not a Windows build (win64 or win32)" >&2; status=1; continue ;;
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
  python3 "$root/tools/windows/make-package-texts.py" "$root/engine/messages.cpp" "$version" "$bits" "$stage" || ok=0
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
  python3 - "$build/$name.zip" "$name" <<'PY' || status=1
import sys, zipfile
infos = zipfile.ZipFile(sys.argv[1]).infolist()
for i in infos:
    print("  %9d  %s" % (i.file_size, i.filename))
want = {sys.argv[2] + "/" + n for n in ("Boxferry.exe", "boxferry-cli.exe", "README.txt", "TERMS.txt")}
if {i.filename for i in infos} != want or any(i.file_size == 0 for i in infos):
    sys.exit("the archive should hold exactly, and not empty: " + ", ".join(sorted(want)))
PY
done
exit $status
