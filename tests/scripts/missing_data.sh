#!/bin/bash
# The game and the level tester copied away from their data: each says plainly
# that the data is missing and ends with status 1 before it opens a window.
# With one data folder beside it the game goes on (and here, without a
# display, fails at its window instead).
. "$(dirname "$0")/lib/common.sh"
need "$build/brastor"
for program in brastor brastor-playtest; do
    [ -x "$build/$program" ] || continue
    mkdir -p "$work/$program" && cp "$build/$program" "$work/$program/"
    level=(); [ $program = brastor-playtest ] && level=("$build/level1")  # its level, away from the program
    env -u DISPLAY -u WAYLAND_DISPLAY "$work/$program/$program" "${level[@]}" >"$work/out" 2>"$work/err" </dev/null
    status=$?
    [ $status -eq 1 ] || fail "$program without data: status $status, not 1"
    grep -q "The folders gfx, level1 and level2 must be beside the program, in $work/$program\." "$work/err" ||
        fail "$program without data says: $(cat "$work/err")"
done
mkdir "$work/brastor/level2"
env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 "$work/brastor/brastor" >/dev/null 2>"$work/err" </dev/null
grep -q "game data is missing" "$work/err" && fail "with level2 beside it the game still calls its data missing"
grep -q "cannot open a window" "$work/err" || fail "with level2 beside it: $(cat "$work/err")"
finish
