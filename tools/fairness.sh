#!/bin/bash
# tools/fairness.sh BUILD_DIR [SEEDS] [FIRST_SEED] [MISSION]
#
# Plays each mission's committed winning script (data/scripts/mission1.keys,
# mission2.keys) with SEEDS different seeds (default 100, from FIRST_SEED,
# default 1) and prints how many win (only MISSION, 1 or 2, when given). A fair mission is won by the same
# careful inputs whatever the enemies' random fire does. For the losses it
# names the map cell the player stood on at each power loss, most frequent
# first, so that one enemy placement deciding most failures stands out.
set -u
build=$(cd "${1:?usage: tools/fairness.sh BUILD_DIR [SEEDS] [FIRST_SEED] [MISSION]}" && pwd)
seeds=${2:-100}
first=${3:-1}
missions=${4:-1 2}
source=$(cd "$(dirname "$0")/.." && pwd)
exe="$build/brastor-headless"
[ -x "$exe" ] || { echo "no $exe"; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Mission 2 alone: level1 stands in for itself with the cave map, whose
# objective (no generators there) is met at once; mission 2 is then real.
mkdir "$work/caves"
ln -s "$build/gfx" "$work/caves/gfx"
ln -s "$build/level2" "$work/caves/level1"
ln -s "$build/level2" "$work/caves/level2"

status=0
for mission in $missions; do
    data=$build
    [ "$mission" = 2 ] && data=$work/caves
    wins=0
    failed=""
    : > "$work/losses"
    for ((seed = first; seed < first + seeds; seed++)); do
        (cd "$work" && "$exe" --data "$data" --seed "$seed" --script "$source/data/scripts/mission$mission.keys" \
            --trace t --max-ticks 20000 > events 2> /dev/null)
        if grep -q "mission-end mission=$mission result=completed" "$work/events"; then
            wins=$((wins + 1))
        else
            failed="$failed $seed"
        fi
        # Trace: frame mission viewX viewY power ...; the player's feet cell
        # is ((viewX + 288) / 32 + 1, (viewY + 288 + 63) / 32 + 1).
        awk -v m="$mission" -v s="$seed" 'NR > 1 && $2 == m {
                if (seen && $5 < last) printf "%d %d %d\n", s, int(($3 + 288 + 26) / 32) + 1, int(($4 + 288 + 32) / 32) + 1
                last = $5; seen = 1 }' "$work/t" >> "$work/losses"
    done
    echo "mission $mission: $wins/$seeds won${failed:+ (lost: seeds$failed)}"
    if [ -s "$work/losses" ]; then
        echo "  power lost at cell (x, y): times, seeds"
        awk '{ key = "(" $2 ", " $3 ")"; n[key]++; if (index(s[key], " " $1 " ") == 0) s[key] = s[key] " " $1 " " }
             END { for (k in n) printf "%d %s %s\n", n[k], k, s[k] }' "$work/losses" |
            sort -k1,1nr | head -12 | awk '{ c = $1; $1 = ""; printf "   %3d %s\n", c, $0 }'
    fi
    [ "$wins" = "$seeds" ] || status=1
done
exit $status
