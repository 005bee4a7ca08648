#!/bin/bash
# The map checker accepts both baked mission maps and refuses broken ones
# with the right message. Bad maps are written as map sources and baked, or
# checked straight from their source. Every target out of reach names its
# reason, a source's fault its line, and --picture draws the map.
source "$(dirname "$0")/lib/common.sh"
check=$build/brastor-mapcheck
bake=$build/tools/bake/brastor-bake
need "$check" "$bake"
# (Their enemy replays are mapcheck_routes.sh's.)
for n in 1 2; do
    "$check" --seeds 0 "$build/level$n/map.bmp" >"$work/good.log" 2>&1 || fail "mission $n map refused: $(cat "$work/good.log")"
done

# expect NAME STATUS PATTERN...: the baked map NAME gives STATUS and every pattern
expect() {
    local name=$1 status=$2 log="$work/$1.log"
    shift 2
    "$check" "$work/out/$name/map.bmp" >"$log" 2>&1
    local got=$?
    [ "$got" = "$status" ] || fail "$name: status $got, expected $status: $(cat "$log")"
    for pattern; do grep -q -- "$pattern" "$log" || fail "$name: no message matching '$pattern': $(cat "$log")"; done
}

mkdir -p "$work"/src/{level1,level2,nostart,near,crowd,unfair}
# Mission 1 without a generator; start marker floating over a hole.
cat > "$work/src/level1/map.map" <<'MAP'
map
........
...P....
........
###..###
MAP
# Mission 2 with two start markers and a platform over the start column.
cat > "$work/src/level2/map.map" <<'MAP'
map
..##....
..PP....
........
#h######
MAP
# No start marker at all; generator H on a block, half hidden.
printf 'map\n....\n.H..\n.#..\n####\n' > "$work/src/nostart/map.map"
# Smoothed diamonds from (3, 1) on and a smoothed wall at (0, 3): twenty
# cells, as many as are told one by one, so the wall is the last one told.
cat > "$work/src/near/map.map" <<'MAP'
legend
x 250 4 0
y 10 10 10
map
......................
.P.xxxxxxxxxxxxxxxxxxx
......................
y#####################
MAP
# 62 walkers: one too many.
{
    echo map
    printf '%s\n' "$(printf 'W%.0s' $(seq 62))..P."
    printf '%s\n' "$(printf '.%.0s' $(seq 66))"
    printf '%s\n' "$(printf '#%.0s' $(seq 66))"
} > "$work/src/crowd/map.map"
# Play rules: a turret firing through the generator's lower half, one with
# a wall on its left firing right through a scenery block, a walker walking
# into a scenery block (told as the map starts, with door A shut: not the
# one at (2, 4) behind it), diamonds in the cave wall (an empty cell there is
# fine), bombs falling down the hole at (9, 5) forever, a snake that meets
# a scenery block only after turning left.
cat > "$work/src/unfair/map.map" <<'MAP'
map
vdv.......F.
d#T.o.......
v.v...G.....
.P.........T
..ol.Wo.....
#########.##
#S..#.......
#o..#.......
#####.......
MAP
"$bake" "$work/src" "$work/out" >/dev/null || { echo "FAIL: baking the bad maps"; exit 1; }

expect level1 1 "needs at least one generator" "must stand two rows above a floor" "has no solid cell"
expect level2 1 "2 player start markers" "start marker at cell (3, 1), but its column is closed at cell (3, 0): open cell (3, 0)$" \
    "exit beam column 3: not searched"
[ "$(grep -c 'cell (3, 0)' "$work/level2.log")" = 1 ] || fail "level2: the closed start column told more than once"
expect nostart 1 "no player start marker" "cell (1, 1): generator H hangs into a solid cell below"
expect near 1 "cell (3, 1): colour (250, 4, 0) is near diamond" "cell (0, 3): colour (10, 10, 10) is near block"
expect unfair 1 "turret at cell (11, 3) fires through cell (6, 3), the lower half of the generator at (6, 2), which" \
    "walker at cell (5, 4) walks into cell (6, 4), a scenery block, which" \
    "pickup at cell (1, 0) sits in backdrop" "flyer at cell (10, 0): from cell (9, 0) its bombs fall out of the map in column 9" \
    "turret at cell (2, 1) fires through cell (4, 1)" "pickup at cell (0, 1) sits in backdrop" \
    "snake at cell (1, 6) walks into cell (1, 7), a scenery block" \
    "diamond (1, 0): reached"  # those faults do not stop the route search
grep -q "marker at cell (1, 2)" "$work/unfair.log" && fail "unfair: an empty cell taken for a marker"
expect crowd 1 "62 enemy markers: only the first 61 are played.*drops the other 1, from cell (61, 0) on"
[ "$(grep -c 'enemy markers' "$work/crowd.log")" = 1 ] || fail "crowd: the dropped walker reported more than once"

# Reasons: one map a block (mission, status, the line expected, then the rows),
# checked from its source; missions 2 have a hostage within reach.
reasons=0
while read -r mission status want; do
    reasons=$((reasons + 1))
    { echo map; while IFS= read -r row && [ -n "$row" ]; do echo "$row"; done; } >"$work/reason$reasons.map"
    "$check" --mission "$mission" "$work/reason$reasons.map" >"$work/reason.log" 2>&1 </dev/null
    got=$?
    [ $got = "$status" ] && grep -q -- "$want" "$work/reason.log" || fail "reason $reasons: status $got, no '$want': $(cat "$work/reason.log")"
done <<'TABLE'
2 0 key A (9, 3): warning \[1\]: unreachable: behind door A at (9, 2), and key A is reached only through that door
............
#..........#
#.P..h..lll#
#.......lkl#
############

2 0 diamond (6, 1): warning \[1\]: unreachable: higher than the jump from every floor nearby, by 17 pixels
............
#.....d....#
#..........#
#..........#
#..........#
#..........#
#.P....h...#
#..........#
############

1 1 generator (7, 2): error \[1\]: unreachable: needs the streamer, but no diamond can be reached before it
............
#..........#
#.P....G...#
#..........#
############

1 3 generator (10, 1): unresolved \[1\]: inconclusive: the search stopped after 2 map changes, every order of them tried, each made by its fewest-frames route (what it saw: in the beam's reach, but it takes 39 frames of beam (2 diamonds' charge), more than the diamonds reached before it hold
..............
#.........G..#
#............#
#............#
#............#
#............#
#.Pd.........#
#............#
##############

2 0 power crystal (11, 2): warning \[1\]: unreachable: enclosed by solid cells
.............
#.........###
#.P..h....#c#
#.........###
#############

2 0 diamond (8, 3): warning \[1\]: unreachable: higher than the jump: the ledge it stands on, (7, 4) to (9, 4), is 16 pixels over the jump's reach from the floor beside it; lower it by 1 cell$
..............
#............#
#............#
#.......d....#
#......###...#
#............#
#.P.......h..#
#............#
##############

2 1 diamond (10, 1): warning \[1\]: inconclusive: the search stopped after 2 map changes, every order of them tried, each made by its fewest-frames route (what it saw: behind door A at (9, 0): key A is reached, but no route through that door leads to it
#.......lll.#
#.P..k..l.d.#
#.......l...#
#ggggggggggg#
#############

2 0 diamond (10, 5): warning \[1\]: unreachable: no route leads into its column, 10
..............
#......#.....#
#......#.....#
#.P....#.....#
#...h..#.....#
###....#..d..#
##############
TABLE
[ $reasons = 8 ] || fail "reasons: $reasons of the table's 8 maps checked"

# A source's fault names its file and line; the rest of the map is still
# checked, quickly: --no-routes leaves the search out.
printf 'map\n.P..\n.x..\n####\n' >"$work/typo.map"
"$check" --no-routes --mission 2 "$work/typo.map" >"$work/typo.log" 2>&1; got=$?
[ $got = 1 ] && grep -q "^error: $work/typo.map:3: unknown map character 'x' in column 2" "$work/typo.log" &&
    grep -q "needs at least one hostage" "$work/typo.log" && ! grep -q '^routes' "$work/typo.log" || fail "typo.map: status $got: $(cat "$work/typo.log")"

# --picture: a PNG of 32 pixels a cell for a small map and its legend (two routes in their colours,
# a numbered finding), its pixels as they were checked by eye; after an
# intended change, look at the new picture and put its digest here.
printf 'map\n..............\n#............#\n#.......h.lll#\n#.P.......lkl#\n#......###lll#\n##############\n' >"$work/picture.map"
# No --mission: a map of a hostage and no generator is checked as mission 2's.
"$check" --picture "$work/picture.png" "$work/picture.map" >/dev/null 2>&1
got=$(python3 "$source/tests/scripts/lib/png_pixels.py" "$work/picture.png" 2>&1)
[ "$got" = "448 240 2dc2b581e81cc1be" ] || fail "--picture: a 448 x 240 PNG with the known pixels expected, got: $got"
# --help and -h: status 0 and exactly the options of the README's table under "Making levels".
want=$(awk '/^## /{on = index($0, "Making levels") > 0} on && /^\| `-/' "$source/README.md" |
    cut -d'|' -f2 | grep -o '`-[^` ]*' | tr -d '`' | sort)
for flag in --help -h; do
    "$check" "$flag" > "$work/help.txt" 2>&1; got=$?
    options=$(awk -F'  ' '/^  -/ {print $2}' "$work/help.txt" | grep -o -- '-[-a-z]*' | sort)
    [ $got = 0 ] && [ -n "$want" ] && [ "$options" = "$want" ] ||
        fail "$flag: status $got, options '$options' against the README's '$want'"
done
"$check" >/dev/null 2>&1; [ $? = 2 ] || fail "no argument: expected status 2"
"$check" --bogus x >/dev/null 2>&1; [ $? = 2 ] || fail "unknown option: expected status 2"
"$check" --mission 3 "$work/picture.map" >/dev/null 2>"$work/err"; got=$?
[ $got = 2 ] && grep -qF "bad value '3' for --mission (1 or 2)" "$work/err" || fail "--mission 3: status $got: $(cat "$work/err")"
finish "mapcheck: all good"
