#!/usr/bin/env bash
# brastor.exe from the Windows zip under Wine on a private X server, unpacked
# into a folder named outside ASCII and started from another working folder:
# the title, full screen and back with Alt+Enter, Space into the briefing and
# Ctrl+Space into play, Ctrl+H for a screen.bmp of 921,654 bytes whose
# head-up display rows equal a headless capture's, Escape held to fail the
# mission, Space back to the title and Escape there to end with exit code 0.
# Then WINE_EXITS more starts (10 unless set), each quit with Escape on the
# title screen, must all end with 0 and at once (a fault at exit shows a crash
# dialog and holds the process); and brastor.exe copied alone into a folder
# must show its message box and end with 1.
# Each screen is awaited until the window shows what the headless runner drew
# for it, so no step depends on how fast Wine is.
# Usage: [WINE_EXITS=N] wine_window.sh <windows-build-dir> <native-build-dir>
for tool in xwd convert compare unzip; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool missing (scripts/deps.sh windows-test installs it)"; exit 1; }
done
native=$(cd "$2" && pwd)
[ -x "$native/brastor-headless" ] || { echo "FAIL: $native/brastor-headless not built"; exit 1; }
source "$(dirname "$0")/wine.sh"
program=brastor.exe
source "$(dirname "$0")/../scripts/lib/xvfb.sh"
trap '"$wineserver" -k 2>/dev/null; cleanup' EXIT
zip=$(ls "$build"/brastor-windows-*.zip 2>/dev/null | head -1)
[ -n "$zip" ] || fail "no brastor-windows-*.zip in $build"

# The screens as the headless runner draws them.
mkdir -p "$work/headless"
cat >"$work/headless/game.keys" <<'KEYS'
wait 5
capture title.bmp
type space
wait 5
capture briefing.bmp
type space
wait 60
capture play.bmp
hold escape
wait 30
release escape
wait 5
capture final.bmp
quit
KEYS
(cd "$work/headless" && "$native/brastor-headless" --data "$native" --seed 1 --script game.keys >/dev/null) ||
  fail "headless run"

# Waits up to 60 s until ROWS rows of the window's client area from row TOP
# on equal those of the headless capture NAME (the whole screen by default;
# animated tiles make the rest of a play screen differ).
hud_rows=24
window_png() { xwd -root -silent | convert xwd:- -crop "640x$2+$X+$((Y + $3))" +repage "png:$1"; }
await_screen() {
  local name=$1 rows=${2:-480} top=${3:-0} differing
  convert "$work/headless/$name.bmp" -crop "640x$rows+0+$top" +repage "png:$work/want.png"
  for _ in $(seq 200); do
    kill -0 "$game_pid" 2>/dev/null || fail "the program ended while waiting for the $name screen"
    window_png "$work/window.png" "$rows" "$top" &&
      differing=$(compare -metric AE "$work/window.png" "$work/want.png" null: 2>&1) &&
      [ "$differing" = 0 ] && return
    sleep 0.3
  done
  cp "$work/window.png" "$build/wine-$name-actual.png" 2>/dev/null
  fail "the window never showed the $name screen ($differing pixels differ; last look in $build/wine-$name-actual.png)"
}
# A text screen empties the typed-key queue right after showing itself, so a
# key typed in that instant would be dropped by design: type a moment later.
type_on_text_screen() { sleep 0.5; xdotool key "$1"; }

folder="$work/Spiele J$(printf '\xc3\xb6')rg $(printf '\xe6\x95\xb0\xe6\x8d\xae')"
mkdir -p "$folder" "$work/run" && (cd "$folder" && unzip -q "$zip") || fail "unpacking $zip"
exe=$(ls "$folder"/*/brastor.exe)

started=$(date +%s%N)
(cd "$work/run" && exec "$wine" "$exe") >"$work/game.log" 2>&1 &
game_pid=$!
wait_for_window
eval "$(xdotool getwindowgeometry --shell "$window")" || fail "no geometry for window $window"
[ "$WIDTH" -eq 640 ] && [ "$HEIGHT" -eq 480 ] || fail "window is ${WIDTH}x${HEIGHT}, not 640x480"
xdotool windowfocus --sync "$window" 2>/dev/null
await_screen title
echo "start-up under Wine: $(( ($(date +%s%N) - started) / 1000000 )) ms to the title screen"

# Alt+Enter: the window covers the 800 x 600 screen with the frame centred,
# and back to 640 x 480 where it was.
await_geometry() {
  for _ in $(seq 100); do
    eval "$(xdotool getwindowgeometry --shell "$window")" && [ "$WIDTH" -eq "$1" ] && [ "$HEIGHT" -eq "$2" ] && return
    sleep 0.1
  done
  fail "Alt+Enter: the window is ${WIDTH}x${HEIGHT}, not $1x$2"
}
windowed=$X,$Y
xdotool key alt+Return
await_geometry 800 600
X=$((X + 80)) Y=$((Y + 60))
await_screen title
xdotool key alt+Return
await_geometry 640 480
[ "$X,$Y" = "$windowed" ] || fail "Alt+Enter twice: the window moved from $windowed to $X,$Y"

type_on_text_screen space
await_screen briefing
type_on_text_screen ctrl+space  # Ctrl held: the key's own character all the same
await_screen play "$hud_rows"
xdotool key ctrl+h  # WM_CHAR would bring a backspace here
for _ in $(seq 100); do [ -f "$work/run/screen.bmp" ] && break; sleep 0.1; done
[ -f "$work/run/screen.bmp" ] || fail "no screen.bmp in the working folder"
sleep 0.5  # renamed into place whole, but give a slow disk its moment
size=$(stat -c %s "$work/run/screen.bmp")
[ "$size" -eq 921654 ] || fail "screen.bmp has $size bytes, not 921654"
# The bottom-up file ends with the top rows: the head-up display's strip.
cmp -s <(tail -c $((hud_rows * 1920)) "$work/run/screen.bmp") <(tail -c $((hud_rows * 1920)) "$work/headless/play.bmp") ||
  fail "screen.bmp's head-up display rows differ from the headless capture's"

xdotool keydown Escape
await_screen final 80 200  # the box saying the mission failed
xdotool keyup Escape
type_on_text_screen space
await_screen title
xdotool keydown Escape
code=timeout
if timeout 30 tail --pid="$game_pid" -f /dev/null; then
  wait "$game_pid"
  code=$?
  game_pid=""
fi
xdotool keyup Escape
[ "$code" = 0 ] || fail "Escape on the title screen: exit code $code"

# Escape on the title screen, start after start.
exits=${WINE_EXITS:-10}
for run in $(seq "$exits"); do
  (cd "$work/run" && exec "$wine" "$exe") >"$work/game.log" 2>&1 &
  game_pid=$!
  wait_for_window
  eval "$(xdotool getwindowgeometry --shell "$window")" || fail "start $run: no geometry for window $window"
  xdotool windowfocus --sync "$window" 2>/dev/null
  await_screen title
  xdotool keydown Escape
  wait_for_exit 30
  xdotool keyup Escape
  [ "$code" = 0 ] || fail "start $run of $exits: Escape on the title screen gave exit code $code"
done
echo "$exits more starts, each quit on the title screen with exit code 0"

# Without its data beside it: a message box, then exit code 1.
mkdir "$work/alone" && cp "$exe" "$work/alone/"
(cd "$work/run" && exec "$wine" "$work/alone/brastor.exe") >"$work/game.log" 2>&1 &
game_pid=$!
wait_for_window
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH" -lt 640 ] || fail "without data a window of ${WIDTH}x${HEIGHT} opened, not a message box"
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool key Return
wait_for_exit 30
[ "$code" = 1 ] || fail "without data: exit code $code after the message box, not 1"
echo "Wine window test passed"
