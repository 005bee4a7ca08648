#!/usr/bin/env bash
# Installs the game into a temporary prefix and into a scratch root from the
# Debian package, then runs each installed brastor-headless from an unrelated
# folder: it must find its data and write its capture into that folder.
source "$(dirname "$0")/lib/common.sh"
set -eo pipefail
tmp=$work

run_installed() {  # $1 = bin folder
    mkdir -p "$tmp/work"
    printf 'wait 5\ncapture shot.bmp\nquit\n' > "$tmp/work/script.txt"
    (cd "$tmp/work" && rm -f shot.bmp && "$1/brastor-headless" --script script.txt > log.txt)
    size=$(stat -c %s "$tmp/work/shot.bmp")
    [ "$size" -eq 921654 ] || { echo "capture has $size bytes"; exit 1; }
    grep -q 'event=title' "$tmp/work/log.txt" || { echo "no title event"; cat "$tmp/work/log.txt"; exit 1; }
}

cmake --install "$build" --prefix "$tmp/prefix" > /dev/null
for f in bin/brastor-headless share/brastor/gfx share/brastor/level1/map.bmp share/brastor/level2/map.bmp \
         share/applications/brastor.desktop share/icons/hicolor/64x64/apps/brastor.png; do
    [ -e "$tmp/prefix/$f" ] || { echo "missing after install: $f"; exit 1; }
done
run_installed "$tmp/prefix/bin"
# Through a link in another folder, as a player's own bin folder would hold it.
mkdir -p "$tmp/links" && ln -s "$tmp/prefix/bin/brastor-headless" "$tmp/links/brastor-headless"
run_installed "$tmp/links"

if command -v dpkg-deb > /dev/null; then
    (cd "$build" && cpack -G DEB -B "$tmp/deb" > /dev/null)
    deb=$(ls "$tmp"/deb/*.deb)
    dpkg-deb -f "$deb" Depends | grep -q libsdl2 || { echo "package does not depend on SDL2"; exit 1; }
    dpkg-deb -x "$deb" "$tmp/root"
    run_installed "$tmp/root/usr/bin"
fi
echo "install and package: ok"
