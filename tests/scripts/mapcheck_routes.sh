#!/bin/bash
# brastor-mapcheck's route search on two drawn maps and on both shipped missions.
# Every route it claims is played on brastor-headless on a copy of the map
# without enemies, and the trace must show the claim in the frame it names:
# the player's box on the target, the objective met (a generator, with the
# other generators turned into plain breakable blocks) or the mission won.
source "$(dirname "$0")/lib/common.sh"
check="$build/brastor-mapcheck"
bake="$build/tools/bake/brastor-bake"
need "$check" "$exe" "$bake"

# bake NAME MISSION: the map rows on standard input (enemies dropped) become
# $work/NAME/level<MISSION>/map.bmp; mission 2 also gets the map as its
# stand-in mission 1, which is won on its second frame.
bake() {
    mkdir -p "$work/src-$1/level$2"
    { echo map; sed 's/[WFTSN]/./g'; } >"$work/src-$1/level$2/map.map"
    [ "$2" = 2 ] && cp -r "$work/src-$1/level2" "$work/src-$1/level1"
    "$bake" "$work/src-$1" "$work/$1" >/dev/null || fail "$1: bake"
}

# replay NAME MISSION ROWS_FILE: plays every script in $work/NAME-keys.
replay() {
    local name=$1 mission=$2 rows=$3 script frame what x y data
    for script in "$work/$name-keys"/*.keys; do
        read -r _ _ _ _ _ frame what x y < <(grep '^# expect: ' "$script")
        data="$work/$name"
        if [ "$what" = breaks ]; then
            # Only this generator counts: the others become breakable blocks.
            data="$work/$name-$x-$y"
            awk -v X="$x" -v Y="$y" '{ for (i = 1; i <= length($0); ++i) { c = substr($0, i, 1);
                if ((c == "G" || c == "H") && (i - 1 != X || NR - 1 != Y)) c = "b"; printf "%s", c } print "" }' \
                "$rows" | bake "$name-$x-$y" "$mission"
        fi
        "$exe" --data "$data" --script "$script" --trace "$work/trace.txt" --max-ticks $((frame * 2 + 400)) \
            >/dev/null 2>"$work/errors.txt" || fail "$script: $(cat "$work/errors.txt")"
        # Trace: frame mission viewX viewY power diamonds score result objective,
        # the view as the frame began; the mission's own frames are counted.
        awk -v M="$mission" -v F="$frame" -v W="$what" -v X="$x" -v Y="$y" '
            $2 == M { n += 1 }
            $2 == M && n == F - 1 { before = $0 }
            $2 == M && n == F {
                split(before, b, " "); px = $3 + 288; py = $4 + 288
                if (W == "touches") ok = px <= 32 * X - 1 && px + 51 >= 32 * X - 32 && py <= 32 * Y - 1 && py + 63 >= 32 * Y - 32
                if (W == "breaks") ok = $9 == 1 && b[9] == 0
                if (W == "exit") ok = $8 == 2 && b[8] == 0
            }
            END { exit ok ? 0 : 1 }' "$work/trace.txt" || fail "$(basename "$script"): not confirmed in frame $frame"
    done
}

# routes NAME MISSION ROWS_FILE STATUS [OPTIONS]: checks, keeps the output, replays.
routes() {
    local name=$1 mission=$2 rows=$3 status=$4
    shift 4
    bake "$name" "$mission" <"$rows"
    "$check" --routes "$@" --emit-script "$work/$name-keys" "$work/$name/level$mission/map.bmp" >"$work/$name.out"
    local got=$?
    [ $got -eq "$status" ] || fail "$name: status $got (expected $status): $(cat "$work/$name.out")"
    [ "$(grep -c ': reached' "$work/$name.out")" = "$(ls "$work/$name-keys" | wc -l)" ] ||
        fail "$name: not one script per reached target"
    replay "$name" "$mission" "$rows"
}

# Mission 1: a diamond far above any floor, key A shut in by its own doors,
# and a wall under the start plateau that the player cannot climb back.
cat >"$work/three.txt" <<'EOF'
....................
#..................#
#..................#
#...............d..#
#..................#
#.P................#
#..................#
######.............#
######.............#
######.............#
######.............#
######......G..lll.#
######..d......lkl.#
####################
EOF
routes three 1 "$work/three.txt" 1
[ "$(grep unreachable "$work/three.out")" = "\
  diamond (16, 3): warning [1]: unreachable: higher than the jump from every floor nearby, by 49 pixels
  key A (16, 12): warning [2]: unreachable: behind door A at (16, 11), and key A is reached only through that door
  exit beam column 2: error [3]: unreachable: after the objective is met, no route leads back into column 2" ] ||
    fail "three findings with their reasons expected: $(cat "$work/three.out")"

# Mission 2: a crystal, key A opens the wall of doors, two beams break the wall behind it,
# the hostage meets the objective and the way back leads to the beam.
cat >"$work/open.txt" <<'EOF'
....................
#..........l..b....#
#..........l..b....#
#..........l..b....#
#..........l..b....#
#..........l..b....#
#.P..d.d...l..b..h.#
#...c..k...l..b....#
####################
EOF
routes open 2 "$work/open.txt" 0 --strict
grep -q 'exit beam column 2: reached' "$work/open.out" && grep -q ' 0 error(s), 0 warning(s)$' "$work/open.out" &&
    grep -q 'power crystal (4, 7): reached' "$work/open.out" ||
    fail "open: $(cat "$work/open.out")"

# The shipped missions, enemies dropped: everything within reach.
for mission in 1 2; do
    sed '1,/^map$/d' "$source/data/level$mission/map.map" >"$work/level$mission.txt"
    routes "level$mission" "$mission" "$work/level$mission.txt" 0 --strict
done

finish "all route checks passed"
