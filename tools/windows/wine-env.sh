# Sourced by the Windows scripts: what this machine can run, and a Wine prefix inside a build folder.
#   runs_32bit_programs             succeeds when the kernel starts 32-bit x86 programs
#   wine_loader x86_64|i686         prints the Wine loader that starts such Windows programs here
#   wine_start PREFIX PROBE_EXE     uses PREFIX, starts a persistent wineserver, boots the prefix and checks
#                                   that PROBE_EXE starts in it through $WINE (the build's launcher); the
#                                   prefix is kept between runs and made anew only when PROBE_EXE cannot start
#   wine_stop                       stops that wineserver
# Environment: BOXFERRY_NO_32BIT=1 acts as if the kernel could not start 32-bit programs, to try the path
# of such machines on one that can; BOXFERRY_WINE64_LOADER is the 64-bit loader tried after `wine` and
# `wine64` (default /usr/lib/wine/wine64, where Debian keeps it).
# Facts these rely on: Wine's background processes hold any output pipe open unless the prefix is booted
# before the first program runs (ctest then waits for every test). With wine32 installed, Debian's `wine`
# always starts the 32-bit loader, so on a kernel without 32-bit emulation it cannot start 64-bit programs
# either ("exec: /usr/lib/wine/wine: Exec format error"); the 64-bit loader itself still works there.

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# Runs a 96-byte i386 Linux program that exits with 42. Prints why when it cannot tell.
runs_32bit_programs() {
  [ -z "${BOXFERRY_NO_32BIT:-}" ] || return 1
  python3 - <<'PY'
import errno, os, struct, subprocess, sys, tempfile
code = bytes([0xB8, 1, 0, 0, 0, 0xBB, 42, 0, 0, 0, 0xCD, 0x80])  # exit(42) through int 0x80
base, size = 0x08048000, 52 + 32 + len(code)
elf = (b"\x7fELF\x01\x01\x01" + bytes(9)
       + struct.pack("<HHIIIIIHHHHHH", 2, 3, 1, base + 84, 52, 0, 0, 52, 32, 1, 0, 0, 0)
       + struct.pack("<8I", 1, 0, base, base, size, size, 5, 0x1000) + code)
with tempfile.TemporaryDirectory() as folder:
    probe = os.path.join(folder, "probe32")
    with open(probe, "wb") as f:
        f.write(elf)
    os.chmod(probe, 0o755)
    try:
        sys.exit(0 if subprocess.run([probe]).returncode == 42 else 1)
    except OSError as e:
        if e.errno != errno.ENOEXEC:
            print(f"cannot tell whether 32-bit programs run: {e}", file=sys.stderr)
        sys.exit(1)
PY
}

# Debian's `wine` where it starts at all; for x86_64 the 64-bit loader is tried next, under its other names.
# A loader that starts prints its version; which one starts is decided by running each in turn.
wine_loader() {
  local candidates=() loader out tried=""
  case $1 in
    x86_64) candidates=(wine wine64 "${BOXFERRY_WINE64_LOADER:-/usr/lib/wine/wine64}") ;;
    i686)
      if ! runs_32bit_programs; then
        echo "not possible on this machine (no 32-bit emulation)" >&2
        return 1
      fi
      candidates=(wine) ;;
    *) echo "unknown processor $1" >&2; return 1 ;;
  esac
  for loader in "${candidates[@]}"; do
    if out=$("$loader" --version </dev/null 2>&1); then
      command -v "$loader"
      return 0
    fi
    tried+="${tried:+; }$loader: $(printf '%s' "$out" | tail -n 1)"
  done
  echo "no Wine loader starts here ($tried)" >&2
  return 1
}

wine_boot() {
  mkdir -p "$WINEPREFIX"
  if [ -n "${WINE_PREFIX_SETUP:-}" ] && [ ! -e "$WINEPREFIX/system.reg" ]; then
    "$WINE_PREFIX_SETUP" "$WINEPREFIX"
  fi
  wineserver -p </dev/null >/dev/null 2>&1
  "$WINE" wineboot -i </dev/null >/dev/null 2>&1
}

# Prints nothing when the probe starts: it prints its usage and exits with 2 when started without
# arguments. (A 32-bit program under a Wine without its 32-bit half prints nothing and exits 0.)
wine_probe() {
  local out status
  out=$("$WINE" "$1" </dev/null 2>&1)
  status=$?
  [ $status -eq 2 ] && [[ $out == *usage:* ]] && return 0
  printf 'exit status %s, output: %s\n' "$status" "$(printf '%s' "${out:-(none)}" | tr '\r\n' '  ')"
}

wine_start() {
  export WINEPREFIX=$1
  local probe=$2 state="kept from the last run" why
  [ -e "$WINEPREFIX/system.reg" ] || state="made"
  wine_boot
  why=$(wine_probe "$probe")
  if [ -n "$why" ] && [ "$state" != made ]; then
    echo "Wine prefix $WINEPREFIX cannot start $(basename "$probe") ($why): making it anew"
    wine_stop
    rm -rf "$WINEPREFIX"
    state="made anew"
    wine_boot
    why=$(wine_probe "$probe")
  fi
  if [ -n "$why" ]; then
    wine_stop
    echo "$(basename "$probe") does not start under $WINE: $why" >&2
    return 1
  fi
  echo "Wine prefix $WINEPREFIX: $state"
}

wine_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k </dev/null >/dev/null 2>&1
    wineserver -w </dev/null >/dev/null 2>&1 || true
  fi
}

# A Unix path as Wine's Z: drive shows it.
wine_path() {
  local p
  p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
  printf 'Z:%s' "${p//\//\\}"
}
