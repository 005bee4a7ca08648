#!/usr/bin/env bash
# Builds the browser version into build-web/site/ (index.html, brastor.js,
# brastor.wasm, brastor.data), ready for any static file server.
#
#   web/build.sh [native-build-folder]
#
# The game's data is baked by the native build; the folder given (default
# build-web/native) is configured for the data alone when it has no build yet.
# Environment: BRASTOR_WEB_BUILD (default build-web) is where everything goes.
# Emscripten's first run builds its system libraries into build-web/emcache,
# which takes a few minutes once; later builds reuse it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
out="$(realpath -m "${BRASTOR_WEB_BUILD:-build-web}")"
native="$(realpath -m "${1:-$out/native}")"

for tool in emcmake em++ cmake ninja; do
  if ! command -v "$tool" >/dev/null; then
    echo "web/build.sh: $tool is missing (apt-get install -y emscripten cmake ninja-build)" >&2
    exit 1
  fi
done

# Bake the data with the native tools.
if [ ! -f "$native/build.ninja" ]; then
  cmake -S "$root" -B "$native" -G Ninja -DBRASTOR_WINDOW=OFF -DBRASTOR_TESTS=OFF >/dev/null
fi
cmake --build "$native" --target brastor_data

# Debian's Emscripten: its optimiser finds acorn through NODE_PATH; its
# configuration freezes the system cache under /usr/share, so ours lives in
# the build (writable, also as root in CI) and is filled on the first run
# (an empty EM_FROZEN_CACHE lifts the freeze).
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"
export EM_CACHE="$out/emcache"
export EM_FROZEN_CACHE=""
mkdir -p "$EM_CACHE" "$out/site"

emcmake cmake -S "$root/web" -B "$out/cmake" -G Ninja \
  -DBRASTOR_DATA_DIR="$native" -DBRASTOR_SITE_DIR="$out/site" >/dev/null
cmake --build "$out/cmake"
cp "$root/web/index.html" "$out/site/index.html"

echo "web/build.sh: the page is in $out/site"
ls -l "$out/site"
