#!/usr/bin/env bash
# The window program driven from inside (brastor-window-driver) on a private
# X server: a storm of keys, focus changes and full-screen toggles while this
# script resizes the window, then a close among screenshots that must never
# leave screen.bmp torn; and a whole game played with a virtual gamepad.
# Usage: window_stress.sh <build-dir> <source-dir>
program=brastor-window-driver
source "$(dirname "$0")/lib/xvfb.sh"

# Runs one mode in its own folder, resizing its window meanwhile; bounded by
# the driver's own step limits plus this script's.
drive() {
  local mode=$1 sizes=("320 240" "1280 960" "641 479" "640 480") resizes=0
  mkdir -p "$work/$mode"
  (cd "$work/$mode" && exec "$program" "$mode") >"$work/game.log" 2>&1 &
  game_pid=$!
  local end=$((SECONDS + 400))
  while kill -0 "$game_pid" 2>/dev/null; do
    [ "$SECONDS" -lt "$end" ] || fail "$mode: the driver did not finish"
    window=$(xdotool search --name '^Brastor$' 2>/dev/null | head -1)
    if [ "$mode" = stress ] && [ -n "$window" ]; then
      xdotool windowsize "$window" ${sizes[resizes % 4]} 2>/dev/null && resizes=$((resizes + 1))
    fi
    sleep 0.2
  done
  wait "$game_pid"
  local code=$?
  grep -q "^$mode passed" "$work/game.log" && [ "$code" = 0 ] || fail "$mode: exit code $code"
  tsan_clean || fail "$mode: ThreadSanitizer report"
  game_pid=""
  echo "$(grep "^$mode passed" "$work/game.log")"
  [ "$mode" = stress ] && echo "resizes from outside: $resizes"
}

drive stress
size=$(stat -c %s "$work/stress/screen.bmp" 2>/dev/null)
[ "$size" = 921654 ] || fail "screen.bmp after the close: ${size:-missing}, not 921654 bytes"
drive pad
echo "window stress test passed"
