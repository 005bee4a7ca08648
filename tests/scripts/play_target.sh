#!/bin/bash
# `make play` builds the game and its data and nothing else: every command
# ninja would run for the targets it names, in this build folder, is checked
# for test programs; and the game is started from the folder make runs in.
. "$(dirname "$0")/lib/common.sh"
command -v ninja >/dev/null || need /usr/bin/ninja
dry=$(cd "$source" && make -n --no-print-directory play BUILD="$build" 2>&1)
targets=$(sed -n 's/.*cmake --build .* --target \(.*\)$/\1/p' <<<"$dry")
[ -n "$targets" ] || fail "make -n play names no build target: $dry"
# shellcheck disable=SC2086
commands=$(ninja -C "$build" -t commands $targets 2>&1) || fail "ninja knows no target in: $targets"
bad=$(grep -oE '[^ ]*(tests/|gtest|benchmark|window_driver)[^ ]*' <<<"$commands" | sort -u | head -3)
[ -z "$bad" ] || fail "make play builds test programs:" $bad
grep -q 'bake' <<<"$commands" || fail "make play does not bake the data"
grep -qE -- '-o brastor( |$)' <<<"$commands" || fail "make play does not link the game"
grep -qE "^$build/brastor\$" <<<"$dry" || fail "make play does not start the game from the folder make runs in: $dry"
finish
