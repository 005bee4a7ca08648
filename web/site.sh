#!/usr/bin/env bash
# Puts the page together from a compiled game (brastor.js, brastor.wasm,
# brastor.data) and its icons (icon-180.png, icon-192.png, icon-512.png,
# icon-maskable-512.png): the game's files renamed after their content's
# hash, index.html and the service worker filled in with those names, the
# manifest and the icons; beside every text-like file its gzip (.gz) and
# brotli (.br) copy for servers that send those as they are.
#
#   web/site.sh <game-folder> <icon-folder> <site-folder>
#
# The site folder keeps no file of an earlier build, and the page is written
# only after the files it names, the worker last. The worker keeps every file
# of the site but itself, so a page added beside the game needs no change here.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
game="$1" icons="$2" site="$3"
mkdir -p "$site"

# brastor.<first 16 hex digits of the SHA-256>.<extension>
hashed() { echo "brastor.$(sha256sum "$1" | cut -c1-16).${1##*.}"; }
js="$(hashed "$game/brastor.js")"
wasm="$(hashed "$game/brastor.wasm")"
data="$(hashed "$game/brastor.data")"

find "$site" -maxdepth 1 -type f -name 'brastor.*' -delete
cp "$game/brastor.js" "$site/$js"
cp "$game/brastor.wasm" "$site/$wasm"
cp "$game/brastor.data" "$site/$data"
cp "$icons"/icon-*.png "$here/manifest.webmanifest" "$site/"

# The level studio: its page and scripts, with its checker, player and tile
# pictures from the build.
rm -rf "$site/studio"
cp -r "$here/studio" "$site/studio"
cp -r "$game/studio/." "$site/studio/"
cp "$here/studio.html" "$site/"

sed -e "s/@BRASTOR_JS@/$js/" -e "s/@BRASTOR_WASM@/$wasm/" -e "s/@BRASTOR_DATA@/$data/" \
  "$here/index.html" >"$site/index.html.new"
mv "$site/index.html.new" "$site/index.html"

# Precompressed copies, written before the worker that names the build.
# PNG is compressed already. Brotli only where Debian's tool is installed.
compress() {
  gzip -9 -n -k -f "$1"
  if command -v brotli >/dev/null; then brotli -q 11 -k -f "$1"; else rm -f "$1.br"; fi
}

# The worker's list: the page first, then every other file of the site.
cached=(index.html)
while IFS= read -r name; do cached+=("$name"); done < <(cd "$site" && find . -type f \
  ! -path ./index.html ! -path ./sw.js ! -name '*.gz' ! -name '*.br' ! -name '*.new' -printf '%P\n' | LC_ALL=C sort)
for name in "${cached[@]}"; do
  case "$name" in *.png) ;; *) compress "$site/$name" ;; esac
done
version="$(cd "$site" && cat "${cached[@]}" | sha256sum | cut -c1-16)"
quoted() { local list; list="$(printf "'%s', " "$@")"; echo "${list%, }"; }
sed -e "s/@VERSION@/$version/" -e "s|@FILES@|$(quoted "${cached[@]}")|" -e "s/@HASHED@/$(quoted "$js" "$wasm" "$data")/" \
  "$here/sw.js" >"$site/sw.js.new"
mv "$site/sw.js.new" "$site/sw.js"
compress "$site/sw.js"
