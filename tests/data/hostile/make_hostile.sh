#!/bin/bash
# make_hostile.sh FOLDER: writes map pictures that break every limit of the
# map format into FOLDER (oversized, zero and negative sizes, lying headers,
# files cut short in the header and mid-row, enemies packed by the thousand,
# every cell solid or a contact, markers on the grid's borders). Plain bash,
# so the test needs nothing beyond the shell; the big ones are made at test
# time rather than committed.
set -eu
out=$1
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# le32 N: four little-endian bytes of N (two's complement for negatives).
le32() {
    local v=$(($1 & 0xFFFFFFFF))
    printf "\\x$(printf %02x $((v & 255)))\\x$(printf %02x $((v >> 8 & 255)))"
    printf "\\x$(printf %02x $((v >> 16 & 255)))\\x$(printf %02x $((v >> 24 & 255)))"
}

# header W H: the 54-byte header of a 24-bit picture of W x H (size fields as given).
header() {
    printf 'BM'
    le32 $((54 + 3 * $1 * $2))
    le32 0
    le32 54
    le32 40
    le32 "$1"
    le32 "$2"
    printf '\x01\x00\x18\x00'
    head -c 24 /dev/zero
}

# repeat PATTERN COUNT: COUNT bytes of the printf PATTERN repeated.
repeat() {
    local f="$tmp/pattern"
    printf "$1" >"$f"
    [ -s "$f" ] || { head -c "$2" /dev/zero; return; }
    while [ "$(stat -c %s "$f")" -lt "$2" ]; do
        cat "$f" "$f" >"$f.2"
        mv "$f.2" "$f"
    done
    head -c "$2" "$f"
}

# filled NAME W H PATTERN: a whole picture of the pattern, rows padded to 4 bytes.
filled() {
    local row=$(((3 * $2 + 3) / 4 * 4))
    { header "$2" "$3"; repeat "$4" $((row * $3)); } >"$out/$1.bmp"
}

# Colours as blue, green, red bytes.
white='\xff\xff\xff'; black='\x00\x00\x00'; player='\xff\x00\xff'
walker='\xff\x00\x00'; flyer='\xff\xff\x00'; turret='\x00\x00\x80'
swan='\x80\x80\x40'; snake='\x80\x00\x40'
diamond='\x00\x00\xff'; crystal='\xff\x00\x80'; spikes='\xc0\xc0\xc0'
breakable='\x80\x80\x00'; generator='\x80\x80\x80'; hostage='\x32\x32\x32'
door='\x00\xf0\xff'; flow='\x80\xff\x80'; plant='\x00\xff\x00'
enemiesAll="$walker$flyer$turret$swan$snake"
mixed="$black$diamond$player$walker$spikes$breakable$turret$door$plant$flow$generator$white"

# ---- oversized: only the part that fits the grid may be read
filled huge-300x300 300 300 "$mixed$enemiesAll$crystal"
filled tall-201x5000 201 5000 "$walker$black$white$white$diamond$turret$white"
filled wide-5000x201 5000 201 "$snake$white$black$white$flyer"
filled over-by-one-202x202 202 202 "$player$mixed"

# ---- sizes zero, negative and extreme, with a little data behind them
for size in "0 0" "0 100" "100 0" "-5 10" "10 -10" "-1 -1" "1 1" "1 201" "201 1" \
    "-2147483648 -2147483648" "2147483647 2147483647" "2147483647 1" "1 2147483647" \
    "-2147483648 5" "201 -2147483648"; do
    set -- $size
    { header "$1" "$2"; repeat "$mixed" 3000; } >"$out/size_${1}x${2}.bmp"
done

# ---- headers that lie: sizes far beyond the file's bytes
{ header 201 201; } >"$out/lie-201x201-no-pixels.bmp"
{ header 100000 100000; repeat "$enemiesAll" 1000; } >"$out/lie-100000x100000.bmp"
{ header 201 201; repeat "$player$walker" 2000; } >"$out/lie-201x201-short.bmp"
{ header 4 2000000000; repeat "$turret" 600; } >"$out/lie-4x2e9.bmp"

# ---- cut short everywhere: in the header and mid-row of a 40 x 30 map
filled whole-40x30 40 30 "$white$walker$diamond$player$black$turret$white$breakable"
for cut in 0 1 2 14 17 18 19 21 22 23 25 26 53 54 55 56 57 173 174 175 1000 2001; do
    head -c "$cut" "$out/whole-40x30.bmp" >"$out/cut-$cut.bmp"
done

# ---- enemies by the thousand, every cell solid, every cell a contact
filled enemies-200x200 200 200 "$enemiesAll"
filled walkers-201x201 201 201 "$walker"
filled turrets-201x201 201 201 "$turret"
filled players-201x201 201 201 "$player"
filled solid-201x201 201 201 "$black"
for name in diamond crystal spikes breakable generator hostage door flow plant; do
    filled "all-$name-201x201" 201 201 "${!name}"
done
filled all-contacts-201x201 201 201 "$diamond$crystal$spikes$hostage$flow"
# The player boxed in by solid rock in the middle of a full grid.
{
    header 201 201
    repeat "$black" $((604 * 100))
    repeat "$black" 300; printf "$player"; repeat "$black" 301
    repeat "$black" $((604 * 100))
} >"$out/player-in-rock-201x201.bmp"

# ---- markers on the grid's borders: a turret in column 0 of every row, a
# flyer in column 200, walkers along row 0 and row 200, the player in a corner.
row_of() { # row_of FIRST MIDDLE LAST: one padded row of 201 pixels
    printf "$1"; repeat "$2" $((3 * 199)); printf "$3"; printf '\x00'
}
# rows COUNT FIRST MIDDLE LAST: COUNT equal rows.
rows() {
    row_of "$2" "$3" "$4" >"$tmp/row"
    local f="$tmp/rows"
    cp "$tmp/row" "$f"
    while [ "$(stat -c %s "$f")" -lt $((604 * $1)) ]; do
        cat "$f" "$f" >"$f.2"
        mv "$f.2" "$f"
    done
    head -c $((604 * $1)) "$f"
}
{
    header 201 201
    row_of "$player" "$walker" "$snake"
    rows 199 "$turret" "$white" "$flyer"
    row_of "$turret" "$walker" "$player"
} >"$out/borders-201x201.bmp"
# The player marker alone in each corner of a full grid (file row 0 is the bottom).
{ header 201 201; row_of "$player" "$white" "$white"; rows 200 "$white" "$white" "$turret"; } >"$out/corner-bottom-left.bmp"
{ header 201 201; row_of "$white" "$white" "$player"; rows 200 "$turret" "$white" "$white"; } >"$out/corner-bottom-right.bmp"
{ header 201 201; rows 200 "$swan" "$white" "$white"; row_of "$player" "$white" "$white"; } >"$out/corner-top-left.bmp"
{ header 201 201; rows 200 "$white" "$white" "$snake"; row_of "$white" "$white" "$player"; } >"$out/corner-top-right.bmp"
