#!/usr/bin/env bash
# Makes the Debian package of a build, installs it with apt as a user would, and runs what it installed:
# boxferry-cli --version, a conversion of the sample store (compared byte for byte with the committed
# tree), the desktop entry, the AppStream data and the manual page; the window must find its libraries
# and start. A package that was not installed before is removed again at the end.
#   tools/check-deb.sh [BUILD_DIR]      (default build/ci; the build must be complete)
# Installing needs root; otherwise the package is made and inspected, and the script says what it could
# not run. Exit status: 0 when every check that could run passed.
set -uo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build/ci}" 2>/dev/null && pwd) || { echo "FAIL: no build directory ${1:-build/ci}"; exit 1; }
failures=()
fail() { echo "FAIL: $*"; failures+=("$*"); }

version=$(sed -n 's/^project(Boxferry VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
rm -f "$build"/boxferry_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log"; echo "FAIL: cpack"; exit 1; }
deb=$(ls "$build"/boxferry_"$version"_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { echo "FAIL: no boxferry_${version}_*.deb in $build"; exit 1; }
echo "== package: $deb"
dpkg-deb -f "$deb" Package Version Architecture Depends Recommends

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
expect=(./usr/bin/boxferry-cli ./usr/share/man/man1/boxferry-cli.1.gz)
if [ -x "$build/app/qt/boxferry" ]; then
  expect+=(./usr/bin/boxferry ./usr/share/applications/boxferry.desktop
           ./usr/share/metainfo/io.github.boxferry.Boxferry.metainfo.xml
           ./usr/share/icons/hicolor/48x48/apps/boxferry.png ./usr/share/icons/hicolor/scalable/apps/boxferry.svg)
fi
for f in "${expect[@]}"; do
  grep -qxF "$f" <<<"$contents" || fail "the package lacks $f"
done

if [ "$(id -u)" -ne 0 ]; then
  echo "NOT RUN: installing the package needs root (apt install ./$(basename "$deb"))"
else
  was_installed=0
  dpkg-query -W -f='${Status}' boxferry 2>/dev/null | grep -q "install ok installed" && was_installed=1
  echo "== apt install ./$(basename "$deb")"
  (cd "$(dirname "$deb")" && DEBIAN_FRONTEND=noninteractive apt install -y -q "./$(basename "$deb")" \
     >"$build/apt.log" 2>&1) || { tail -20 "$build/apt.log"; fail "apt could not install the package"; }

  if [ -x /usr/bin/boxferry-cli ]; then
    first=$(/usr/bin/boxferry-cli --version | head -1)
    [ "$first" = "boxferry-cli (Boxferry) $version" ] || fail "boxferry-cli --version says: $first"
    echo "$first"
    tests/golden/compare-tree.sh /usr/bin/boxferry-cli examples/sample-store tests/golden/sample-store.expected \
      || fail "the installed boxferry-cli does not convert the sample store to the committed tree"
    zcat /usr/share/man/man1/boxferry-cli.1.gz | grep -qF '\-\-thunderbird' \
      || fail "the manual page does not describe --thunderbird"
  else
    fail "/usr/bin/boxferry-cli was not installed"
  fi
  if [ -x /usr/bin/boxferry ]; then
    missing=$(ldd /usr/bin/boxferry | grep 'not found')
    [ -z "$missing" ] || fail "libraries of /usr/bin/boxferry not found: $missing"
    # The window starts and waits at its welcome box; still running after a few seconds is a pass.
    QT_QPA_PLATFORM=offscreen timeout 5 /usr/bin/boxferry >"$build/window.log" 2>&1
    window_status=$?
    [ $window_status -eq 124 ] || { cat "$build/window.log"; fail "the installed window ended early (status $window_status)"; }
    desktop-file-validate /usr/share/applications/boxferry.desktop || fail "the installed desktop entry"
    appstreamcli validate --no-net /usr/share/metainfo/io.github.boxferry.Boxferry.metainfo.xml >/dev/null \
      || fail "the installed AppStream data"
  fi
  if [ $was_installed -eq 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get remove -y -q boxferry >/dev/null 2>&1 || fail "apt-get remove boxferry"
  fi
fi

if [ ${#failures[@]} -gt 0 ]; then
  echo "== ${#failures[@]} package check(s) failed"
  exit 1
fi
echo "== package checks passed"
