#!/bin/bash
# The README's pictures from the real game: the title screen, each mission
# in play and each weapon in use, at the points marked "# screenshot: ..." in
# data/scripts/game.keys, captured by brastor-headless (seed 1) on the
# baked data of a build folder and turned into PNG with ImageMagick.
#
# usage: tools/screenshots.sh BUILD-DIR [OUT-DIR]   (OUT-DIR defaults to docs/)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
[ $# -ge 1 ] || { echo "usage: $0 BUILD-DIR [OUT-DIR]" >&2; exit 2; }
build=$(cd "$1" && pwd)
out=${2:-$here/docs}
exe="$build/brastor-headless"
game="$here/data/scripts/game.keys"
[ -x "$exe" ] || { echo "$0: no $exe (build the project first)" >&2; exit 1; }
command -v convert >/dev/null || { echo "$0: ImageMagick's convert is needed" >&2; exit 1; }
mkdir -p "$out"
out=$(cd "$out" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# shoot NAME SCRIPT: runs SCRIPT, which captures shot.bmp, and writes NAME.png.
shoot() {
    local name=$1 script=$2
    rm -f "$work/shot.bmp"
    (cd "$work" && "$exe" --data "$build" --seed 1 --script "$script" --max-ticks 20000 >/dev/null)
    [ -f "$work/shot.bmp" ] || { echo "$0: no picture for $name" >&2; exit 1; }
    convert "$work/shot.bmp" -strip -define png:compression-level=9 "$out/$name.png"
    echo "$out/$name.png"
}

printf 'wait 5\ncapture shot.bmp\nquit\n' >"$work/title.keys"
shoot title "$work/title.keys"

# PICTURE:MARKER pairs; the game is played up to the marker's line.
for pair in "mission1:mission 1" "mission2:mission 2" "shots:shots" "streamer:streamer"; do
    name=${pair%%:*}
    marker="# screenshot: ${pair#*:}"
    grep -qx "$marker" "$game" || { echo "$0: no '$marker' in $game" >&2; exit 1; }
    awk -v marker="$marker" '$0 == marker { exit } { print }' "$game" >"$work/$name.keys"
    printf 'capture shot.bmp\nquit\n' >>"$work/$name.keys"
    shoot "$name" "$work/$name.keys"
done
