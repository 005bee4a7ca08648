#!/usr/bin/env bash
# Packs brastor-windows-VERSION.zip in the Windows build folder: the game, the
# level author's programs, the baked data beside them and README.txt (with
# Windows line ends), all in one folder of the same name; prints the sizes.
# Usage: pack.sh <windows-build-dir> <source-dir> <version>
set -euo pipefail
build=$1 source=$2 version=$3
name=brastor-windows-$version
stage=$build/zip
rm -rf "$stage" "$build/$name.zip"
mkdir -p "$stage/$name"
cp "$build/brastor.exe" "$build/brastor-playtest.exe" "$build/brastor-headless.exe" "$build/brastor-mapcheck.exe" \
  "$build/tools/bake/brastor-bake.exe" "$stage/$name/"
for folder in gfx level1 level2; do cp -r "$build/$folder" "$stage/$name/"; done
sed -e "s/@VERSION@/$version/" -e 's/$/\r/' "$source/packaging/windows/README.txt" >"$stage/$name/README.txt"
# Fixed entry times: the zip differs only where its files do.
find "$stage" -exec touch -h -d 2026-01-01T00:00:00Z {} +
(cd "$stage" && zip -qrX "$build/$name.zip" "$name")
rm -rf "$stage"
# The sizes the README quotes.
printf 'packed %s: %s bytes; brastor.exe %s bytes\n' "$build/$name.zip" \
  "$(stat -c %s "$build/$name.zip" | sed ':a;s/\B[0-9]\{3\}\>/,&/;ta')" \
  "$(stat -c %s "$build/brastor.exe" | sed ':a;s/\B[0-9]\{3\}\>/,&/;ta')"
