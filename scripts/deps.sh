#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only when missing.
#
#   scripts/deps.sh [PACKAGE...]        the native build and its tests, plus PACKAGE...
#   scripts/deps.sh web [PACKAGE...]    only what the browser page needs, plus PACKAGE...
#   scripts/deps.sh play [PACKAGE...]   only what configuring and building the game needs
#   scripts/deps.sh tools               only what configuring and building the level author's tools need
#   scripts/deps.sh windows             the native build plus the Windows cross compiler and zip
#   scripts/deps.sh windows-test        Wine and the X tools for the Windows tests
set -euo pipefail
native=(cmake ninja-build g++ libsdl2-dev libstb-dev libgtest-dev libbenchmark-dev xvfb xdotool x11-apps imagemagick python3)
if [ "${1:-}" = web ]; then
  shift
  # libstb-dev: the native data build it configures writes the icons' PNGs.
  want=(cmake ninja-build g++ libstb-dev emscripten python3 brotli)
elif [ "${1:-}" = play ]; then
  shift
  # libstb-dev too: the build folder that play configures is the one make test uses.
  want=(cmake ninja-build g++ libsdl2-dev libstb-dev libgtest-dev)
elif [ "${1:-}" = tools ]; then
  shift
  # The game's own needs, the checker's PNG writer among them.
  want=(cmake ninja-build g++ libsdl2-dev libstb-dev libgtest-dev)
elif [ "${1:-}" = windows ]; then
  shift
  # googletest: its sources, built with the cross compiler for the Windows tests.
  want=("${native[@]}" g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 googletest zip)
elif [ "${1:-}" = windows-test ]; then
  shift
  want=(wine wine64 xvfb xdotool x11-apps imagemagick unzip)
else
  want=("${native[@]}")
fi
[ "$#" -gt 0 ] && want+=("$@")
missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ "${#missing[@]}" -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
# Another apt-get (an unattended upgrade, a second checkout) may hold the lock:
# wait for it rather than fail at once.
lock=(-o DPkg::Lock::Timeout=600)
$SUDO apt-get "${lock[@]}" update -qq
$SUDO apt-get "${lock[@]}" install -y -qq --no-install-recommends "${missing[@]}"
