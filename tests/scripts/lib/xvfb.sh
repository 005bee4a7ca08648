# Shared by the window scripts: a private X server, the clean-up, and what to
# print when a window test fails. Sourced with the build folder as $1 and the
# program's name in $program; sets build, program, work, xvfb_pid, game_pid and
# DISPLAY. The program's output is expected in $work/game.log.
set -uo pipefail
build=$(cd "$1" && pwd)
program="$build/$program"
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "skipped: Xvfb or xdotool missing"; exit 77; }
[ -x "$program" ] || { echo "FAIL: $program not built"; exit 1; }
work=$(mktemp -d)
xvfb_pid=""
game_pid=""
cleanup() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
# On a failure, everything needed to tell a stuck program from a slow test:
# its log, the windows the X server knows and where each thread stands.
diagnose() {
  echo "--- program log"; cat "$work/game.log" 2>/dev/null
  [ -n "$xvfb_pid" ] || return
  echo "--- windows"; xdotool search --name . 2>&1; xwininfo -root -tree 2>&1 | head -40
  [ -n "$game_pid" ] && kill -0 "$game_pid" 2>/dev/null || return
  echo "--- threads (pid comm state ... utime stime)"
  for task in /proc/"$game_pid"/task/*; do
    cut -d' ' -f1-3,14-15 "$task/stat" 2>/dev/null
    echo "    wchan $(cat "$task/wchan" 2>/dev/null)"
  done
  command -v gdb >/dev/null &&
    timeout 60 gdb -batch -p "$game_pid" -ex "thread apply all bt" 2>&1 | grep -E '^(Thread|#)'
}
fail() { echo "FAIL: $*"; diagnose; exit 1; }

# A display of our own: the server's lock file must name our Xvfb, so a
# server started at the same moment by someone else is never mistaken for it.
# Without -noreset the server resets whenever its last client leaves (every
# xdotool call here) and refuses connections meanwhile, a moment that a loaded
# machine stretches until the program's start can fall into it.
display=""
for n in $(seq 77 140); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 800x600x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    kill -0 "$xvfb_pid" 2>/dev/null || break
    if [ "$(tr -d ' ' 2>/dev/null <"/tmp/.X$n-lock")" = "$xvfb_pid" ] &&
       DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1; then
      display=":$n"
      break
    fi
    sleep 0.1
  done
  [ -n "$display" ] && break
  kill "$xvfb_pid" 2>/dev/null
  xvfb_pid=""
done
[ -n "$display" ] || fail "could not start Xvfb: $(cat "$work/xvfb.log")"
export DISPLAY=$display

# X and GL libraries keep memory until exit; that is not the game's to answer for.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

# Under ThreadSanitizer a report must fail the run even when the program
# leaves through _exit.
export TSAN_OPTIONS="${TSAN_OPTIONS:+$TSAN_OPTIONS:}halt_on_error=1"
# wait_for_window: after starting the program as $game_pid, waits for its
# visible window and sets $window; fails if the program ends first.
wait_for_window() {
  window=""
  for _ in $(seq 600); do
    window=$(xdotool search --onlyvisible --name '^Brastor$' 2>/dev/null | head -1)
    [ -n "$window" ] && return 0
    kill -0 "$game_pid" 2>/dev/null || fail "the program ended at start"
    sleep 0.1
  done
  fail "no window appeared"
}
# wait_for_exit SECONDS: waits that long at most for the program to end by
# itself; sets code to its exit status, or to "timeout".
wait_for_exit() {
  code=timeout
  timeout "$1" tail --pid="$game_pid" -f /dev/null || return
  wait "$game_pid"
  code=$?
  game_pid=""
}
tsan_clean() { ! grep -q "ThreadSanitizer" "$work/game.log"; }
