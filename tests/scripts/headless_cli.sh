#!/bin/bash
# brastor-headless's command line and script reader: --help lists the options
# of the README's table; bad options and bad scripts exit 2 naming the option
# or the line (comments and blanks counted); a capture that cannot be written
# stops the run with status 1; quit and --max-ticks stop a run with status 0
# at the tick they name. --level plays a level from its briefing, again after
# each end, and a map source's own faults come through with their lines.
# brastor-playtest and brastor-bake answer --help and refuse bad command lines
# before any window opens.
source "$(dirname "$0")/lib/common.sh"
need "$exe"
data="$work/data"  # empty: every picture, map and text is missing
mkdir -p "$data"

# ---- --help and -h: the usage on stdout, status 0, the README's options exactly
want=$(awk '/^## /{on = index($0, "brastor-headless") > 0} on && /^\| `-/' "$source/README.md" |
    cut -d'|' -f2 | grep -o '`-[^` ]*' | tr -d '`' | sort)
[ -n "$want" ] || fail "README: no options table for brastor-headless"
for flag in --help -h; do
    "$exe" --seed 3 "$flag" --speed >"$work/out" 2>"$work/err" || fail "$flag: status $?"
    [ -s "$work/err" ] && fail "$flag: stderr: $(cat "$work/err")"
    got=$(awk -F'  ' '/^  -/ {print $2}' "$work/out" | grep -o -- '-[-a-z]*' | sort)
    [ "$got" = "$want" ] || fail "$flag: options differ from the README's: $(echo $got)"
done
# The game itself takes no options but answers --help.
if [ -x "$build/brastor" ]; then
    "$build/brastor" --help >"$work/out" 2>&1 || fail "brastor --help: status $?"
    grep -q '^usage: brastor ' "$work/out" || fail "brastor --help: $(cat "$work/out")"
fi

# error TEXT ARGS...: exit status 2, TEXT on stderr, the game never ran. (Paths
# the runner cannot use are mapcheck_paths.sh's table.)
error() {
    local want=$1
    shift
    "$exe" "$@" >"$work/out" 2>"$work/err"
    local status=$?
    [ $status -eq 2 ] && grep -qF -- "$want" "$work/err" && [ ! -s "$work/out" ] ||
        fail "$*: status $status, wanted \"$want\": $(cat "$work/err")"
}
error "'--speed'" --data "$data" --speed 3
error "'level1'" --data "$data" level1
error "'--seed'" --data "$data" --seed
error "--seed" --data "$data" --seed 12abc
error "--seed" --data "$data" --seed -4
error "--max-ticks" --data "$data" --max-ticks ten
error "$work/nowhere" --data "$work/nowhere"
error "--trace" --data "$data" --trace "$work/nowhere/trace.txt"
error "--mission needs --level" --data "$data" --mission 1
error "'3' for --mission" --data "$data" --level "$data" --mission 3
printf 'map\n..P\n...\n##\n' >"$work/bad.map"
error "$work/bad.map:4: map row has 2 cells, expected 3" --data "$data" --level "$work/bad.map"

# One bad script a line: the error expected, then the script's lines split at '|'.
while IFS='>' read -r want lines; do
    tr '|' '\n' <<<"$lines" >"$work/script.txt"
    error "$work/script.txt:$want" --data "$data" --script "$work/script.txt"
done <<'TABLE'
3: unknown command 'jump'># a comment||jump|wait 1
2: unknown key 'foo'>wait 1|hold foo
1: unknown key '128'>release 128
1: unknown key 'Escape'>hold Escape
2: bad number '-5'>type space|wait -5
1: bad number '1x'>wait 1x
1: bad number>wait 99999999999999999999999
4: 'wait' needs>wait 1||  # indented comment|wait
1: 'capture' needs>capture   
1: bad character 'ab'>type ab
2: unexpected 'now'>wait 2|quit now
2: unknown key 'q'>wait 1|hold q|hold w
TABLE

# last-line ARGS... EXPECTED: the run ends with status 0 on that line.
ends() {
    local want=${!#}
    "$exe" --data "$data" "${@:1:$#-1}" >"$work/out" 2>"$work/err" || fail "$*: status $?"
    [ "$(tail -1 "$work/out" | sed 's/ frame=[0-9]*//')" = "$want" ] || fail "$*: ended $(tail -1 "$work/out")"
}
# Every form: CRLF, trailing comments, '#' typed, wait 0 lets no tick pass.
printf '# keys\r\nhold escape  # held\r\nrelease 1\r\n\r\ntype #\r\ntype ~\r\nhold 0\r\nwait 0\r\ncapture %s\r\nwait 2 # two\r\nquit\r\n' \
    "$work/c.bmp" >"$work/good.txt"
ends --script "$work/good.txt" "tick=3 event=end"
ends --max-ticks 40 "tick=40 event=end"
printf 'wait 25\nquit\nhold escape\n' >"$work/quit.txt"
ends --script "$work/quit.txt" --max-ticks 1000 "tick=26 event=end"
printf 'wait 3\n' >"$work/short.txt"
ends --script "$work/short.txt" --max-ticks 12 "tick=12 event=end"
grep -q '^tick=0 frame=0 event=title$' "$work/out" || fail "no title line at tick 0"
# Escape held on the title wins over a Space typed just before it.
printf 'type space\nwait 1\nhold escape\n' >"$work/escape.txt"
ends --script "$work/escape.txt" --max-ticks 50 "tick=2 event=end"
# A Space typed before a text box shows does not dismiss it: a double tap on the title plays no frame.
printf 'type space\ntype space\nwait 20\nquit\n' >"$work/double.txt"
"$exe" --data "$data" --script "$work/double.txt" >"$work/out" 2>&1
[ "$(tail -1 "$work/out")" = "tick=21 frame=0 event=end" ] || fail "double tap: $(tail -1 "$work/out")"
# Without --data: the program's own folder when it holds level1/ (or gfx/), even
# beside an installed share/brastor.
mkdir -p "$work/inst/bin" "$work/inst/share/brastor" && cp "$exe" "$work/inst/bin/" && ln -s "$build/level1" "$work/inst/bin/"
printf 'capture %s\nquit\n' "$work/own.bmp" >"$work/own.txt"
printf 'capture %s\nquit\n' "$work/given.bmp" >"$work/given.txt"
"$work/inst/bin/brastor-headless" --script "$work/own.txt" >/dev/null 2>&1
"$exe" --data "$work/inst/bin" --script "$work/given.txt" >/dev/null 2>&1
cmp -s "$work/own.bmp" "$work/given.bmp" || fail "without --data: not the program's own folder"
# A capture that cannot be written stops the run at once, status 1, its line named.
printf 'wait 2\n\ncapture %s\nwait 50\n' "$work/nowhere/c.bmp" >"$work/capture.txt"
"$exe" --data "$data" --script "$work/capture.txt" >"$work/out" 2>"$work/err"
status=$?
[ $status -eq 1 ] && grep -qF "$work/capture.txt:3: cannot write '$work/nowhere/c.bmp'" "$work/err" &&
    grep -q '^tick=3 .*event=end$' "$work/out" || fail "failed capture: status $status, $(cat "$work/err")"

# --level: briefing, play, result, the briefing again; Escape held there ends
# the run. A map of hostages and no generator gets mission 2's rules.
printf 'map\n.....\n..P.h\n.....\n#####\n' >"$work/cave.map"
printf 'wait 3\ntype space\nwait 3\nhold escape\nwait 3\nrelease escape\nwait 3\ntype space\nwait 3\nhold escape\n' \
    >"$work/level.txt"
"$exe" --data "$data" --level "$work/cave.map" --script "$work/level.txt" --max-ticks 100 >"$work/out" 2>&1 ||
    fail "--level: status $?"
[ "$(sed 's/tick=[0-9]* frame=[0-9]* //' "$work/out" | tr '\n' '|')" = \
    "event=mission-start mission=2|event=mission-end mission=2 result=failed score=0|event=final score=0 high=0 new-high=0|event=mission-start mission=2|event=end|" ] ||
    fail "--level: $(cat "$work/out")"

# A won level without its own complete.txt: its box ("You reached the exit
# beam.") is gone when the result box shows, which is darkened once over the
# sky all through, not twice where that box was. The win is the checker's proof.
if [ -x "$build/brastor-mapcheck" ]; then
    mkdir -p "$work/won/level1"
    printf 'map\n#...........#\n#.P...#.d.G.#\n#...........#\n#ggggggggggg#\n#############\n' >"$work/won/level1/map.map"
    "$build/brastor-mapcheck" --no-routes "$work/won/level1" >/dev/null || fail "won: the checker refuses the level"
    "$build/brastor-mapcheck" --emit-script "$work/won/proofs" "$work/won/level1" >/dev/null
    sed "s|^quit\$|wait 5\ntype space\nwait 10\ncapture $work/result.bmp\nquit|" "$work/won/proofs/exit.keys" >"$work/won.keys"
    "$exe" --level "$work/won/level1" --script "$work/won.keys" >"$work/out" 2>&1 &&
        grep -q 'event=final' "$work/out" || fail "won: $(cat "$work/out")"
    python3 - "$work/result.bmp" <<'PY' || fail "won: the result box is not darkened evenly over the sky"
import struct, sys
d = open(sys.argv[1], 'rb').read()
at, w, h, bits = struct.unpack_from('<I', d, 10)[0], *struct.unpack_from('<ii', d, 18), struct.unpack_from('<H', d, 28)[0]
row = (w * bits // 8 + 3) & ~3
def pixel(x, y):  # y from the top
    o = at + row * (abs(h) - 1 - y if h > 0 else y) + x * bits // 8
    return d[o:o + 3]
# The result box spans rows 190 to 290; the box before it, rows 230 to 250.
sys.exit(0 if pixel(75, 200) == pixel(75, 240) == pixel(75, 280) != pixel(75, 100) else 1)
PY
fi

playtest="$build/brastor-playtest"
if [ -x "$playtest" ]; then
    "$playtest" --help >"$work/out" 2>&1 || fail "brastor-playtest --help: status $?"
    for flag in --mission --seed --record --replay; do
        grep -q "^  $flag " "$work/out" || fail "brastor-playtest --help lacks $flag"
    done
    # pt STATUS TEXT ARGS...: the status and TEXT on stderr, no window opened.
    pt() {
        local status=$1 want=$2
        shift 2
        env -u DISPLAY -u WAYLAND_DISPLAY "$playtest" "$@" >"$work/out" 2>"$work/err"
        local got=$?
        [ $got -eq "$status" ] && grep -qF -- "$want" "$work/err" ||
            fail "brastor-playtest $*: status $got, wanted $status and \"$want\": $(cat "$work/err")"
    }
    pt 2 "no LEVEL" --seed 3
    pt 2 "'3' for --mission" --mission 3 "$work/cave.map"
    pt 2 "cannot go together" --record "$work/r.keys" --replay "$work/level.txt" "$work/cave.map"
    pt 1 "$work/bad.map:4: map row has 2 cells" "$work/bad.map"
fi
"$build/tools/bake/brastor-bake" --help >"$work/out" 2>&1 && grep -q "^Turns the text sources" "$work/out" ||
    fail "brastor-bake --help: $(cat "$work/out")"

finish
