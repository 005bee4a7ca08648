#!/bin/bash
# Both test missions played to their end on brastor-headless: mission 1 won by
# breaking its generator with the streamer and taking the exit beam (diamond 10
# + two beam cells 200), mission 2 by rescuing its hostage (10 + 200); the
# final screen shows 420 as a new high score.
set -u
build=$1
source=$2
exe="$build/brastor-headless"
missions="$source/tests/data/missions"
[ -x "$exe" ] || { echo "no $exe"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
"$exe" --data "$missions/win" --seed 11 --script "$missions/win.txt" --trace trace.txt \
    --max-ticks 5000 >events.txt 2>errors.txt
status=$?
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
[ $status -eq 0 ] || fail "status $status: $(cat errors.txt)"

expected="event=title
event=mission-start mission=1
event=objective mission=1
event=mission-end mission=1 result=completed score=210
event=mission-start mission=2
event=objective mission=2
event=mission-end mission=2 result=completed score=420
event=final score=420 high=0 new-high=1
event=title
event=end"
actual=$(sed 's/^tick=[0-9]* frame=[0-9]* //' events.txt)
[ "$actual" = "$expected" ] || fail "events differ:
$(cat events.txt)"

# Mission 1: the generator goes on the third beam frame and the beam is taken
# on the next; mission 2 is met on its first frame and left on its second.
# Trace columns: frame mission viewX viewY power diamonds score result objective.
rows=$(awk 'NR > 1 { print $1, $2, $7, $8, $9 }' trace.txt)
expected_rows="1 1 10 0 0
2 1 10 0 0
3 1 10 0 1
4 1 210 2 1
5 2 220 0 1
6 2 420 2 1"
[ "$rows" = "$expected_rows" ] || fail "trace differs:
$(cat trace.txt)"

[ $failures -eq 0 ] || exit 1
echo "ok"
