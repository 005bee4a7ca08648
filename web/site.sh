#!/usr/bin/env bash
# Puts the page together from a compiled game (brastor.js, brastor.wasm,
# brastor.data) and its icons (icon-180.png, icon-192.png, icon-512.png):
# the game's files renamed after their content's hash, index.html and the
# service worker filled in with those names, the manifest and the icons.
#
#   web/site.sh <game-folder> <icon-folder> <site-folder>
#
# The site folder keeps no file of an earlier build, and the page is written
# only after the files it names, the worker last.
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
cp "$icons"/icon-180.png "$icons"/icon-192.png "$icons"/icon-512.png "$here/manifest.webmanifest" "$site/"

# The level studio: its page and scripts, with its checker, player and tile
# pictures from the build.
rm -rf "$site/studio"
cp -r "$here/studio" "$site/studio"
cp -r "$game/studio/." "$site/studio/"
cp "$here/studio.html" "$site/"

sed -e "s/@BRASTOR_JS@/$js/" -e "s/@BRASTOR_WASM@/$wasm/" -e "s/@BRASTOR_DATA@/$data/" \
  "$here/index.html" >"$site/index.html.new"
mv "$site/index.html.new" "$site/index.html"

# The build's version covers every file the worker keeps.
cached=(index.html "$js" "$wasm" "$data" manifest.webmanifest icon-180.png icon-192.png icon-512.png
  studio.html $(cd "$site" && find studio -type f | sort))
version="$(cd "$site" && cat "${cached[@]}" | sha256sum | cut -c1-16)"
list="$(printf "'%s', " "${cached[@]}")"
sed -e "s/@VERSION@/$version/" -e "s|@FILES@|${list%, }|" "$here/sw.js" >"$site/sw.js.new"
mv "$site/sw.js.new" "$site/sw.js"
