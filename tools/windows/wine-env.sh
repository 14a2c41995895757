# Sourced by the Windows scripts: a Wine prefix inside a build folder, started once and kept running.
#   wine_start BUILD_DIR [PREFIX_NAME]   sets WINEPREFIX, starts a persistent wineserver, boots the prefix
#   wine_stop                            stops that wineserver
# Facts these rely on: Wine's background processes hold any output pipe open unless the prefix is booted
# before the first program runs (ctest then waits for every test); a prefix made before wine32 was
# installed cannot run 32-bit programs.

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

wine_has_32bit() {
  [ -x /usr/lib/wine/wine ] || [ -x /usr/lib/i386-linux-gnu/wine/wine ]
}

wine_start() {
  local build=$1 name=${2:-wineprefix}
  export WINEPREFIX=$build/$name
  if [ -d "$WINEPREFIX" ] && wine_has_32bit && [ ! -e "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
    echo "Wine prefix $WINEPREFIX predates 32-bit Wine: making it anew"
    rm -rf "$WINEPREFIX"
  fi
  mkdir -p "$WINEPREFIX"
  if [ -n "${WINE_PREFIX_SETUP:-}" ] && [ ! -e "$WINEPREFIX/system.reg" ]; then
    "$WINE_PREFIX_SETUP" "$WINEPREFIX"
  fi
  wineserver -p </dev/null >/dev/null 2>&1
  wine wineboot -i </dev/null >/dev/null 2>&1
}

wine_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k </dev/null >/dev/null 2>&1 || true
  fi
}

# A Unix path as Wine's Z: drive shows it.
wine_path() {
  local p
  p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
  printf 'Z:%s' "${p//\//\\}"
}
