#!/bin/bash
# brastor-mapcheck's route search on two drawn maps and on both shipped missions.
# Every route it claims is played by its proof, as the proof's header says, on
# brastor-headless --level with a copy of the map without enemies (no data
# folder built), and the trace must show the claim in the frame it names:
# the player's box on the target, the objective met (a generator, with the
# other generators turned into plain breakable blocks) or the mission won.
source "$(dirname "$0")/lib/common.sh"
check="$build/brastor-mapcheck"
bake="$build/tools/bake/brastor-bake"
need "$check" "$exe" "$bake"

# bake NAME MISSION: the map rows on standard input (enemies dropped) become
# $work/NAME/level<MISSION>/map.bmp.
bake() {
    mkdir -p "$work/src-$1/level$2"
    { echo map; sed 's/[WFTSN]/./g'; } >"$work/src-$1/level$2/map.map"
    "$bake" "$work/src-$1" "$work/$1" >/dev/null || fail "$1: bake"
}

# replay NAME MISSION ROWS_FILE: plays every script in $work/NAME-keys.
replay() {
    local name=$1 mission=$2 rows=$3 script frame what x y level replay
    for script in "$work/$name-keys"/*.keys; do
        read -r _ _ _ _ _ frame what x y < <(grep '^# expect: ' "$script")
        replay=$(sed -n 's/^# Replay: brastor-headless //p' "$script")
        level="$work/$name/level$mission"
        [ "$replay" = "--mission $mission --level $level --script $script" ] ||
            fail "$(basename "$script"): the header's replay is '$replay'"
        if [ "$what" = breaks ]; then
            # Only this generator counts: the others become breakable blocks.
            level="$work/$name-$x-$y/level$mission"
            awk -v X="$x" -v Y="$y" '{ for (i = 1; i <= length($0); ++i) { c = substr($0, i, 1);
                if ((c == "G" || c == "H") && (i - 1 != X || NR - 1 != Y)) c = "b"; printf "%s", c } print "" }' \
                "$rows" | bake "$name-$x-$y" "$mission"
        fi
        "$exe" --mission "$mission" --level "$level" --script "$script" --trace "$work/trace.txt" --max-ticks $((frame * 2 + 400)) \
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
    "$check" --mission "$mission" "$@" --emit-script "$work/$name-keys" "$work/$name/level$mission" >"$work/$name.out"
    local got=$?
    [ $got -eq "$status" ] || fail "$name: status $got (expected $status): $(cat "$work/$name.out")"
    [ "$(grep -c ': reached' "$work/$name.out")" = "$(ls "$work/$name-keys" | wc -l)" ] ||
        fail "$name: not one script per reached target"
    replay "$name" "$mission" "$rows"
}

# Route reports, one map a block: NAME MISSION STATUS and what the map shows,
# then its rows and the report's target lines exactly (frames included: a
# route found later than the fewest frames, or not at all, is a fault).
while read -r name mission status what; do
    : >"$work/$name.txt"
    : >"$work/$name.want"
    while IFS= read -r row && [ -n "$row" ]; do
        case $row in
            "= "*) echo "  ${row#= }" >>"$work/$name.want" ;;
            *) echo "$row" >>"$work/$name.txt" ;;
        esac
    done
    routes "$name" "$mission" "$work/$name.txt" "$status" </dev/null
    grep '^  ' "$work/$name.out" | diff "$work/$name.want" - >"$work/$name.diff" ||
        fail "$name ($what): $(cat "$work/$name.diff")"
done <<'TABLE'
three 1 3 a diamond far above any floor, key A shut in by its own doors (proven), and a wall under the start plateau that the player cannot climb back (the staged search cannot prove it)
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
= generator (12, 11): reached, 164 frames
= diamond (16, 3): warning [1]: inconclusive: the search stopped after 2 map changes, trying the nearest first, not every order (what it saw: higher than the jump from every floor nearby, by 49 pixels)
= diamond (8, 12): reached, 146 frames
= key A (16, 12): warning [2]: unreachable: behind door A at (16, 11), and key A is reached only through that door
= exit beam column 2: unresolved [3]: inconclusive: the search stopped after 2 map changes, trying the nearest first, not every order (what it saw: after the objective is met, no route leads back into column 2)

open 2 0 a crystal, key A opens the wall of doors, two beams break the wall behind it, the hostage meets the objective and the way back leads to the beam
....................
#..........l..b....#
#..........l..b....#
#..........l..b....#
#..........l..b....#
#..........l..b....#
#.P..d.d...l..b..h.#
#...c..k...l..b....#
####################
= hostage (17, 6): reached, 227 frames
= diamond (5, 6): reached, 24 frames
= diamond (7, 6): reached, 56 frames
= power crystal (4, 7): reached, 8 frames
= key A (7, 7): reached, 56 frames
= exit beam column 2: reached, 428 frames (201 after the objective)

edge 2 0 a floor open to the left: routes that fall past the map's edge are followed, then dropped
..........#
..........#
.P......h.#
..........#
###########
..........#
..........#
..........#
..........#
..........#
..........#
..........#
..........#
= hostage (8, 2): reached, 88 frames
= exit beam column 1: reached, 161 frames (73 after the objective)

touch 2 0 the start on key A: the door opens in the first frame, and the diamond left of the start is still fetched before the hostage ends the mission
....................
#..................#
#d........Pk.h.l.d.#
#..............l...#
####################
= hostage (13, 2): reached, 25 frames
= diamond (1, 2): reached, 131 frames
= key A (11, 2): reached, 1 frames
= diamond (17, 2): reached, 98 frames
= exit beam column 10: reached, 34 frames (9 after the objective)

ceiling 2 0 two crates in the ceiling, under the top row: the beam opens the way up to the diamond, and spends nothing on the crate at the map's edge
.....d......
#.##bb######
#P.dddddd.hb
#..........#
############
= hostage (10, 2): reached, 120 frames
= diamond (5, 0): reached, 221 frames
= diamond (3, 2): reached, 8 frames
= diamond (4, 2): reached, 24 frames
= diamond (5, 2): reached, 40 frames
= diamond (6, 2): reached, 56 frames
= diamond (7, 2): reached, 72 frames
= diamond (8, 2): reached, 88 frames
= exit beam column 1: reached, 225 frames (105 after the objective)

spikes 2 3 spikes too long to jump: the route goes through them, but the power is gone before the way back ends (not proven: the search does not weigh every way back by its power)
..........................
#........................#
#........................#
#........................#
#.P....................h.#
#....ssssssss.......d....#
##########################
= hostage (23, 4): reached, 312 frames
= diamond (20, 5): reached, 264 frames
= exit beam column 2: unresolved [1]: inconclusive: the search stopped after 1 map change, trying the nearest first, not every order (what it saw: after the objective is met, no route leads back into column 2)
= note: some fewest-frames routes ran out of power in spikes or flow; they were searched again keeping off them

pocket 2 0 a crate in the floor touches a sealed pocket only at its corner: the beam spends nothing on it
##.###########
#.........b..#
#.P....h..b..#
#..dddd...b.d#
##b#######b###
###.##########
##############
= hostage (7, 2): reached, 56 frames
= diamond (3, 3): reached, 1 frames
= diamond (4, 3): reached, 8 frames
= diamond (5, 3): reached, 24 frames
= diamond (6, 3): reached, 40 frames
= diamond (12, 3): reached, 147 frames
= exit beam column 2: reached, 97 frames (41 after the objective)

beam 1 0 one diamond feeds the beam exactly long enough for the generator, which falls with the player in the exit beam's column
..............
#............#
#............#
#.....G......#
#............#
#............#
#.Pd.........#
#............#
##############
= generator (6, 3): reached, 23 frames
= diamond (3, 6): reached, 1 frames
= exit beam column 2: reached, 24 frames (1 after the objective)

ledge 1 0 a ledge in the open: the generator sits at the very end of the beam's reach, which the route uses
..........
..Pd......
..........
..##....G.
..........
= generator (8, 3): reached, 17 frames
= diamond (3, 1): reached, 1 frames
= exit beam column 2: reached, 18 frames (1 after the objective)
TABLE

# A corridor of 70 generators, a diamond before each: more map changes than
# the search once allowed itself, and every one is played. Then the same map
# on a small budget of states: what is left is inconclusive (status 3), never
# unreachable.
awk 'BEGIN { w = 148
    for (y = 0; y < 7; ++y) { row = ""
        for (x = 0; x < w; ++x) {
            c = "."
            if (y == 6 || ((x == 0 || x == w - 1) && y > 0)) c = "#"
            if (y == 4 && x == 2) c = "P"
            if (y == 4 && x >= 4 && x < 144 && x % 2 == 0) c = "d"
            if (y == 2 && x >= 5 && x < 145 && x % 2 == 1) c = "G"
            row = row c }
        print row } }' >"$work/corridor.txt"
routes corridor 1 "$work/corridor.txt" 0
[ "$(grep -c ': reached' "$work/corridor.out")" = 141 ] || fail "corridor: not every target reached: $(grep -v ': reached' "$work/corridor.out")"
"$check" --mission 1 --max-states 20000 "$work/corridor/level1" >"$work/budget.out"
[ $? = 3 ] && grep -q 'generator (5, 2): unresolved \[[0-9]*\]: inconclusive: the search stopped after [0-9]* map changes* and [0-9]* player states, its budget' "$work/budget.out" &&
    ! grep -q unreachable "$work/budget.out" || fail "corridor on a budget: $(cat "$work/budget.out")"

# Maps the search cannot win in its order, though a player can: never
# "unreachable" there (status 3, inconclusive). The winning input is the proof
# the checker writes for a variant of the map (an edit, as sed takes it, that
# takes away what misleads the search), played on the map itself in the game.
while read -r name mission edit what; do
    : >"$work/$name.txt"
    while IFS= read -r row && [ -n "$row" ]; do echo "$row" >>"$work/$name.txt"; done
    bake "$name" "$mission" <"$work/$name.txt"
    "$check" --mission "$mission" "$work/$name/level$mission" >"$work/$name.out"
    got=$?
    [ $got = 3 ] && ! grep -q unreachable "$work/$name.out" || fail "$name ($what): status $got: $(cat "$work/$name.out")"
    sed "$edit" "$work/$name.txt" | bake "$name-won" "$mission"
    "$check" --mission "$mission" --emit-script "$work/$name-won-keys" "$work/$name-won/level$mission" >/dev/null ||
        fail "$name: the variant is not proven"
    "$exe" --mission "$mission" --level "$work/$name/level$mission" --script "$work/$name-won-keys/exit.keys" \
        --max-ticks 20000 >"$work/$name.events" 2>&1
    grep -q "event=mission-end mission=$mission result=completed" "$work/$name.events" ||
        fail "$name: the variant's proof does not win the map: $(cat "$work/$name.events")"
done <<'TABLE'
pit 1 13s/d/./ the nearest diamond lies in a pit the player cannot leave; the generator needs the far one
........................
#......................#
#......................#
#..................G...#
#......................#
#......................#
#.......P...........d..#
#......................#
##...###################
##...###################
##...###################
##...###################
##.d.###################
########################
TABLE

# The enemies in: every proof replayed on seeds 1..N as brastor-headless --seed
# plays it. Each map a block: NAME MISSION SEEDS STATUS, its rows, then lines
# the report must hold exactly (a whole line after "= "). The mission's proof's
# win count must reach the floor a "wins at least" line gives; the seeds it
# is told to lose, and the first it wins, end the same way on brastor-headless.
while read -r name mission seeds status; do
    mkdir -p "$work/$name/level$mission"
    : >"$work/$name.want"
    floor=0
    { echo map; while IFS= read -r row && [ -n "$row" ]; do
        case $row in
            "= "*) echo "${row#= }" >>"$work/$name.want" ;;
            "wins at least "*) floor=${row#wins at least } ;;
            *) echo "$row" ;;
        esac
    done; } >"$work/$name/level$mission/map.map"
    if [ "$name" = "shipped$mission" ]; then
        rm -r "$work/$name/level$mission" && ln -s "$build/level$mission" "$work/$name/level$mission"
    fi
    level="$work/$name/level$mission"
    "$check" --mission "$mission" --seeds "$seeds" --emit-script "$work/$name-keys" "$level" >"$work/$name.out" </dev/null
    got=$?
    [ $got = "$status" ] || fail "$name: status $got (expected $status): $(cat "$work/$name.out")"
    while IFS= read -r line; do
        grep -qxF -- "$line" "$work/$name.out" || fail "$name: no line '$line' in: $(cat "$work/$name.out")"
    done <"$work/$name.want"
    wins=$(sed -n "s/^  the mission's proof wins \([0-9]*\) of $seeds seeds with enemies.*/\1/p" "$work/$name.out")
    [ "${wins:-0}" -ge "$floor" ] || fail "$name: the mission's proof wins ${wins:-none} of $seeds seeds, under $floor"
    [ -f "$work/$name-keys/exit.keys" ] || continue
    lost=$(sed -n 's/^    lost on seeds* //p' "$work/$name.out" | tr -d ',.')
    won=1
    while [[ " $lost " == *" $won "* ]]; do won=$((won + 1)); done
    [ "${wins:-0}" -gt 0 ] || { lost=1; won=none; }
    for seed in $lost ${won/none/}; do
        "$exe" --mission "$mission" --level "$level" --script "$work/$name-keys/exit.keys" --seed "$seed" \
            --max-ticks 40000 >"$work/$name.events" 2>&1
        result=lost
        grep -q "event=mission-end mission=$mission result=completed" "$work/$name.events" && result=won
        expected=lost
        [ "$seed" = "$won" ] && expected=won
        [ $result = $expected ] || fail "$name: seed $seed is $result on brastor-headless, $expected in the report"
    done
done <<'TABLE'
walker 1 100 0
.......................
#.....................#
#.....................#
#...............G.....#
#.....................#
#.P.d.................#
#...................W.#
#ggggggggggggggggggggg#
#######################
= with the enemies in, over 100 seeds:
=   the mission's proof wins 100 of 100 seeds with enemies
=     the walker at (20, 6) costs up to 2 power on 20 of 100 seeds
=   2 other routes win on every seed

turrets 1 100 0
.......................
#.....................#
#.....................#
#...............G.....#
#.....................#
#.P.d.................#
#.......T...W.....T.T.#
#ggggggggggggggggggggg#
#######################
wins at least 95
=     the turret at (8, 6) costs up to 4 power on 62 of 100 seeds

swan 1 20 1
.....................
#...................#
#...........#########
#.P.........N..G....#
#...d.......#########
#ggggggggggg#########
#####################
=   generator (15, 3): error [2]: the swan at (12, 3) stands in the beam's line to it on every seed, and cannot be destroyed
=   the mission's proof wins 0 of 20 seeds with enemies

shipped1 1 100 0
wins at least 95

shipped2 2 100 0
wins at least 95
TABLE

# The shipped missions, enemies dropped: everything within reach.
for mission in 1 2; do
    sed '1,/^map$/d' "$source/data/level$mission/map.map" >"$work/level$mission.txt"
    routes "level$mission" "$mission" "$work/level$mission.txt" 0 --strict
done

finish "all route checks passed"
