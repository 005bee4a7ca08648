#!/bin/bash
# A test mission lost through power on brastor-headless: the player stands on
# two spike cells, loses one power every 50 frames, survives at power 0 and
# fails on the fifth loss at frame 250 with the 10 points of one diamond.
set -u
build=$1
source=$2
exe="$build/brastor-headless"
missions="$source/tests/data/missions"
[ -x "$exe" ] || { echo "no $exe"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
"$exe" --data "$missions/fail" --seed 5 --script "$missions/fail.txt" --trace trace.txt \
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
event=mission-end mission=1 result=failed score=10
event=final score=10 high=0 new-high=1
event=title
event=end"
actual=$(sed 's/^tick=[0-9]* frame=[0-9]* //' events.txt)
[ "$actual" = "$expected" ] || fail "events differ:
$(cat events.txt)"

# Trace columns: frame mission viewX viewY power diamonds score result objective.
# The frames at which the power changes, and the last frame.
changes=$(awk 'NR > 1 && $5 != last { print $1, $5, $8; last = $5 }' trace.txt)
expected_changes="1 4 0
50 3 0
100 2 0
150 1 0
200 0 0"
[ "$changes" = "$expected_changes" ] || fail "power changes differ: $changes"
[ "$(tail -1 trace.txt | awk '{ print $1, $5, $7, $8 }')" = "250 0 10 1" ] ||
    fail "last frame: $(tail -1 trace.txt)"

[ $failures -eq 0 ] || exit 1
echo "ok"
