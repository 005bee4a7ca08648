#!/bin/bash
# The map checker's proof of a mission replayed with the enemies in: emits the
# proofs of a shipped mission (or a level folder), plays the exit's proof on
# brastor-headless over seeds 1..SEEDS (drawing off, as a headless run always
# is), prints the win rate and the cells where power is lost most often, each
# with the nearest enemy marker or hazard drawn in the map source.
#   tools/mapcheck/enemy_replays.sh BUILD MISSION [SEEDS]
set -u
build=$1 mission=$2 seeds=${3:-100}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
level="$build/level$mission"
"$build/brastor-mapcheck" --mission "$mission" --emit-script "$work/keys" "$level" >"$work/report" ||
    { echo "the checker found faults: $(cat "$work/report")"; exit 1; }
args=$(sed -n 's/^# Replay: brastor-headless //p' "$work/keys/exit.keys")
sed '1,/^map$/d' "$source_dir/data/level$mission/map.map" >"$work/rows"
wins=0
: >"$work/losses"
for seed in $(seq 1 "$seeds"); do
    # shellcheck disable=SC2086
    "$build/brastor-headless" $args --seed "$seed" --trace "$work/trace" --max-ticks 40000 >"$work/events" 2>&1
    grep -q "event=mission-end mission=$mission result=completed" "$work/events" && wins=$((wins + 1))
    # Trace: frame mission viewX viewY power ...; the player's centre is 288 + (26, 32) into the view.
    awk -v S="$seed" -v M="$mission" '$2 == M && NF >= 9 {
        if (prev != "" && $5 < prev) print S, int(($3 + 346) / 32), int(($4 + 352) / 32), prev - $5
        prev = $5 }' "$work/trace" >>"$work/losses"
done
echo "mission $mission: the exit's proof wins $wins of $seeds seeds with enemies"
awk -v N="$seeds" 'NR == FNR { row[FNR - 1] = $0; next }
    { k = $2 " " $3; if (!((k, $1) in seen)) { seen[k, $1] = 1; n[k]++ } p[k] += $4 }
    END { for (k in n) {
        split(k, c, " "); best = ""; bd = 99
        for (y = c[2] - 6; y <= c[2] + 6; ++y) for (x = c[1] - 8; x <= c[1] + 8; ++x) {
            ch = substr(row[y], x + 1, 1)
            if (index("WFTNSsw", ch) == 0) continue
            d = (x - c[1]) ^ 2 + (y - c[2]) ^ 2
            if (d < bd) { bd = d; best = ch " at (" x ", " y ")" } }
        name["W"] = "walker"; name["F"] = "flyer"; name["T"] = "turret"; name["N"] = "swan"; name["S"] = "snake"
        name["s"] = "spikes"; name["w"] = "flow"
        what = best == "" ? "nothing drawn near" : "nearest: " name[substr(best, 1, 1)] substr(best, 2)
        printf "%d\t  power lost at (%s, %s) on %d of %d seeds, %d in all (%s)\n", n[k], c[1], c[2], n[k], N, p[k], what } }' \
    "$work/rows" "$work/losses" | sort -rn | head -8 | cut -f2
