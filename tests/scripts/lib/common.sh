# Sourced by the script tests (arguments: the build folder, the source folder):
# $build and $source as absolute paths, $exe the headless runner, a private
# $work folder removed at exit, and helpers to skip, count failures and finish.
set -u
build=$(cd "$1" && pwd)
source=$(cd "${2:-$(dirname "$0")/../..}" && pwd)
exe="$build/brastor-headless"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# need PATH...: skips the test (status 77) unless every path exists.
need() { for f; do [ -e "$f" ] || { echo "skipped: no $f"; exit 77; }; done; }
# finish [MESSAGE]: status 1 after any failure, else MESSAGE (ok) and status 0.
finish() { [ $failures -eq 0 ] || exit 1; echo "${1:-ok}"; exit 0; }
# $work/caves: the baked data with mission 2 as both missions; mission 1, with
# no generators, ends at once and the cave mission follows.
caves() {
    mkdir "$work/caves" && ln -s "$build/gfx" "$build/level2" "$work/caves/" && ln -s "$build/level2" "$work/caves/level1"
}
# play_events NAME DATA SEED SCRIPT EVENTS: brastor-headless in $work/NAME with a
# trace.txt; its events less their tick and frame numbers, joined by '|', must
# be EVENTS.
play_events() {
    mkdir -p "$work/$1"
    (cd "$work/$1" && "$exe" --data "$2" --seed "$3" --script "$4" --trace trace.txt --max-ticks 20000 \
        >events.txt 2>errors.txt) || fail "$1: status $?: $(cat "$work/$1/errors.txt")"
    [ "$(sed 's/^tick=[0-9]* frame=[0-9]* //' "$work/$1/events.txt" | paste -sd'|')" = "$5" ] ||
        fail "$1: events differ: $(cat "$work/$1/events.txt")"
}
