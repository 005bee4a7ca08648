#!/bin/bash
# The committed input scripts of data/scripts/ win both missions and a whole
# game on the baked data with seed 1: every event in order and the exact
# scores. A change to a map, a speed, an enemy or a random draw that breaks
# a route shows here as a different event list.
source "$(dirname "$0")/lib/common.sh"
scripts="$source/data/scripts"
need "$exe" "$build/level1/map.bmp" "$build/level2/map.bmp"

caves

# play NAME DATA EVENTS: data/scripts/NAME.keys, seed 1 (play_events).
play() { play_events "$1" "$2" 1 "$scripts/$1.keys" "$3"; }
won1="event=title|event=mission-start mission=1|event=objective mission=1|event=mission-end mission=1 result=completed"
play mission1 "$build" "$won1 score=429|event=end"
play mission2 "$work/caves" "$won1 score=200|event=mission-start mission=2|event=objective mission=2|"\
"event=mission-end mission=2 result=completed score=578|event=end"
play game "$build" "$won1 score=429|event=mission-start mission=2|event=objective mission=2|"\
"event=mission-end mission=2 result=completed score=807|event=final score=807 high=0 new-high=1|event=title|event=end"

# Every mission ends with power to spare: the routes do not hang on one
# lucky enemy shot. Trace columns: frame mission viewX viewY power ...
for name in mission1 mission2 game; do
    [ -f "$work/$name/trace.txt" ] || continue
    lowest=$(awk 'NR > 1 && (low == "" || $5 < low) { low = $5 } END { print low }' "$work/$name/trace.txt")
    [ -n "$lowest" ] && [ "$lowest" -ge 2 ] || fail "$name: power fell to ${lowest:-nothing}"
done

# Mission 2 loses power in the spike pit on purpose and wins it back from
# both crystals, the one over the pit and the one on the turret's shelf.
rises=$(awk 'NR > 2 && $5 > last { n++ } NR > 1 { last = $5 } END { print n + 0 }' "$work/mission2/trace.txt")
[ "$rises" = 2 ] || fail "mission2: power rose $rises times, expected 2 (both crystals)"

finish
