#!/bin/bash
# The map checker accepts both baked mission maps and refuses broken ones
# with the right message. Bad maps are written as map sources and baked.
set -u
build=$1
check=$build/brastor-mapcheck
bake=$build/tools/bake/brastor-bake
[ -x "$check" ] && [ -x "$bake" ] || { echo "mapcheck or baker not built"; exit 77; }
fail=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

for n in 1 2; do
    if ! "$check" "$build/level$n/map.bmp" > "$tmp/good.log" 2>&1; then
        echo "mission $n map refused:"; cat "$tmp/good.log"; fail=1
    fi
done

# expect NAME STATUS PATTERN...: the baked map NAME gives STATUS and every pattern
expect() {
    local name=$1 status=$2; shift 2
    "$check" "$tmp/out/$name/map.bmp" > "$tmp/$name.log" 2>&1
    local got=$?
    if [ "$got" != "$status" ]; then
        echo "$name: status $got, expected $status"; cat "$tmp/$name.log"; fail=1
    fi
    for pattern in "$@"; do
        if ! grep -q -- "$pattern" "$tmp/$name.log"; then
            echo "$name: no message matching '$pattern'"; cat "$tmp/$name.log"; fail=1
        fi
    done
}

mkdir -p "$tmp/src/level1" "$tmp/src/level2" "$tmp/src/nostart" "$tmp/src/near" "$tmp/src/crowd" "$tmp/src/unfair"
# Mission 1 without a generator; start marker floating over a hole.
cat > "$tmp/src/level1/map.map" <<'MAP'
map
........
...P....
........
###..###
MAP
# Mission 2 with two start markers and a platform over the start column.
cat > "$tmp/src/level2/map.map" <<'MAP'
map
..##....
..PP....
........
#h######
MAP
# No start marker at all.
printf 'map\n....\n.G..\n....\n####\n' > "$tmp/src/nostart/map.map"
# A smoothed diamond at (3, 1) and a smoothed wall at (0, 3).
cat > "$tmp/src/near/map.map" <<'MAP'
legend
x 250 4 0
y 10 10 10
map
....
.P.x
....
y###
MAP
# 62 walkers: one too many.
{
    echo map
    printf '%s\n' "$(printf 'W%.0s' $(seq 62))..P."
    printf '%s\n' "$(printf '.%.0s' $(seq 66))"
    printf '%s\n' "$(printf '#%.0s' $(seq 66))"
} > "$tmp/src/crowd/map.map"
# Play rules: a turret firing through the generator's lower half, a walker
# walking into a scenery block, a diamond in the cave wall, bombs falling
# down the hole at (9, 5) forever.
cat > "$tmp/src/unfair/map.map" <<'MAP'
map
vdv.......F.
............
......G.....
.P.........T
...o.W......
#########.##
MAP
"$bake" "$tmp/src" "$tmp/out" > /dev/null || { echo "baking the bad maps failed"; exit 1; }

expect level1 1 "needs at least one generator" "must stand two rows above a floor" "has no solid cell"
expect level2 1 "2 player start markers" "exit beam stops at cell (3, 0)"
expect nostart 1 "no player start marker"
expect near 1 "cell (3, 1): colour (250, 4, 0) is near diamond" "cell (0, 3): colour (10, 10, 10) is near block"
expect unfair 1 "turret at cell (11, 3) fires through cell (6, 3)" "walker at cell (5, 4) walks into cell (3, 4)" \
    "pickup at cell (1, 0) sits in backdrop" "flyer at cell (10, 0): its shots fall forever in column 9"
expect crowd 1 "62 enemy markers: only the first 61 are played"
# --help and -h: status 0 and exactly the options of the README's table under "Making levels".
want=$(awk '/^## /{on = index($0, "Making levels") > 0} on && /^\| `-/' "${2:-.}/README.md" |
    cut -d'|' -f2 | grep -o '`-[^` ]*' | tr -d '`' | sort)
for flag in --help -h; do
    "$check" "$flag" > "$tmp/help.txt" 2>&1; got=$?
    options=$(awk -F'  ' '/^  -/ {print $2}' "$tmp/help.txt" | grep -o -- '-[-a-z]*' | sort)
    [ $got = 0 ] && [ -n "$want" ] && [ "$options" = "$want" ] ||
        { echo "$flag: status $got, options '$options' against the README's '$want'"; fail=1; }
done
"$check" > /dev/null 2>&1; [ $? = 2 ] || { echo "no argument: expected status 2"; fail=1; }
"$check" --bogus x > /dev/null 2>&1; [ $? = 2 ] || { echo "unknown option: expected status 2"; fail=1; }

[ $fail = 0 ] && echo "mapcheck: all good"
exit $fail
