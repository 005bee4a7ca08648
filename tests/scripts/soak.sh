#!/bin/bash
# Soak: brastor-headless plays the baked missions for many frames with
# pseudo-random held keys, game after game, and must neither crash, nor draw a
# sanitizer report, nor allocate during play frames.
#   BRASTOR_SOAK_SEED    seed of the key generator (1; "clock" for a new one each run)
#   BRASTOR_SOAK_FRAMES  play frames (200000; 20000 in a sanitizer build)
source "$(dirname "$0")/lib/common.sh"
need "$exe" "$build/level1/map.bmp" "$build/level2/map.bmp"
frames=200000
grep -q '^BRASTOR_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null && frames=20000
frames=${BRASTOR_SOAK_FRAMES:-$frames}
seed=${BRASTOR_SOAK_SEED:-1}
[ "$seed" = clock ] && seed=$(( ($(date +%s) % 2147483646) + 1 ))
echo "soak: seed $seed, $frames frames (replay: BRASTOR_SOAK_SEED=$seed BRASTOR_SOAK_FRAMES=$frames)"

# Segments of held keys, each opened by a burst of Spaces that carries the
# game through any box waiting for one (a Space in play does nothing). Escape,
# every few thousand ticks right after a burst, gives up the mission so new
# games start; it is never held on the title, where it would quit.
awk -v seed="$seed" -v ticks=$((frames * 6 / 5)) '
function rnd(n) { state = (state * 16807) % 2147483647; return state % n }
BEGIN {
    state = seed % 2147483647; if (state <= 0) state = 1
    split("left right up down z x", keys, " ")
    nextEscape = 1000 + rnd(2000)
    for (t = 0; t < ticks;) {
        for (i = 0; i < 8; i++) print "type space\nwait 1"
        t += 8
        if (t >= nextEscape) {
            print "hold escape\nwait 1\nrelease escape"; t += 1
            nextEscape = t + 1500 + rnd(2000)
        }
        for (k = 1; k <= 6; k++) {
            odds = (keys[k] == "right") ? 60 : (keys[k] == "z") ? 50 : 30  # onwards through the level
            print (rnd(100) < odds ? "hold " : "release ") keys[k]
        }
        w = 5 + rnd(120)
        print "wait " w
        t += w
    }
    print "quit"
}' >"$work/script.txt"

# soak_run LABEL DATA FRAMES
soak_run() {
    "$exe" --data "$2" --seed "$seed" --script "$work/script.txt" --count-allocations \
        --max-ticks $(($3 * 6 / 5)) >"$work/out" 2>"$work/err" || fail "$1: exit status $?"
    grep -q 'runtime error\|ERROR: AddressSanitizer\|ERROR: LeakSanitizer' "$work/err" &&
        fail "$1: sanitizer report: $(head -40 "$work/err")"
    local played games line
    played=$(sed -n 's/.* frame=\([0-9]*\) event=end$/\1/p' "$work/out" | tail -1)
    games=$(grep -c 'event=final' "$work/out")
    line=$(grep '^allocations ' "$work/out")
    echo "soak $1: ${played:-0} frames, $games games ended, $line"
    [ "${played:-0}" -ge "$3" ] || fail "$1: only ${played:-0} of $3 frames played"
    [ "$games" -ge 2 ] || fail "$1: only $games games ended; the tables must carry across games"
    [[ "$line" =~ ^allocations\ play=0\ .*frames=[1-9] ]] || fail "$1: play frames allocated or went unwatched"
}

# Random keys seldom finish mission 1, so half the frames run on a copy whose
# mission 1 has mission 2's map: met at once, it ends at the beam, and the
# real mission 2 is played after it, game after game.
mkdir -p "$work/second"
cp -r "$build/gfx" "$build/level1" "$build/level2" "$work/second/"
cp "$build/level2/map.bmp" "$work/second/level1/map.bmp"
soak_run "mission 1" "$build" $((frames / 2))
soak_run "mission 2" "$work/second" $((frames - frames / 2))
[ $failures -eq 0 ] || echo "soak: replay with BRASTOR_SOAK_SEED=$seed BRASTOR_SOAK_FRAMES=$frames"
finish "soak: passed"
