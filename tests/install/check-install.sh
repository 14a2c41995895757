#!/bin/sh
# check-install.sh BUILD_DIR: installs the build into a scratch DESTDIR with prefix /usr, as the Debian
# package does, and checks what arrived: each program that was built with what belongs to it, and nothing
# of a program that was not built (a desktop entry without its window would be a dead menu entry).
set -u
build=$1
dest=$(mktemp -d "${TMPDIR:-/tmp}/boxferry-install.XXXXXX")
trap 'rm -rf "$dest"' EXIT
DESTDIR=$dest cmake --install "$build" --prefix /usr >"$dest.log" 2>&1 || { cat "$dest.log"; rm -f "$dest.log"; exit 1; }
rm -f "$dest.log"
status=0
check() {  # check yes|no PATH
  if [ "$1" = yes ] && [ ! -e "$dest/usr/$2" ]; then echo "missing: /usr/$2"; status=1; fi
  if [ "$1" = no ] && [ -e "$dest/usr/$2" ]; then echo "installed without its program: /usr/$2"; status=1; fi
}
cli=no; [ -x "$build/cli/boxferry-cli" ] && cli=yes
window=no; [ -x "$build/app/qt/boxferry" ] && window=yes
check $cli bin/boxferry-cli
if [ $cli = yes ] && command -v help2man >/dev/null 2>&1; then check yes share/man/man1/boxferry-cli.1.gz; fi
for f in bin/boxferry share/applications/boxferry.desktop share/metainfo/io.github.boxferry.Boxferry.metainfo.xml \
         share/icons/hicolor/16x16/apps/boxferry.png share/icons/hicolor/256x256/apps/boxferry.png \
         share/icons/hicolor/scalable/apps/boxferry.svg; do
  check $window "$f"
done
if [ $cli = yes ]; then
  "$dest/usr/bin/boxferry-cli" --version | head -1 | grep -q '^boxferry-cli (Boxferry) ' \
    || { echo "the installed boxferry-cli does not answer --version"; status=1; }
fi
[ $status -eq 0 ] && echo "installed: boxferry-cli $cli, window $window"
exit $status
