#!/bin/bash
# Soak: brastor-headless plays the baked missions for many frames with
# pseudo-random held keys, across several games in a row, and must neither
# crash, nor draw a sanitizer report, nor allocate during play frames.
#   BRASTOR_SOAK_SEED    seed of the key generator (1; "clock" for a new one each run)
#   BRASTOR_SOAK_FRAMES  play frames (200000; 20000 in a sanitizer build)
set -u
build=$1
exe="$build/brastor-headless"
[ -x "$exe" ] || { echo "no $exe"; exit 77; }
[ -f "$build/level1/map.bmp" ] && [ -f "$build/level2/map.bmp" ] || {
    echo "no baked missions in $build"
    exit 77
}

sanitized=0
grep -q '^BRASTOR_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null && sanitized=1
if [ $sanitized -eq 1 ]; then default_frames=20000; else default_frames=200000; fi
frames=${BRASTOR_SOAK_FRAMES:-$default_frames}
seed=${BRASTOR_SOAK_SEED:-1}
[ "$seed" = clock ] && seed=$(( ($(date +%s) % 2147483646) + 1 ))
echo "soak: seed $seed, $frames frames (replay: BRASTOR_SOAK_SEED=$seed BRASTOR_SOAK_FRAMES=$frames)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The script: segments of held keys, each opened by a burst of Spaces that
# carries the game through any box waiting for one (final screen, title,
# briefing, mission texts; a Space in play does nothing). Escape, every few
# thousand ticks, gives up the mission so new games start; it is held only
# right after a burst, when the game is in play, never on the title (where it
# would quit).
ticks=$(( frames * 6 / 5 ))
awk -v seed="$seed" -v ticks="$ticks" '
function rnd(n) { state = (state * 16807) % 2147483647; return state % n }
BEGIN {
    state = seed % 2147483647; if (state <= 0) state = 1
    split("left right up down z x", keys, " ")
    t = 0
    nextEscape = 1000 + rnd(2000)
    while (t < ticks) {
        for (i = 0; i < 8; i++) { print "type space"; print "wait 1" }
        t += 8
        if (t >= nextEscape) {
            print "hold escape"; print "wait 1"; print "release escape"; t += 1
            nextEscape = t + 1500 + rnd(2000)
        }
        for (k = 1; k <= 6; k++) {
            # right more often than left, so play moves on through the level
            odds = (keys[k] == "right") ? 60 : (keys[k] == "z") ? 50 : 30
            print (rnd(100) < odds ? "hold " : "release ") keys[k]
        }
        w = 5 + rnd(120)
        print "wait " w
        t += w
    }
    print "quit"
}' >"$work/script.txt"

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# soak_run LABEL DATA FRAMES: one program run, its checks and its numbers.
soak_run() {
    local label=$1 data=$2 want=$3 start=$SECONDS
    "$exe" --data "$data" --seed "$seed" --script "$work/script.txt" --count-allocations \
        --max-ticks $((want * 6 / 5)) >"$work/out" 2>"$work/err"
    local status=$?
    echo "soak $label: $((SECONDS - start)) s"
    [ $status -eq 0 ] || fail "$label: exit status $status"
    if grep -q 'runtime error\|ERROR: AddressSanitizer\|ERROR: LeakSanitizer' "$work/err"; then
        fail "$label: sanitizer report:"
        head -40 "$work/err"
    fi
    local played games missions line play watched
    played=$(sed -n 's/.* frame=\([0-9]*\) event=end$/\1/p' "$work/out" | tail -1)
    games=$(grep -c 'event=final' "$work/out")
    missions=$(grep -c 'event=mission-start' "$work/out")
    echo "soak $label: ${played:-0} frames, $missions missions, $games games ended"
    [ "${played:-0}" -ge "$want" ] || fail "$label: only ${played:-0} of $want frames played"
    [ "$games" -ge 2 ] || fail "$label: only $games games ended; the tables must carry across games"
    line=$(grep '^allocations ' "$work/out")
    echo "soak $label: $line"
    play=$(sed -n 's/^allocations play=\([0-9]*\) .*/\1/p' <<<"$line")
    watched=$(sed -n 's/.* frames=\([0-9]*\) .*/\1/p' <<<"$line")
    [ -n "$play" ] || fail "$label: no allocation count from the runner"
    [ "${play:-1}" -eq 0 ] || fail "$label: play frames allocated $play times: $line"
    [ "${watched:-0}" -gt 0 ] || fail "$label: no play frame was watched for allocations"
    [ $failures -eq 0 ] || tail -5 "$work/out"
}

# Random keys seldom finish mission 1, so the other half of the frames runs
# on a copy whose mission 1 has mission 2's map: without generators its
# objective is met at once and the mission ends at the beam, so the real
# mission 2 (map, pictures, texts) is played after it, game after game.
mkdir -p "$work/second"
cp -r "$build/gfx" "$build/level1" "$build/level2" "$work/second/"
cp "$build/level2/map.bmp" "$work/second/level1/map.bmp"
soak_run "mission 1" "$build" $((frames / 2))
soak_run "mission 2" "$work/second" $((frames - frames / 2))

if [ $failures -ne 0 ]; then
    echo "soak: replay with BRASTOR_SOAK_SEED=$seed BRASTOR_SOAK_FRAMES=$frames"
    exit 1
fi
echo "soak: passed"
