#!/bin/bash
# `make play` builds the game and its data and nothing else, and `make tools`
# the level author's four tools and the data: every command ninja would run for
# the targets each names, in this build folder, is checked for test programs;
# and the game is started from the folder make runs in.
. "$(dirname "$0")/lib/common.sh"
command -v ninja >/dev/null || need /usr/bin/ninja
for goal in play tools; do
    dry=$(cd "$source" && make -n --no-print-directory "$goal" BUILD="$build" 2>&1)
    targets=$(sed -n 's/.*cmake --build .* --target \(.*\)$/\1/p' <<<"$dry")
    [ -n "$targets" ] || { fail "make -n $goal names no build target: $dry"; continue; }
    # shellcheck disable=SC2086
    out=$(ninja -C "$build" -t commands $targets 2>&1) || fail "ninja knows no target in: $targets"
    bad=$(grep -oE '[^ ]*(tests/|gtest|benchmark|window_driver)[^ ]*' <<<"$out" | sort -u | head -3)
    [ -z "$bad" ] || fail "make $goal builds test programs:" $bad
    grep -q 'bake' <<<"$out" || fail "make $goal does not bake the data"
    case $goal in
        play) grep -qE -- '-o brastor( |$)' <<<"$out" || fail "make play does not link the game"
              grep -qE "^$build/brastor\$" <<<"$dry" || fail "make play does not start the game from the folder make runs in: $dry" ;;
        tools) for tool in brastor-mapcheck brastor-playtest brastor-headless tools/bake/brastor-bake; do
                   grep -qE -- "-o $tool( |$)" <<<"$out" || fail "make tools does not link $tool"
               done ;;
    esac
done
finish
