#!/bin/bash
# Whole games on brastor-headless, events and trace rows against what they must be:
# - a short game on the baked data (screenshot on "h" only, Escape fails the
#   mission), played twice: the two runs agree bit for bit;
# - a test mission lost through power: two spike cells take one power every 50
#   frames, the player survives at 0 and fails on the fifth loss, frame 250;
# - two test missions won: a generator broken by the streamer and the beam
#   taken (diamond 10 + two beam cells 200), then a hostage rescued (10 + 200).
# Trace columns: frame mission viewX viewY power diamonds score result objective clock.
source "$(dirname "$0")/lib/common.sh"
missions="$source/tests/data/missions"
need "$exe" "$build/level1/map.bmp"

rows() { awk "NR > 1 $2 { print $3 }" "$work/$1/trace.txt"; }

short="event=title|event=mission-start mission=1|event=screenshot|event=mission-end mission=1 result=failed score=0|"\
"event=final score=0 high=0 new-high=0|event=title|event=end"
play_events run1 "$build" 7 "$source/tests/data/scripts/headless_play.txt" "$short"
play_events run2 "$build" 7 "$source/tests/data/scripts/headless_play.txt" "$short"
for f in events.txt trace.txt cap1.bmp cap2.bmp screen.bmp; do
    cmp -s "$work/run1/$f" "$work/run2/$f" || fail "two runs differ in $f"
done
[ "$(head -1 "$work/run1/trace.txt")" = "frame mission viewX viewY power diamonds score missionResult objectiveMet clockMs" ] ||
    fail "trace header: $(head -1 "$work/run1/trace.txt")"
# One row a frame from 1 on; only the last decides the mission, at the mission-end event.
[ "$(rows run1 '&& ($1 != NR - 1 || NF != 10 || $8 != 0)' '$1, $8')" = "$(($(wc -l <"$work/run1/trace.txt") - 1)) 1" ] ||
    fail "trace rows: $(tail -2 "$work/run1/trace.txt")"
grep -q "frame=$(tail -1 "$work/run1/trace.txt" | cut -d' ' -f1) event=mission-end" "$work/run1/events.txt" ||
    fail "the mission did not end at the last traced frame"
# A play frame takes 15 ms of the clock.
[ "$(awk 'NR > 2 && $10 - last != 15 { print $1 } { last = $10 }' "$work/run1/trace.txt")" = "" ] ||
    fail "frames not 15 ms apart: $(head -3 "$work/run1/trace.txt")"

play_events fail "$missions/fail" 5 "$missions/fail.txt" "event=title|event=mission-start mission=1|"\
"event=mission-end mission=1 result=failed score=10|event=final score=10 high=0 new-high=1|event=title|event=end"
[ "$(awk 'NR > 1 && $5 != last { print $1, $5, $8; last = $5 }' "$work/fail/trace.txt" | tr '\n' ,)" = \
    "1 4 0,50 3 0,100 2 0,150 1 0,200 0 0," ] || fail "power changes: $(rows fail '' '$1, $5')"
[ "$(tail -1 "$work/fail/trace.txt" | awk '{ print $1, $5, $7, $8 }')" = "250 0 10 1" ] ||
    fail "last frame: $(tail -1 "$work/fail/trace.txt")"

play_events win "$missions/win" 11 "$missions/win.txt" "event=title|event=mission-start mission=1|"\
"event=objective mission=1|event=mission-end mission=1 result=completed score=210|event=mission-start mission=2|"\
"event=objective mission=2|event=mission-end mission=2 result=completed score=420|"\
"event=final score=420 high=0 new-high=1|event=title|event=end"
# Mission 1: the generator goes on the third beam frame, the beam is taken on
# the next; mission 2 is met on its first frame and left on its second.
[ "$(rows win '' '$1, $2, $7, $8, $9' | tr '\n' ,)" = "1 1 10 0 0,2 1 10 0 0,3 1 10 0 1,4 1 210 2 1,5 2 220 0 1,6 2 420 2 1," ] ||
    fail "win trace: $(cat "$work/win/trace.txt")"

finish
