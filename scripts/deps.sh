#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only when missing.
#
#   scripts/deps.sh [PACKAGE...]        the native build and its tests, plus PACKAGE...
#   scripts/deps.sh web [PACKAGE...]    only what the browser page needs, plus PACKAGE...
set -euo pipefail
if [ "${1:-}" = web ]; then
  shift
  want=(cmake ninja-build g++ emscripten python3)
else
  want=(cmake ninja-build g++ libsdl2-dev libpng-dev libgtest-dev libbenchmark-dev xvfb xdotool x11-apps imagemagick python3)
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
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
