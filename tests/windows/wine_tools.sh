#!/usr/bin/env bash
# The level author's loop from the Windows zip under Wine, as README.txt gives
# it, in folders named outside ASCII: its map baked by brastor-bake.exe, checked
# with a picture by brastor-mapcheck.exe, a recording replayed by
# brastor-headless.exe. Each must print, write and end exactly as the native
# program does on the same files: the same map bytes, the same PNG bytes, the
# same report and trace. First the zip's contents against the list below.
# Usage: wine_tools.sh <windows-build-dir> <native-build-dir>
set -uo pipefail
command -v unzip >/dev/null || { echo "FAIL: unzip missing (scripts/deps.sh windows-test installs it)"; exit 1; }
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
native=$(cd "$2" && pwd)
for tool in brastor-headless brastor-mapcheck tools/bake/brastor-bake; do
  [ -x "$native/$tool" ] || { echo "FAIL: $native/$tool not built"; exit 1; }
done
source "$(dirname "$0")/wine.sh"
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap '"$wineserver" -k 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
export LC_ALL=C.UTF-8  # Wine reads the arguments in the locale's encoding

zip=$(ls "$build"/brastor-windows-*.zip 2>/dev/null | head -1)
[ -n "$zip" ] || { echo "FAIL: no brastor-windows-*.zip in $build"; exit 1; }
top=$(basename "$zip" .zip)
{
  printf '%s\n' brastor.exe brastor-playtest.exe brastor-headless.exe brastor-mapcheck.exe brastor-bake.exe README.txt
  (cd "$native" && find gfx level1 level2 -type f)
} | sed "s|^|$top/|" | sort >"$work/want.list"
unzip -Z1 "$zip" | grep -v '/$' | sort >"$work/zip.list"
diff "$work/want.list" "$work/zip.list" >"$work/list.diff" ||
  fail "the zip's files differ from the list (list <, zip >): $(cat "$work/list.diff")"

jorg="J$(printf '\xc3\xb6')rg $(printf '\xe6\x95\xb0\xe6\x8d\xae')"
mkdir -p "$work/Programme $jorg" && (cd "$work/Programme $jorg" && unzip -q "$zip") || { echo "FAIL: unpacking"; exit 1; }
bin="$work/Programme $jorg/$top"

# README.txt's map, into a mission folder of the author's own.
sources="Karten $jorg" baked="Gebacken $jorg" picture="Bild $jorg.png"
mkdir -p "$work/win/$sources/level1" "$work/native"
tr -d '\r' <"$bin/README.txt" | awk '/^     map$/ { on = 1 } on && !/^     / { exit } on { print substr($0, 6) }' \
  >"$work/win/$sources/level1/map.map"
grep -q '^#.P' "$work/win/$sources/level1/map.map" || fail "no map in README.txt"
cp -r "$work/win/$sources" "$work/native/"
cp "$source_dir/tests/data/author/run.keys" "$work/win/"
cp "$source_dir/tests/data/author/run.keys" "$work/native/"

# Runs one program here and the same under Wine on the same arguments, each in
# its own folder; their status and output (Windows line ends aside) must agree.
both() {
  local name=$1 native_program=$2
  shift 2
  (cd "$work/native" && "$native_program" "$@" >"$work/$name.native" 2>&1; echo "status $?" >>"$work/$name.native")
  (cd "$work/win" && "$wine" "$bin/$name.exe" "$@" 2>&1 | tr -d '\r' >"$work/$name.wine"; echo "status ${PIPESTATUS[0]}" >>"$work/$name.wine")
  diff "$work/$name.native" "$work/$name.wine" >"$work/$name.diff" ||
    fail "$name.exe answers otherwise than $name (native <, Wine >): $(cat "$work/$name.diff")"
}
both brastor-bake "$native/tools/bake/brastor-bake" "$sources" "$baked"
grep -q "files written to $baked\$" "$work/brastor-bake.wine" || fail "brastor-bake.exe: $(cat "$work/brastor-bake.wine")"
cmp -s "$work/native/$baked/level1/map.bmp" "$work/win/$baked/level1/map.bmp" || fail "the baked maps differ"
both brastor-mapcheck "$native/brastor-mapcheck" "$baked/level1/map.bmp" --picture "$picture"
grep -q ' 0 error(s), 0 warning(s)$' "$work/brastor-mapcheck.wine" || fail "README.txt's map does not pass the check"
[ -s "$work/win/$picture" ] || fail "brastor-mapcheck.exe wrote no picture"
cmp -s "$work/native/$picture" "$work/win/$picture" || fail "the PNG under Wine differs from the native one"
both brastor-headless "$native/brastor-headless" --seed 7 --mission 1 --level "$baked/level1" --script run.keys \
  --trace trace.txt
tr -d '\r' <"$work/win/trace.txt" | cmp -s - "$work/native/trace.txt" || fail "the replay's trace differs under Wine"
"$wine" "$bin/brastor-playtest.exe" -h 2>&1 | grep -q '^usage: brastor-playtest' || fail "brastor-playtest.exe -h prints no usage"
"$wineserver" -w
[ $failures -eq 0 ] || exit 1
echo "Wine tools test passed"
