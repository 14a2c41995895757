#!/usr/bin/env bash
# Installs the Debian 12 packages Boxferry needs. As root it runs apt-get; otherwise it prints the exact
# apt-get line and fails.
#   tools/setup-debian.sh run    what building and running the programs needs (./run)
#   tools/setup-debian.sh test   that, and what the tests, the fuzz targets and the package check need
#                                (./test; the default)
set -uo pipefail

RUN_PACKAGES=(
  cmake g++ make pkg-config python3                     # build
  help2man                                              # boxferry-cli's manual page, made at build time
  nlohmann-json3-dev                                    # boxferry-cli's --report (JSON)
  qt6-base-dev fonts-ipafont-gothic                     # the Qt window, and a font for its Japanese
)
TEST_PACKAGES=(
  libgtest-dev libgmock-dev                             # unit tests
  xvfb xauth xdotool                                    # the Qt window's tests
  thunderbird                                           # the real-client tests
  clang libclang-rt-14-dev                              # fuzz targets (libFuzzer)
  time                                                  # peak-memory figures
  libfuse3-dev fuse3                                    # a file system whose close fails (fault tests)
  desktop-file-utils appstream dpkg-dev                 # the desktop entry, AppStream data, the .deb
)

case "${1:-test}" in
  run) PACKAGES=("${RUN_PACKAGES[@]}") ;;
  test) PACKAGES=("${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}") ;;
  *) echo "usage: $0 [run|test]" >&2; exit 2 ;;
esac

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -eq 0 ]; then
  echo "== installing: ${missing[*]}"
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" \
    || { echo "apt-get failed" >&2; exit 1; }
else
  echo "These Debian packages are missing. Install them, then run this again:" >&2
  echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
