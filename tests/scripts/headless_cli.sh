#!/bin/bash
# brastor-headless's command line and script reader: --help lists the options
# of the README's table; bad options and bad scripts exit 2 naming the option
# or the line; a capture that cannot be written stops the run with status 1;
# quit and --max-ticks stop a run with status 0 at the tick they name.
set -u
build=$(cd "$1" && pwd)
src=${2:-$(dirname "$0")/../..}
exe="$build/brastor-headless"
[ -x "$exe" ] || { echo "no $exe"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
data="$work/data"  # an empty data folder: every picture, map and text is missing
mkdir -p "$data"
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# expect_error NAME TEXT ARGS...: exit status 2, TEXT on stderr, nothing on stdout.
expect_error() {
    local name=$1 want=$2
    shift 2
    "$exe" "$@" >"$work/out" 2>"$work/err"
    local status=$?
    [ $status -eq 2 ] || fail "$name: status $status, not 2"
    grep -qF -- "$want" "$work/err" || fail "$name: stderr lacks \"$want\": $(cat "$work/err")"
    [ -s "$work/out" ] && fail "$name: the game ran: $(head -2 "$work/out")"
}

# expect_script_error NAME TEXT SCRIPT-LINES...
expect_script_error() {
    local name=$1 want=$2
    shift 2
    printf '%s\n' "$@" >"$work/script.txt"
    expect_error "$name" "$work/script.txt:$want" --data "$data" --script "$work/script.txt"
}

# readme_options SECTION: the option names in the first column of the tables
# in the README section whose title holds SECTION.
readme_options() {
    awk -v s="$1" '/^## /{on = index($0, s) > 0} on && /^\| `-/' "$src/README.md" |
        cut -d'|' -f2 | grep -o '`-[^` ]*' | tr -d '`' | sort
}
# help_options: the option names of a --help text on standard input.
help_options() {
    awk -F'  ' '/^  -/ {print $2}' | grep -o -- '-[-a-z]*' | sort
}

# ---- --help and -h: the usage on stdout, status 0, the README's options exactly
want=$(readme_options "brastor-headless")
[ -n "$want" ] || fail "README: no options table for brastor-headless"
for flag in --help -h; do
    "$exe" --seed 3 "$flag" --speed >"$work/out" 2>"$work/err" || fail "$flag: status $?"
    [ -s "$work/err" ] && fail "$flag: stderr: $(cat "$work/err")"
    [ "$(help_options <"$work/out")" = "$want" ] ||
        fail "$flag: options differ from the README's: $(help_options <"$work/out" | tr '\n' ' ')"
done
# The game itself takes no options but answers --help.
if [ -x "$build/brastor" ]; then
    "$build/brastor" --help >"$work/out" 2>&1 || fail "brastor --help: status $?"
    grep -q '^usage: brastor ' "$work/out" || fail "brastor --help: $(cat "$work/out")"
fi

# ---- options
expect_error "unknown option" "'--speed'" --data "$data" --speed 3
expect_error "stray argument" "'level1'" --data "$data" level1
expect_error "missing value" "'--seed'" --data "$data" --seed
expect_error "bad seed" "--seed" --data "$data" --seed 12abc
expect_error "negative seed" "--seed" --data "$data" --seed -4
expect_error "bad max ticks" "--max-ticks" --data "$data" --max-ticks ten
expect_error "no data folder" "$work/nowhere" --data "$work/nowhere"
expect_error "no script file" "$work/none.txt" --data "$data" --script "$work/none.txt"
expect_error "trace not writable" "--trace" --data "$data" --trace "$work/nowhere/trace.txt"

# ---- scripts: the line named is the line of the file, comments and blanks counted
expect_script_error "unknown command" "3: unknown command 'jump'" \
    "# a comment" "" "jump" "wait 1"
expect_script_error "unknown key" "2: unknown key 'foo'" "wait 1" "hold foo"
expect_script_error "scan code too big" "1: unknown key '128'" "release 128"
expect_script_error "key name case" "1: unknown key 'Escape'" "hold Escape"
expect_script_error "negative wait" "2: bad number '-5'" "type space" "wait -5"
expect_script_error "wait not a number" "1: bad number '1x'" "wait 1x"
expect_script_error "wait overflow" "1: bad number" "wait 99999999999999999999999"
expect_script_error "wait alone" "4: 'wait' needs" "wait 1" "" "  # indented comment" "wait"
expect_script_error "hold alone" "1: 'hold' needs" "hold"
expect_script_error "type alone" "1: 'type' needs" "type"
expect_script_error "capture alone" "1: 'capture' needs" "capture   "
expect_script_error "two characters" "1: bad character 'ab'" "type ab"
expect_script_error "extra word" "2: unexpected 'now'" "wait 2" "quit now"
# The first bad line is named, not a later one.
expect_script_error "first error" "2: unknown key 'q'" "wait 1" "hold q" "hold w"

# ---- a valid script with every form: comments, blanks, CRLF, trailing comments
printf '# keys\r\nhold escape  # held\r\nrelease 1\r\n\r\ntype #\r\ntype space\r\ntype ~\r\nhold 0\r\nwait 0\r\ncapture %s\r\nwait 2 # two ticks\r\nquit\r\n' \
    "$work/c.bmp" >"$work/good.txt"
"$exe" --data "$data" --script "$work/good.txt" >"$work/out" 2>"$work/err"
status=$?
[ $status -eq 0 ] || fail "valid script: status $status: $(cat "$work/err")"
grep -q 'event=end' "$work/out" || fail "valid script: no end event"
# wait 0 lets no tick pass, wait 2 two: quit runs at tick 3.
grep -q '^tick=3 .*event=end$' "$work/out" || fail "valid script: quit not at tick 3: $(tail -1 "$work/out")"

# ---- a capture that cannot be written stops the run at once, status 1, its line named
printf 'wait 2\n\ncapture %s\nwait 50\n' "$work/nowhere/c.bmp" >"$work/capture.txt"
"$exe" --data "$data" --script "$work/capture.txt" >"$work/out" 2>"$work/err"
status=$?
[ $status -eq 1 ] || fail "failed capture: status $status, not 1"
grep -qF "$work/capture.txt:3: cannot write '$work/nowhere/c.bmp'" "$work/err" ||
    fail "failed capture: stderr $(cat "$work/err")"
grep -q '^tick=3 .*event=end$' "$work/out" || fail "failed capture: ran on to $(tail -1 "$work/out")"

# ---- --max-ticks and quit stop the run at the tick they name
"$exe" --data "$data" --max-ticks 40 >"$work/out" 2>"$work/err"
status=$?
[ $status -eq 0 ] || fail "max ticks: status $status"
[ "$(tail -1 "$work/out" | sed 's/ frame=.*event=/ event=/')" = "tick=40 event=end" ] ||
    fail "max ticks: last line $(tail -1 "$work/out")"
grep -q '^tick=0 frame=0 event=title$' "$work/out" || fail "max ticks: no title line at tick 0"

printf 'wait 25\nquit\nhold escape\n' >"$work/quit.txt"
"$exe" --data "$data" --script "$work/quit.txt" --max-ticks 1000 >"$work/out" 2>"$work/err"
status=$?
[ $status -eq 0 ] || fail "quit: status $status"
[ "$(tail -1 "$work/out" | sed 's/ frame=.*event=/ event=/')" = "tick=26 event=end" ] ||
    fail "quit: last line $(tail -1 "$work/out")"

# After the script's last command the game runs on until the limit.
printf 'wait 3\n' >"$work/short.txt"
"$exe" --data "$data" --script "$work/short.txt" --max-ticks 12 >"$work/out" 2>&1
grep -q '^tick=12 .*event=end$' "$work/out" || fail "script end: last line $(tail -1 "$work/out")"

"$exe" --data "$data" --max-ticks 0 >"$work/out" 2>&1 || fail "max ticks 0: status $?"
# Quit is asked before the game starts; it ends at its first look (at most one poll).
grep -q '^tick=[01] .*event=end$' "$work/out" || fail "max ticks 0: $(tail -1 "$work/out")"

[ $failures -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "ok"
