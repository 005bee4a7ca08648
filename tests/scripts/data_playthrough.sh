#!/bin/bash
# The committed input scripts of data/scripts/ win both missions and a whole
# game on the baked data with seed 1: every event in order and the exact
# scores. A change to a map, a speed, an enemy or a random draw that breaks
# a route shows here as a different event list.
set -u
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
exe="$build/brastor-headless"
scripts="$source/data/scripts"
[ -x "$exe" ] || { echo "no $exe"; exit 77; }
[ -f "$build/level1/map.bmp" ] && [ -f "$build/level2/map.bmp" ] || { echo "no baked data in $build"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Mission 2 alone: a data folder whose level1 is level2, so that the first
# mission (no generators) ends at once and mission 2 is the cave mission.
mkdir "$work/caves"
ln -s "$build/gfx" "$work/caves/gfx"
ln -s "$build/level2" "$work/caves/level1"
ln -s "$build/level2" "$work/caves/level2"

# play NAME DATA EXPECTED: runs data/scripts/NAME.keys and compares its
# events without their tick and frame counts.
play() {
    local name=$1 data=$2 expected=$3
    (cd "$work" && "$exe" --data "$data" --seed 1 --script "$scripts/$name.keys" \
        --trace "$name.trace" --max-ticks 20000 >"$name.events" 2>"$name.errors")
    local status=$?
    [ $status -eq 0 ] || fail "$name: status $status: $(cat "$work/$name.errors")"
    local actual
    actual=$(sed 's/^tick=[0-9]* frame=[0-9]* //' "$work/$name.events")
    [ "$actual" = "$expected" ] || fail "$name: events differ, got:
$(cat "$work/$name.events")"
}

play mission1 "$build" "event=title
event=mission-start mission=1
event=objective mission=1
event=mission-end mission=1 result=completed score=429
event=end"

play mission2 "$work/caves" "event=title
event=mission-start mission=1
event=objective mission=1
event=mission-end mission=1 result=completed score=200
event=mission-start mission=2
event=objective mission=2
event=mission-end mission=2 result=completed score=578
event=end"

play game "$build" "event=title
event=mission-start mission=1
event=objective mission=1
event=mission-end mission=1 result=completed score=429
event=mission-start mission=2
event=objective mission=2
event=mission-end mission=2 result=completed score=807
event=final score=807 high=0 new-high=1
event=title
event=end"

# Every mission ends with power to spare: the routes do not hang on one
# lucky enemy shot. Trace columns: frame mission viewX viewY power ...
for name in mission1 mission2 game; do
    [ -f "$work/$name.trace" ] || continue
    lowest=$(awk 'NR > 1 && (low == "" || $5 < low) { low = $5 } END { print low }' "$work/$name.trace")
    [ -n "$lowest" ] && [ "$lowest" -ge 2 ] || fail "$name: power fell to ${lowest:-nothing}"
done

# Mission 2 loses power in the spike pit on purpose and wins it back from
# both crystals, the one over the pit and the one on the turret's shelf.
rises=$(awk 'NR > 2 && $5 > last { n++ } NR > 1 { last = $5 } END { print n + 0 }' "$work/mission2.trace")
[ "$rises" = 2 ] || fail "mission2: power rose $rises times, expected 2 (both crystals)"

[ $failures -eq 0 ] || exit 1
echo "ok"
