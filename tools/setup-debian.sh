#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Boxferry need. As root it runs
# apt-get; otherwise it prints the exact apt-get line and fails.
set -uo pipefail

PACKAGES=(
  cmake g++ make pkg-config python3 libgtest-dev libgmock-dev   # build and unit tests
  qt6-base-dev xvfb xauth xdotool fonts-ipafont-gothic            # the Qt window and its tests
  thunderbird                                                     # the real-client test
  clang libclang-rt-14-dev                                        # fuzz targets (libFuzzer)
  time                                                            # peak-memory figures
)

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
