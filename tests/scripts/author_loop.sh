#!/bin/bash
# The README's level-making loop, as it stands there: the map it shows is
# drawn, each "$ build/..." command of its loop section is run in a private
# folder and must print exactly the lines the README shows under it. The first
# check names why the key is out of reach and fails; the key is then moved as
# the README says, and the second check passes. The window's playtest is left
# to window_playtest.sh: its recording, tests/data/author/run.keys, is replayed
# with the README's headless command instead.
source "$(dirname "$0")/lib/common.sh"
need "$exe" "$build/brastor-mapcheck" "$build/tools/bake/brastor-bake"
section=$(awk '/^### The loop/ { on = 1; next } on && /^##/ { exit } on' "$source/README.md")
[ -n "$section" ] || { echo "FAIL: no loop section in the README"; exit 1; }

mkdir -p "$work/mylevel/level1"
awk '/^    # mylevel\/level1\/map.map/ { on = 1 } on && !/^    / { exit } on { print substr($0, 5) }' \
    <<<"$section" >"$work/mylevel/level1/map.map"
grep -q '^map$' "$work/mylevel/level1/map.map" || fail "no map in the README's loop section"
cp "$source/tests/data/author/run.keys" "$work/run.keys"

# Each command with the output the README shows for it, one file per command.
awk -v dir="$work" '/^    \$ / { n += 1; print substr($0, 7) >(dir "/cmd." n); printf "" >(dir "/want." n); on = 1; next }
    on && /^    / { print substr($0, 5) >>(dir "/want." n); next } { on = 0 }' <<<"$section"
cd "$work" || exit 1
checks=0
for cmd in $(ls cmd.* | sort -t. -k2 -n); do
    n=${cmd#cmd.}
    line=$(cat "$cmd")
    case $line in
        build/brastor-playtest*) continue ;;  # needs the window
    esac
    # shellcheck disable=SC2086
    set -- ${line#build/}
    "$build/$1" "${@:2}" >"got.$n" 2>&1
    status=$?
    diff "want.$n" "got.$n" >"diff.$n" || fail "'$line' prints otherwise than the README (README <, got >): $(cat "diff.$n")"
    case $1 in
        brastor-mapcheck)
            checks=$((checks + 1))
            if [ $checks = 1 ]; then
                [ $status = 1 ] || fail "the first check passed a key locked in its own room"
                grep -q 'key A is reached only through that door' "got.$n" || fail "the key's reason is not named"
                # The README's fix: the key out of the room, onto the floor on the right.
                sed -i 's/lGkl/lG.l/; s/l\.\.l\.\.\.#/l..l.k.#/' mylevel/level1/map.map
            else
                [ $status = 0 ] || fail "the fixed map does not pass: status $status"
            fi ;;
        *) [ $status = 0 ] || fail "'$line': status $status" ;;
    esac
done
[ $checks = 2 ] || fail "the README's loop runs the checker $checks times, not twice"
# The replay ends on the very frame the window recorded.
"$exe" --seed 7 --mission 1 --level mylevel-baked/level1 --script run.keys --trace trace.txt >/dev/null
[ "$(tail -1 trace.txt | sed 's/ [0-9]*$//')" = "$(sed -n 's/^# last frame: //p' run.keys)" ] ||
    fail "the replay's last frame $(tail -1 trace.txt) is not the recording's"
finish
