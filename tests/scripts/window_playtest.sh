#!/usr/bin/env bash
# brastor-playtest on a private X server: a small level drawn in text is played
# in the window with real key presses (walk, jump, pick up a diamond, fire,
# give up with Escape, the result, the briefing again, quit with Escape there)
# and recorded with --record; brastor-headless, run as the recording's header
# says, must tell the same events and end on the same trace line. Then the
# recording is watched with --replay, Tab held, and must tell the same again;
# so must the committed winning script of mission 1, watched from the title,
# and the proofs brastor-mapcheck writes for a mission 1 and a mission 2
# level, each played as its header says, headless and watched.
# Every step waits on what the recording shows, never on the clock.
# Usage: window_playtest.sh <build-dir> <source-dir>
program=brastor-playtest
source "$(dirname "$0")/lib/xvfb.sh"
src=$(cd "${2:-$(dirname "$0")/../..}" && pwd)
[ -x "$build/brastor-headless" ] || fail "brastor-headless not built"

rec="$work/run.keys"
cat >"$work/walk.map" <<'MAP'
# A step to jump, a diamond behind it, a generator at the end.
map
##.#################
#..................#
#..................#
#.P.............G..#
#.......#...d......#
#gggggggggggggggggg#
####################
MAP

# Starts the tester with the given options and waits for its window.
start_playtest() {
  (cd "$work" && exec "$program" "$@") >"$work/playtest.out" 2>"$work/game.log" &
  game_pid=$!
  wait_for_window
  xdotool windowfocus --sync "$window" 2>/dev/null
}

# recorded PATTERN [COUNT]: waits until COUNT lines of the recording match.
recorded() {
  local pattern=$1 count=${2:-1}
  for _ in $(seq 1800); do
    [ "$(grep -c -- "$pattern" "$rec" 2>/dev/null)" -ge "$count" ] && return 0
    kill -0 "$game_pid" 2>/dev/null || fail "the tester ended before recording '$pattern'"
    sleep 0.1
  done
  fail "never recorded: '$pattern'"
}


start_playtest --seed 7 --record "$rec" "$work/walk.map"
recorded 'event=mission-start mission=1'
xdotool key space;          recorded '^type space'
xdotool keydown Right;      recorded '^hold right'
xdotool keydown Up;         recorded 'diamonds=1'   # over the step, onto the diamond
xdotool keyup Up;           recorded '^release up'
xdotool keydown z;          recorded '^hold z'
xdotool keyup z;            recorded '^release z'
xdotool keyup Right;        recorded '^release right'
xdotool keydown Escape;     recorded 'event=mission-end mission=1 result=failed score=10'
xdotool keyup Escape;       recorded '^release escape'
recorded 'event=final score=10'
xdotool key space;          recorded 'event=mission-start' 2   # the same level again
xdotool keydown Escape                                          # quits on the briefing
wait_for_exit 300
xdotool keyup Escape
[ "$code" = 0 ] || fail "Escape on the briefing: exit code $code"
tsan_clean || fail "ThreadSanitizer report"
head -3 "$rec"

# The replay, exactly as the header gives it.
replay=$(sed -n 's/^# Replay: brastor-headless //p' "$rec")
[ -n "$replay" ] || fail "no replay command in the header: $(head -3 "$rec")"
# shellcheck disable=SC2086  # the header's words are the options
"$build/brastor-headless" $replay --trace "$work/trace.txt" >"$work/headless.out" 2>&1 ||
  fail "the headless replay: status $?: $(cat "$work/headless.out")"
sed -n 's/^# \(tick=\)/\1/p' "$rec" >"$work/window.out"
diff "$work/window.out" "$work/headless.out" >"$work/events.diff" ||
  fail "the events differ (window <, headless >): $(cat "$work/events.diff")"
window_last=$(sed -n 's/^# last frame: //p' "$rec")
headless_last=$(tail -1 "$work/trace.txt" | sed 's/ [0-9]*$//')  # less the virtual clock
echo "last frame: window '$window_last', headless '$headless_last'"
[ -n "$window_last" ] && [ "$window_last" = "$headless_last" ] || fail "the last frames differ"

# watch NAME HEADLESS_OUTPUT ARGS...: --replay ARGS in the window, Tab held;
# it must tell what brastor-headless told.
watch() {
  local name=$1 want=$2
  shift 2
  start_playtest --replay "$@"
  xdotool keydown Tab
  wait_for_exit 300
  xdotool keyup Tab
  [ "$code" = 0 ] || fail "$name: --replay: exit code $code"
  tsan_clean || fail "$name: ThreadSanitizer report"
  grep '^tick=' "$work/playtest.out" >"$work/watched.out"
  diff "$work/watched.out" "$want" >"$work/events.diff" ||
    fail "$name: the events differ (watched <, headless >): $(cat "$work/events.diff")"
}
watch recording "$work/headless.out" "$rec" "$work/walk.map"
grep -qxF "last frame: $headless_last" "$work/playtest.out" || fail "recording: watched, the last frame differs"
"$build/brastor-headless" --script "$src/data/scripts/mission1.keys" >"$work/mission1.out" ||
  fail "mission 1 headless: status $?"
grep -q 'result=completed' "$work/mission1.out" || fail "mission 1 headless: $(cat "$work/mission1.out")"
watch "mission 1" "$work/mission1.out" "$src/data/scripts/mission1.keys" "$build/level1"

# The exit proofs of two levels drawn in text, in mission folders of their own.
mkdir -p "$work/mine/level1" "$work/mine/level2"
printf 'map\n#...........#\n#.P...#.d.G.#\n#...........#\n#ggggggggggg#\n#############\n' >"$work/mine/level1/map.map"
printf 'map\n#...........#\n#.P...#.d.h.#\n#...........#\n#ggggggggggg#\n#############\n' >"$work/mine/level2/map.map"
for mission in 1 2; do
  "$build/brastor-mapcheck" --emit-script "$work/proofs$mission" "$work/mine/level$mission" >"$work/check.out" ||
    fail "mission $mission level: the checker refuses it: $(cat "$work/check.out")"
  proof="$work/proofs$mission/exit.keys"
  replay=$(sed -n 's/^# Replay: brastor-headless //p' "$proof")
  # shellcheck disable=SC2086  # the header's words are the options
  "$build/brastor-headless" $replay >"$work/proof.out" 2>&1 || fail "mission $mission proof: status $?"
  frame=$(sed -n 's/^# expect: mission [12] frame \([0-9]*\) exit$/\1/p' "$proof")
  grep -q "frame=$frame event=mission-end mission=$mission result=completed" "$work/proof.out" ||
    fail "mission $mission proof: not won in frame $frame, as claimed: $(cat "$work/proof.out")"
  # shellcheck disable=SC2046
  watch "mission $mission proof" "$work/proof.out" $(sed -n 's/^# Watch: brastor-playtest --replay //p' "$proof")
done

echo "playtest window test passed"
