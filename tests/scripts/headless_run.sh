#!/bin/bash
# One short scripted game on brastor-headless, run twice: the event lines
# follow the game (title, briefing, play, screenshot on "h" only, failed
# mission, final screen, end), the trace has one row per play frame, and two
# runs with the same seed and script agree bit for bit.
set -u
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
exe="$build/brastor-headless"
script="$source/tests/data/scripts/headless_play.txt"
[ -x "$exe" ] || { echo "no $exe"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# le32 N: N as four little-endian bytes.
le32() { printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)))"; }

# map_bmp FILE ROW...: a 24-bit bottom-up map picture, first row on top.
# '.' empty (white), '#' block (black), 'G' generator (grey), 'P' player start (magenta).
map_bmp() {
    local file=$1
    shift
    local width=${#1} height=$# pad row x i
    pad=$(((4 - width * 3 % 4) % 4))
    {
        printf 'BM'
        le32 $((54 + (width * 3 + pad) * height))
        le32 0
        le32 54
        le32 40
        le32 "$width"
        le32 "$height"
        printf '\x01\x00\x18\x00'
        for i in 1 2 3 4 5 6; do le32 0; done
        for ((i = height; i >= 1; i--)); do
            row=${!i}
            for ((x = 0; x < width; x++)); do
                case ${row:x:1} in
                    '#') printf '\x00\x00\x00' ;;
                    G) printf '\x80\x80\x80' ;;
                    P) printf '\xff\x00\xff' ;;
                    *) printf '\xff\xff\xff' ;;
                esac
            done
            for ((x = 0; x < pad; x++)); do printf '\x00'; done
        done
    } >"$file"
}

# A small data folder of our own: a map with a floor and a generator (so the
# objective stays unmet) and mission texts; the pictures are missing (light
# green).
data="$work/data"
mkdir -p "$data/level1" "$data/level2"
map_bmp "$data/level1/map.bmp" \
    "G..................." \
    "#..................." \
    "....P..............." \
    "...................." \
    "####################"
printf 'Mission 1\r\n\r\nHold on.\r\n' >"$data/level1/mission.txt"
printf 'Done.\n' >"$data/level1/complete.txt"

# run NAME DATA: plays the script in its own working folder.
run() {
    mkdir -p "$work/$1"
    (cd "$work/$1" && "$exe" --data "$2" --seed 7 --script "$script" --trace trace.txt \
        --max-ticks 20000 >events.txt 2>errors.txt)
    local status=$?
    [ $status -eq 0 ] || fail "$1: status $status: $(cat "$work/$1/errors.txt")"
}

# events NAME: the event lines without their tick and frame numbers.
events() { sed 's/^tick=[0-9]* frame=[0-9]* //' "$work/$1/events.txt"; }

check_game() {
    local name=$1
    local expected="event=title
event=mission-start mission=1
event=screenshot
event=mission-end mission=1 result=failed score=0
event=final score=0 high=0 new-high=0
event=title
event=end"
    [ "$(events "$name")" = "$expected" ] || fail "$name: events differ:
$(cat "$work/$name/events.txt")"
    grep -q '^tick=[0-9]* frame=[0-9]* event=' "$work/$name/events.txt" ||
        fail "$name: event lines lack tick and frame"

    local trace="$work/$name/trace.txt"
    [ "$(head -1 "$trace")" = "frame mission viewX viewY power diamonds score missionResult objectiveMet" ] ||
        fail "$name: trace header: $(head -1 "$trace")"
    # Frames count from 1 without a gap; only the last one has failed.
    awk 'NR > 1 && ($1 != NR - 1 || NF != 9) { bad = 1 } END { exit bad }' "$trace" ||
        fail "$name: trace rows are not numbered 1, 2, 3, ..."
    [ "$(tail -1 "$trace" | awk '{ print $2, $8 }')" = "1 1" ] ||
        fail "$name: last trace row is not mission 1 failed: $(tail -1 "$trace")"
    [ "$(awk 'NR > 1 && $8 != 0' "$trace" | wc -l)" -eq 1 ] ||
        fail "$name: more than one frame after the mission was decided"
    local frames
    frames=$(($(wc -l <"$trace") - 1))
    grep -q "event=mission-end" "$work/$name/events.txt" &&
        [ "$(grep 'event=mission-end' "$work/$name/events.txt" | sed 's/.*frame=\([0-9]*\).*/\1/')" = "$frames" ] ||
        fail "$name: the mission did not end at the last traced frame"

    for f in cap1.bmp cap2.bmp screen.bmp; do
        [ "$(stat -c %s "$work/$name/$f" 2>/dev/null)" = "921654" ] ||
            fail "$name: $f is not a 640 x 480 24-bit picture"
    done
}

run first "$data"
run second "$data"
check_game first
check_game second
for f in events.txt trace.txt cap1.bmp cap2.bmp screen.bmp; do
    cmp -s "$work/first/$f" "$work/second/$f" || fail "two runs differ in $f"
done

# The same with the game's own data, where enemies fire at random.
if [ -f "$build/level1/map.bmp" ] && [ -d "$build/gfx" ]; then
    run real1 "$build"
    run real2 "$build"
    for f in events.txt trace.txt cap1.bmp cap2.bmp screen.bmp; do
        cmp -s "$work/real1/$f" "$work/real2/$f" || fail "two runs on the game's data differ in $f"
    done
    grep -q 'event=mission-start mission=1' "$work/real1/events.txt" || fail "real data: no mission start"
fi

[ $failures -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "ok"
