#!/bin/bash
# Golden frames on the baked data: the title, mission 1 as the beam breaks its
# generator, mission 2 at its start (door A, key A, a swan) and under the
# turret with a hostage's message;
# on the test mission lost through power, the second final screen, whose score
# equals the high score (so no "New High Score!"). Each is compared with
# tests/golden/NAME.bmp; BRASTOR_UPDATE_GOLDEN=1 rewrites them.
set -u
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
exe="$build/brastor-headless"
keys="$source/data/scripts"
[ -x "$exe" ] && [ -f "$build/level2/map.bmp" ] || { echo "no runner or baked data in $build"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/caves"
ln -s "$build/gfx" "$work/caves/gfx"
ln -s "$build/level2" "$work/caves/level1"
ln -s "$build/level2" "$work/caves/level2"

# The routes of data/scripts cut short, with a capture at each moment.
{
    sed -n 1,7p "$keys/mission1.keys"
    echo "capture title.bmp"
    sed -n 8,20p "$keys/mission1.keys"
    printf 'wait 4\ncapture mission1.bmp\nquit\n'
} >"$work/one.keys"
{
    sed -n 1,21p "$keys/mission2.keys"
    echo "capture doors.bmp"
    sed -n 22,30p "$keys/mission2.keys"
    printf 'capture mission2.bmp\nquit\n'
} >"$work/two.keys"
game='wait 5\ntype space\nwait 5\ntype space\nwait 400\n'  # title, briefing, lost
printf "${game}type space\n${game}capture final.bmp\nquit\n" >"$work/final.keys"
cd "$work" || exit 1
"$exe" --data "$build" --seed 1 --script one.keys >/dev/null || { echo "FAIL: mission 1 run"; exit 1; }
"$exe" --data caves --seed 1 --script two.keys >/dev/null || { echo "FAIL: mission 2 run"; exit 1; }
"$exe" --data "$source/tests/data/missions/fail" --seed 5 --script final.keys >/dev/null || { echo "FAIL: final run"; exit 1; }

failures=0
for name in title mission1 doors mission2 final; do
    if [ "${BRASTOR_UPDATE_GOLDEN:-}" = 1 ]; then
        cp "$name.bmp" "$source/tests/golden/$name.bmp"
    elif ! cmp -s "$name.bmp" "$source/tests/golden/$name.bmp"; then
        mkdir -p "$build/golden-actual"
        cp "$name.bmp" "$build/golden-actual/$name.bmp"
        echo "FAIL: $name differs from tests/golden/$name.bmp (actual in $build/golden-actual)"
        failures=$((failures + 1))
    fi
done
[ $failures -eq 0 ] && echo ok
