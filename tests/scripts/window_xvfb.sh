#!/usr/bin/env bash
# The window program end to end on a private X server: start, title, briefing,
# play (on a German keyboard layout, Ctrl held for two of the keys), a
# screenshot that must match what the window shows, a failed mission,
# back to the title and out with Escape; then a second run closed from outside
# (SIGTERM reaches SDL as a quit, the same event as the close button; SIGINT
# would do too, but a script's background jobs ignore it); and a run with no
# display, which must say so and exit 1.
# Usage: window_xvfb.sh <build-dir> <source-dir>
for tool in xwd convert compare; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool missing (scripts/deps.sh installs it)"; exit 1; }
done
program=brastor
source "$(dirname "$0")/lib/xvfb.sh"

# Starts the program in the working folder and waits for its window.
start_game() {
  (cd "$work/run" && exec "$program") >"$work/game.log" 2>&1 &
  game_pid=$!
  wait_for_window
  xdotool windowfocus --sync "$window" 2>/dev/null
  sleep 1.5  # the title screen is up and waiting for keys
}


mkdir -p "$work/run"
start_game
# A German layout (setxkbmap comes with Xvfb), switched while the game runs.
setxkbmap de || fail "setxkbmap de"
sleep 0.5

xdotool key space        # title -> briefing
sleep 1.5
xdotool key ctrl+space   # briefing -> play
sleep 1.5
for _ in 1 2 3 4 5; do
  xdotool key ctrl+h
  sleep 1
  [ -f "$work/run/screen.bmp" ] && break
done
[ -f "$work/run/screen.bmp" ] || fail "no screen.bmp in the working folder"
size=$(stat -c %s "$work/run/screen.bmp")
[ "$size" -eq 921654 ] || fail "screen.bmp has $size bytes, not 921654"

# The window's client area must show the frame that was saved; only the
# animated tiles (and anything moving) may differ between the two moments.
geometry=$(xdotool getwindowgeometry --shell "$window") || fail "no geometry for window $window"
eval "$geometry"
[ "$WIDTH" -eq 640 ] && [ "$HEIGHT" -eq 480 ] || fail "window is ${WIDTH}x${HEIGHT}, not 640x480"
xwd -root -silent | convert xwd:- -crop "640x480+$X+$Y" +repage "png:$work/window.png" ||
  fail "capturing the screen"
differing=$(compare -metric AE "$work/window.png" "$work/run/screen.bmp" null: 2>&1)
echo "pixels differing between the window and screen.bmp: $differing"
[[ "$differing" =~ ^[0-9]+$ ]] || fail "compare: $differing"
[ "$differing" -le 30720 ] || fail "the window does not show the frame ($differing of 307200 pixels differ)"

xdotool keydown Escape   # give up the mission
sleep 1
xdotool keyup Escape
sleep 1
xdotool key space        # final screen -> title
sleep 1.5
xdotool keydown Escape   # quit from the title
wait_for_exit 15
xdotool keyup Escape
[ "$code" = 0 ] || fail "Escape on the title screen: exit code $code"
tsan_clean || fail "ThreadSanitizer report"

# Closing the window while the game waits on its title screen.
start_game
kill -TERM "$game_pid"
wait_for_exit 15
[ "$code" = 0 ] || fail "closing the window: exit code $code"
tsan_clean || fail "ThreadSanitizer report"

# With no display at all the program says so and ends, rather than running
# unseen on SDL's off-screen driver.
(cd "$work/run" && env -u DISPLAY -u WAYLAND_DISPLAY timeout 60 "$program") >"$work/game.log" 2>&1
code=$?
[ "$code" = 1 ] && grep -q "cannot open a window" "$work/game.log" || fail "with no display: exit code $code"

echo "window test passed"
