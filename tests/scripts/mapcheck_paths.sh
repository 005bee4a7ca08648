#!/bin/bash
# Every author tool given a path it cannot use: a folder without a map, a
# missing file, an empty file, a file it may not read. Each answers with its
# status and a message naming the trouble, never a crash; the checker takes a
# mission folder as the tester does, and refuses a folder for its proofs that
# cannot be made before any checking. The unreadable rows run the tool as
# nobody when the tests run as root (root reads any file), and are skipped
# when that cannot be done.
source "$(dirname "$0")/lib/common.sh"
check="$build/brastor-mapcheck"
bake="$build/tools/bake/brastor-bake"
need "$check" "$exe" "$bake"
playtest="$build/brastor-playtest"
chmod 755 "$work"
mkdir -p "$work/nomap" "$work/mine/level1" "$work/secretdata/level1"
printf 'map\n#.........#\n#.P..d..G.#\n#.........#\n#ggggggggg#\n' >"$work/mine/level1/map.map"
: >"$work/empty.bmp"
: >"$work/empty.map"
: >"$work/empty.keys"
cp "$work/mine/level1/map.map" "$work/secret.map"
cp "$work/mine/level1/map.map" "$work/secretdata/level1/map.map"
chmod 000 "$work/secret.map" "$work/secretdata/level1/map.map"

# The words that run a tool as a user the unreadable files are closed to.
reader=()
[ "$(id -u)" = 0 ] && reader=(setpriv --reuid=65534 --regid=65534 --clear-groups)
can_lock_out=1
if [ ${#reader[@]} -gt 0 ] && ! "${reader[@]}" test -x "$check" 2>/dev/null; then
    can_lock_out=0
    echo "skipped: the unreadable rows (running as root, and nobody cannot run the tools here)"
fi

# TOOL STATUS MESSAGE | ARGUMENTS, @ standing for $work/.
rows=0
while IFS='|' read -r head args; do
    read -r tool status message <<<"$head"
    case $tool in playtest) [ -x "$playtest" ] || continue ;; esac
    program=$check
    case $tool in headless) program=$exe ;; playtest) program=$playtest ;; bake) program=$bake ;; esac
    # shellcheck disable=SC2086  # the row's words are the arguments
    set -- ${args//@/$work/}
    run=()
    case $* in *secret*) [ $can_lock_out = 1 ] || continue; run=("${reader[@]}") ;; esac
    rows=$((rows + 1))
    (cd "$work" && timeout 60 "${run[@]}" "$program" "$@") >"$work/out" 2>&1
    got=$?
    [ "$got" = "$status" ] && grep -qF -- "$message" "$work/out" ||
        fail "$tool $*: status $got (wanted $status and '$message'): $(head -c 600 "$work/out")"
    grep -q 'terminate called\|Aborted' "$work/out" && fail "$tool $*: crashed"
done <<'TABLE'
mapcheck 0 0 error(s)|@mine/level1
mapcheck 2 holds no map.bmp (nor map.map)|@nomap
mapcheck 2 no map '|@missing.bmp
mapcheck 1 not a BMP file|@empty.bmp
mapcheck 1 no "map" section|@empty.map
mapcheck 2 cannot read '|@secret.map
mapcheck 2 --emit-script: cannot make the folder|--emit-script @empty.map/proofs @mine/level1
headless 2 holds no map.bmp (nor map.map)|--level @nomap
headless 2 no level '|--level @missing.bmp
headless 2 neither a BMP picture nor a .map source|--level @empty.bmp
headless 2 cannot open the map source|--level @secret.map
headless 2 --script: cannot read|--script @nomap
headless 2 --script: cannot read|--script @missing.keys
headless 0 event=end|--max-ticks 1 --script @empty.keys
headless 2 --script: cannot read|--script @secret.map
playtest 1 holds no map.bmp (nor map.map)|@nomap
playtest 1 no level '|@missing.bmp
playtest 1 neither a BMP picture nor a .map source|@empty.bmp
playtest 1 cannot open the map source|@secret.map
playtest 2 --replay: cannot read|--replay @nomap @mine/level1
playtest 2 --replay: cannot read|--replay @missing.keys @mine/level1
playtest 2 --replay: cannot read|--replay @secret.map @mine/level1
bake 2 not a folder|@missing @out
bake 2 not a folder|@empty.map @out
bake 1 cannot open the map source|@secretdata @out
TABLE
[ $rows -ge 16 ] || fail "only $rows rows of the table ran"
finish "path handling: $rows cases"
