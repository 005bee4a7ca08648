#!/bin/bash
# Golden frames, each compared with tests/golden/NAME.bmp (BRASTOR_UPDATE_GOLDEN=1
# rewrites them). On the baked data, along data/scripts/game.keys: the title,
# the player in the air (the tile rows scrolled by part of a cell, midair), a
# broken block's sparks (burst), the frames at its "# screenshot: mission 1"
# and "mission 2" marks, and the
# final screen over mission 2's dimmed "complete.txt" box (won); mission 2 at
# its start (doors: door A's picture, key A, a swan). On the test mission lost
# through power, the second final screen, whose score equals the high score,
# so no "New High Score!" (final).
source "$(dirname "$0")/lib/common.sh"
keys="$source/data/scripts"
need "$exe" "$build/level2/map.bmp"
caves

awk '{ print }
    /^wait/ && !title { print "capture title.bmp"; title = 1 }
    /^wait/ { n += 1 } /^wait/ && n == 4 { print "capture midair.bmp" } /^wait/ && n == 7 { print "capture burst.bmp" }
    /^# screenshot: mission [12]$/ { print "capture mission" $4 ".bmp" }
    /"complete.txt" of mission 2/ { won = 1; next }
    won && /^wait/ { print "capture won.bmp\nquit"; exit }' "$keys/game.keys" >"$work/game.keys"
awk '{ print } /# mission 2 starts/ { start = 1; next }
    start && /^wait/ { print "capture doors.bmp\nquit"; exit }' "$keys/mission2.keys" >"$work/doors.keys"
game='wait 5\ntype space\nwait 5\ntype space\nwait 400\n'  # title, briefing, lost
printf "${game}type space\n${game}capture final.bmp\nquit\n" >"$work/final.keys"
cd "$work" || exit 1
"$exe" --data "$build" --seed 1 --script game.keys >/dev/null || { echo "FAIL: game run"; exit 1; }
"$exe" --data caves --seed 1 --script doors.keys >/dev/null || { echo "FAIL: mission 2 run"; exit 1; }
"$exe" --data "$source/tests/data/missions/fail" --seed 5 --script final.keys >/dev/null || { echo "FAIL: final run"; exit 1; }

for name in title midair burst mission1 mission2 won doors final; do
    if [ "${BRASTOR_UPDATE_GOLDEN:-}" = 1 ]; then
        cp "$name.bmp" "$source/tests/golden/$name.bmp"
    elif ! cmp -s "$name.bmp" "$source/tests/golden/$name.bmp"; then
        mkdir -p "$build/golden-actual"
        cp "$name.bmp" "$build/golden-actual/$name.bmp"
        fail "$name differs from tests/golden/$name.bmp (actual in $build/golden-actual)"
    fi
done
finish
