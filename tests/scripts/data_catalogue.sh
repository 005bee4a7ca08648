#!/bin/bash
# Every picture the game loads is baked at its slot's size as a plain 24-bit
# BMP, for the shared folder and both missions, and the mission texts fit the
# text box (at most 21 lines of at most 62 characters).
source "$(dirname "$0")/lib/common.sh"
need "$build/gfx/shot.bmp"
check() {  # FILE W H: a 24-bit BMP of W x H pixels
    local w h bits
    [ -f "$build/$1" ] || { fail "missing: $1"; return; }
    read -r w h < <(od -An -t d4 -j 18 -N 8 "$build/$1")
    bits=$(od -An -t d2 -j 28 -N 2 "$build/$1" | tr -d ' ')
    [ "$w $h $bits" = "$2 $3 24" ] || fail "$1: $w x $h, $bits bits; expected $2 x $3, 24 bits"
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
    [ -f "$build/level$m/map.bmp" ] || fail "missing: level$m/map.bmp"
    for t in mission update complete; do
        f=$build/level$m/$t.txt
        [ -f "$f" ] || { fail "missing: level$m/$t.txt"; continue; }
        lines=$(wc -l < "$f"); long=$(awk 'length > 62' "$f" | wc -l)
        [ "$lines" -le 21 ] && [ "$long" = 0 ] || fail "level$m/$t.txt does not fit the text box"
    done
done
# The pictures drawn opaque (full power cell, block, barrier) must not use the
# mask colour, which would show as magenta: pixels B G R 255 0 255.
for f in gfx/square2 level1/scene/block level2/scene/block level1/scene/hbarrier2 level2/scene/hbarrier2; do
    od -An -v -t u1 -j 54 "$build/$f.bmp" | tr -s ' \n' '\n' | sed '/^$/d' | paste -d, - - - | grep -qx '255,0,255' &&
        fail "$f.bmp is drawn opaque but uses the mask colour"
done
# A left-facing frame is the mirror of the right-facing one: same bytes reversed per pixel row.
[ "$(cmp -s "$build/gfx/player/left/player_1.bmp" "$build/gfx/player/right/player_1.bmp"; echo $?)" = 1 ] ||
    fail "left and right player frames are identical"
finish "data catalogue: all good"
