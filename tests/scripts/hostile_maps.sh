#!/bin/bash
# Hostile maps: every map that tests/data/hostile/make_hostile.py writes
# (oversized, zero and negative sizes, lying headers, files cut short, enemies
# by the thousand, all solid, all contacts, markers on the grid's borders)
# replaces the missions' maps in a copy of the baked data, and brastor-headless
# plays it for a few hundred ticks; brastor-mapcheck checks it, routes and
# picture included, and may refuse it but not crash. Any crash, hang or
# sanitizer report fails. Enemy markers past those the game plays are
# reported once, not once per marker.
source "$(dirname "$0")/lib/common.sh"
check="$build/brastor-mapcheck"
need "$exe" "$check" "$build/level1" "$build/gfx"
python3 "$source/tests/data/hostile/make_hostile.py" "$work/maps" || { echo "FAIL: map generator"; exit 1; }
mkdir -p "$work/data"
cp -r "$build/gfx" "$build/level1" "$build/level2" "$work/data/"

# A burst of Spaces before each group of keys carries the game through any box
# waiting for one; a map without generators meets mission 1's objective at
# once and ends it at the beam, so mission 2 gets the same map and play goes on.
for keys in 'hold right\nhold z\nwait 60\nrelease z\nhold up\nhold x\nwait 40' 'release right\nhold left\nwait 40\nrelease up\nhold down\nwait 30' \
    'release x\nrelease down\nhold right\nhold up\nwait 60' quit; do
    for i in 1 2 3 4 5 6 7 8; do printf 'type space\nwait 1\n'; done
    printf "$keys\n"
done >"$work/script.txt"

count=0
for map in "$work/maps"/*.bmp; do
    name=$(basename "$map" .bmp)
    cp "$map" "$work/data/level1/map.bmp"
    cp "$map" "$work/data/level2/map.bmp"
    timeout 120 "$exe" --data "$work/data" --seed 7 --script "$work/script.txt" --max-ticks 2000 >"$work/out" 2>"$work/err"
    status=$?
    count=$((count + 1))
    problem=""
    [ $status -eq 0 ] || problem="exit status $status"
    grep -q 'runtime error\|ERROR: AddressSanitizer\|ERROR: LeakSanitizer' "$work/err" && problem="sanitizer report"
    grep -q 'event=mission-start mission=1' "$work/out" || problem="${problem:-mission 1 never started}"
    if [ -n "$problem" ]; then
        fail "$name: $problem"
        head -30 "$work/err"
    fi
    timeout 120 "$check" --mission 1 --picture "$work/map.png" "$map" >"$work/out" 2>"$work/err"
    status=$?
    [ $status -le 1 ] && ! grep -q 'runtime error\|AddressSanitizer\|LeakSanitizer' "$work/err" ||
        fail "$name: brastor-mapcheck status $status: $(head -5 "$work/err")"
    [ "$(wc -l <"$work/out")" -le 120 ] || fail "$name: brastor-mapcheck printed $(wc -l <"$work/out") lines"
    [ "$(grep -c 'enemy markers' "$work/out")" -le 1 ] || fail "$name: enemy markers reported more than once"
done
grep -q 'error \[1\]: 40000 enemy markers: only the first 61 are played' <("$check" --mission 1 "$work/maps/enemies-200x200.bmp") ||
    fail "enemies-200x200: the dropped markers not reported"
finish "$count hostile maps"
