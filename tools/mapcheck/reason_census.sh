#!/bin/bash
# How often the route search names no reason: bakes COUNT random small levels
# (walls, ledges, pillars, spikes and flow on the floor, diamonds, a crystal,
# generators or hostages, now and then a key with its doors and crates), checks
# each and counts the target lines that are unreachable or inconclusive, and
# those among them whose reason is "no reason found". Prints the maps of those.
#   tools/mapcheck/reason_census.sh BUILD [SEED] [COUNT]
set -u
build=$1 seed=${2:-1} count=${3:-300}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
awk -v SEED="$seed" -v COUNT="$count" -v OUT="$work" '
    function rnd(a, b) { return a + int(rand() * (b - a + 1)) }
    function place(c, k,   i, t, x, y) {
        for (i = 0; i < k; ++i)
            for (t = 0; t < 20; ++t) {
                x = rnd(1, W - 2); y = rnd(1, H - 2)
                if (g[y, x] == ".") { g[y, x] = c; break }
            }
    }
    BEGIN {
        srand(SEED)
        for (n = 0; n < COUNT; ++n) {
            W = rnd(14, 28); H = rnd(8, 14)
            for (y = 0; y < H; ++y) for (x = 0; x < W; ++x)
                g[y, x] = (y == H - 1 || (y > 0 && (x == 0 || x == W - 1))) ? "#" : "."
            for (k = rnd(1, 6); k > 0; --k) {  # ledges, now and then of crates
                x = rnd(1, W - 3); y = rnd(2, H - 2); w = rnd(1, 6)
                for (i = 0; i < w && x + i < W - 1; ++i) g[y, x + i] = rand() < 0.2 ? "b" : "#"
            }
            for (k = rnd(0, 3); k > 0; --k) {  # pillars
                x = rnd(2, W - 3); h = rnd(1, 5)
                for (i = 0; i < h; ++i) g[H - 2 - i, x] = "#"
            }
            for (k = rnd(0, 3); k > 0; --k) {  # spikes or flow on the floor
                x = rnd(1, W - 3); w = rnd(1, 7); c = rand() < 0.5 ? "s" : "w"
                for (i = 0; i < w && x + i < W - 1; ++i) if (g[H - 2, x + i] == ".") g[H - 2, x + i] = c
            }
            mission = rand() < 0.5 ? 1 : 2
            place("d", rnd(0, 5)); place("c", rnd(0, 1))
            if (mission == 1) place("G", rnd(1, 3)); else place("h", rnd(1, 3))
            if (rand() < 0.3) { place("k", 1); place("l", rnd(1, 3)) }
            if (rand() < 0.3) place("b", rnd(1, 3))
            # The start stands two rows above the floor, in a free column at the left.
            sx = rnd(1, W - 3 < 4 ? W - 3 : 4)
            for (y = 1; y < H - 2; ++y) g[y, sx] = "."
            g[H - 3, sx] = "P"
            dir = OUT "/src" n "/level" mission
            system("mkdir -p " dir)
            print "map" >(dir "/map.map")
            for (y = 0; y < H; ++y) { row = ""; for (x = 0; x < W; ++x) row = row g[y, x]; print row >(dir "/map.map") }
            close(dir "/map.map")
            print n, mission >(OUT "/list")
        }
    }'
lines=0 none=0
while read -r n mission; do
    "$build/tools/bake/brastor-bake" "$work/src$n" "$work/out$n" >/dev/null 2>&1 || continue
    "$build/brastor-mapcheck" --mission "$mission" "$work/out$n/level$mission" >"$work/report" 2>&1
    # A target line each, and "and N more, each ..." for the lines held back.
    read -r found missing < <(awk '
        /^  [a-zA-Z ]+ (\(|column).*: (unreachable|inconclusive)/ { k = 1 }
        /^  and [0-9]+ more, each / { k = $2 }
        k { f += k; if (/no reason found/) m += k; k = 0 }
        END { print f + 0, m + 0 }' "$work/report")
    lines=$((lines + found)) none=$((none + missing))
    if [ "$missing" -gt 0 ]; then
        echo "level $n, mission $mission:"
        sed '1d' "$work/src$n/level$mission/map.map"
        grep 'no reason found' "$work/report"
    fi
done <"$work/list"
echo "$count random levels (seed $seed): $none of $lines unreachable or inconclusive target lines say \"no reason found\""
