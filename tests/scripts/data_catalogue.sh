#!/bin/bash
# Every picture the game loads is baked at its slot's size as a plain 24-bit
# BMP, for the shared folder and both missions, and the mission texts fit the
# text box (at most 21 lines of at most 62 characters).
set -u
build=$1
[ -f "$build/gfx/shot.bmp" ] || { echo "data not baked in $build"; exit 77; }
fail=0
le32() { od -An -t d4 -j "$2" -N 4 "$1" | tr -d ' '; }
le16() { od -An -t d2 -j "$2" -N 2 "$1" | tr -d ' '; }
check() {  # FILE W H
    local f=$build/$1
    if [ ! -f "$f" ]; then echo "missing: $1"; fail=1; return; fi
    local w h bits
    w=$(le32 "$f" 18); h=$(le32 "$f" 22); bits=$(le16 "$f" 28)
    if [ "$w" != "$2" ] || [ "$h" != "$3" ] || [ "$bits" != 24 ]; then
        echo "$1: ${w} x ${h}, ${bits} bits; expected $2 x $3, 24 bits"; fail=1
    fi
}
check gfx/shot.bmp 8 8
check gfx/blueshot.bmp 8 8
for n in 1 2 3 4 5 6; do
    check gfx/player/right/player_$n.bmp 52 64
    check gfx/player/left/player_$n.bmp 52 64
done
check gfx/player/right/crouch_1.bmp 52 64
check gfx/player/left/crouch_1.bmp 52 64
check gfx/player/ball.bmp 52 64
for f in bomb streamer square1 square2 dia_sml; do check gfx/$f.bmp 16 16; done
for f in diamond diamond2 transporter; do check gfx/$f.bmp 32 32; done
for m in 1 2; do
    for f in enemy/walker_l1 enemy/walker_r1 enemy/flyer1 enemy/turret_r1 enemy/turret_l1 enemy/spikes \
             enemy/snake1 scene/grass scene/block scene/rocktop scene/destructable scene/dark_floor \
             scene/hbarrier2 scene/vgirder1 scene/cavewall scene/plant1 scene/plant2 scene/flow \
             extra/swan-l1 extra/swan-l2 extra/swan-r1 extra/swan-r2 \
             collect/key1 collect/key2 collect/lock1 collect/lock2; do
        check level$m/$f.bmp 32 32
    done
    for f in scene/gen1 scene/gen3 collect/hostage1; do check level$m/$f.bmp 32 64; done
    [ -f "$build/level$m/map.bmp" ] || { echo "missing: level$m/map.bmp"; fail=1; }
    for t in mission update complete; do
        f=$build/level$m/$t.txt
        if [ ! -f "$f" ]; then echo "missing: level$m/$t.txt"; fail=1; continue; fi
        lines=$(wc -l < "$f"); long=$(awk 'length > 62' "$f" | wc -l)
        [ "$lines" -le 21 ] && [ "$long" = 0 ] || { echo "level$m/$t.txt does not fit the text box"; fail=1; }
    done
done
# The pictures drawn opaque (full power cell, block, barrier) must not use the
# mask colour, which would show as magenta: pixels B G R 255 0 255.
for f in gfx/square2 level1/scene/block level2/scene/block level1/scene/hbarrier2 level2/scene/hbarrier2; do
    od -An -v -t u1 -j 54 "$build/$f.bmp" | tr -s ' \n' '\n' | sed '/^$/d' | paste -d, - - - | grep -qx '255,0,255' &&
        { echo "$f.bmp is drawn opaque but uses the mask colour"; fail=1; }
done
# A left-facing frame is the mirror of the right-facing one: same bytes reversed per pixel row.
[ "$(cmp -s "$build/gfx/player/left/player_1.bmp" "$build/gfx/player/right/player_1.bmp"; echo $?)" = 1 ] ||
    { echo "left and right player frames are identical"; fail=1; }
[ $fail = 0 ] && echo "data catalogue: all good"
exit $fail
