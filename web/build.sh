#!/usr/bin/env bash
# Builds the browser version into build-web/site/ (index.html, the game's
# script, wasm and data under content-hashed names, the service worker sw.js,
# the manifest and the icons), ready for any static file server.
#
#   web/build.sh [native-build-folder]
#
# The game's data is baked by the native build; the folder given (default
# build-web/native) is configured for the data alone when it has no build yet.
# Environment: BRASTOR_WEB_BUILD (default build-web) is where everything goes.
# Emscripten's system libraries live in build-web/emcache: seeded from
# Debian's prebuilt ones, or built there on the first run (about 20 minutes
# on two cores with BRASTOR_EM_SEED=0); later builds reuse them.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
out="$(realpath -m "${BRASTOR_WEB_BUILD:-build-web}")"
native="$(realpath -m "${1:-$out/native}")"

for tool in emcmake em++ cmake ninja; do
  if ! command -v "$tool" >/dev/null; then
    echo "web/build.sh: $tool is missing (scripts/deps.sh web installs it; make web runs that)" >&2
    exit 1
  fi
done

# Bake the data with the native tools.
if [ ! -f "$native/build.ninja" ]; then
  cmake -S "$root" -B "$native" -G Ninja -DBRASTOR_WINDOW=OFF -DBRASTOR_TESTS=OFF >/dev/null
fi
cmake --build "$native" --target brastor_data brastor-icon

# Debian's Emscripten: its optimiser finds acorn through NODE_PATH; its
# configuration freezes the system cache under /usr/share, so ours lives in
# the build (writable, also as root in CI) and is filled on the first run
# (an empty EM_FROZEN_CACHE lifts the freeze).
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"
export EM_CACHE="$out/emcache"
export EM_FROZEN_CACHE=""
# Debian ships its system libraries prebuilt in the frozen cache: a new cache
# starts from them (headers copied, libraries linked) instead of building
# them all again, which takes about 20 minutes on two cores.
seed=/usr/share/emscripten/cache
if [ ! -e "$EM_CACHE/sysroot_install.stamp" ] && [ "${BRASTOR_EM_SEED:-1}" = 1 ] &&
   [ "$(command -v em++)" = /usr/bin/em++ ] && [ -f "$seed/sysroot_install.stamp" ] &&
   [ -d "$seed/sysroot/include" ] && [ -d "$seed/sysroot/lib" ]; then
  rm -rf "$EM_CACHE"
  mkdir -p "$EM_CACHE/sysroot"
  cp -r "$seed/sysroot/include" "$EM_CACHE/sysroot/"
  cp -rs "$seed/sysroot/lib" "$EM_CACHE/sysroot/"
  cp "$seed/sysroot_install.stamp" "$EM_CACHE/"
fi
mkdir -p "$EM_CACHE" "$out/site"

emcmake cmake -S "$root/web" -B "$out/cmake" -G Ninja -DBRASTOR_DATA_DIR="$native" >/dev/null
cmake --build "$out/cmake"

# The home screen's icons: the player's picture, as the desktop icon. The
# icon maker stores its pixels unpacked; packed, they weigh a few KB instead
# of 1.3 MB in every visitor's cache. The maskable icon (which a phone may
# cut to a circle or a rounded square) is the 256 px one on black in the
# middle of 512 px: the picture's corners stay inside the circle of 40% of
# the size that every mask keeps.
mkdir -p "$out/icons"
rm -f "$out/icons"/icon-*.png
for size in 180 192 256 512; do
  "$native/brastor-icon" "$native/gfx/player/right/player_1.bmp" "$out/icons/icon-$size.png" "$size"
done
python3 - "$out/icons" <<'PACK'
import os, struct, sys, zlib
def chunks(data):
    at = 8
    while at < len(data):
        size, = struct.unpack(">I", data[at:at + 4])
        yield data[at + 4:at + 8], data[at + 8:at + 8 + size]
        at += 12 + size
def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
def png(size, rows):
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(b"".join(b"\0" + row for row in rows), 9)) + chunk(b"IEND", b""))
def rows(name):
    # The icon maker writes each row unfiltered (filter byte 0).
    parts = list(chunks(open(name, "rb").read()))
    size, = struct.unpack(">I", dict(parts)[b"IHDR"][:4])
    raw = zlib.decompress(b"".join(body for kind, body in parts if kind == b"IDAT"))
    stride = 1 + 4 * size
    assert all(raw[y * stride] == 0 for y in range(size)), name
    return size, [raw[y * stride + 1:(y + 1) * stride] for y in range(size)]
folder = sys.argv[1]
for size in (180, 192, 512):
    name = os.path.join(folder, f"icon-{size}.png")
    packed = png(*rows(name))
    open(name, "wb").write(packed)
inner, picture = rows(os.path.join(folder, "icon-256.png"))
black, margin = b"\0\0\0\xff", (512 - inner) // 2
opaque = [b"".join(p if p[3] else black for p in (row[i:i + 4] for i in range(0, len(row), 4))) for row in picture]
masked = [black * 512] * margin + [black * margin + row + black * margin for row in opaque] + [black * 512] * margin
open(os.path.join(folder, "icon-maskable-512.png"), "wb").write(png(512, masked))
os.remove(os.path.join(folder, "icon-256.png"))
PACK
web/site.sh "$out/cmake/game" "$out/icons" "$out/site"

echo "web/build.sh: the page is in $out/site"
ls -l "$out/site"
