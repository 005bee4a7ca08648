#!/bin/bash
# The icon maker: a Windows icon file of five sizes whose directory matches its
# PNGs, each picture centred, the 256 one four times the 64 one pixel for
# pixel and the 16 one every fourth pixel of it, magenta see-through; and a
# single PNG as big as the web page's largest.
. "$(dirname "$0")/lib/common.sh"
icon="$build/brastor-icon"
need "$icon" "$build/gfx/player/right/player_1.bmp"
"$icon" "$build/gfx/player/right/player_1.bmp" "$work/brastor.ico" 16 32 48 64 256 || fail "the .ico"
"$icon" "$build/gfx/player/right/player_1.bmp" "$work/big.png" 512 || fail "a 512-pixel PNG"
"$icon" "$build/gfx/player/right/player_1.bmp" "$work/bad.ico" 16 512 2>/dev/null && fail "an icon entry of 512 pixels"
python3 - "$work/brastor.ico" "$work/big.png" "$source/tests/scripts/lib" <<'CHECK' || fail "the icons"
import struct, sys
sys.path.insert(0, sys.argv[3])
from png_pixels import decode

def rgba(png):
    w, h, bpp, rows = decode(png)
    assert bpp == 4, "not RGBA"
    return w, h, lambda x, y: rows[y][4 * x:4 * x + 4]

ico = open(sys.argv[1], "rb").read()
zero, kind, count = struct.unpack("<HHH", ico[:6])
assert (zero, kind, count) == (0, 1, 5), (zero, kind, count)
pictures = {}
for n in range(count):
    w, h, _, _, planes, bits, size, offset = struct.unpack("<BBBBHHII", ico[6 + 16 * n:22 + 16 * n])
    pw, ph, px = rgba(ico[offset:offset + size])
    assert (pw, ph) == (w or 256, h or 256) and (planes, bits) == (1, 32), (n, w, h, pw, ph)
    pictures[pw] = px
assert sorted(pictures) == [16, 32, 48, 64, 256]
# The 52 x 64 player: 13 x 16 from column 1 at 16, 52 x 64 from column 6 at 64,
# 208 x 256 from column 24 at 256; outside those columns nothing shows.
p16, p64, p256 = pictures[16], pictures[64], pictures[256]
for y in range(256):
    for x in range(256):
        want = p64(6 + (x - 24) // 4, y // 4) if 24 <= x < 232 else bytes(4)
        assert p256(x, y) == want, ("256", x, y, p256(x, y), want)
for y in range(16):
    for x in range(16):
        want = p64(6 + (x - 1) * 4, y * 4) if 1 <= x < 14 else bytes(4)
        assert p16(x, y) == want, ("16", x, y)
shown = [p64(x, y) for y in range(64) for x in range(64)]
assert all(p[3] in (0, 255) for p in shown) and sum(p[3] == 255 for p in shown) > 500, "no picture at 64"
assert all(p == bytes(4) for p in shown if p[3] == 0), "see-through pixels keep a colour"
w, h, big = rgba(open(sys.argv[2], "rb").read())
assert (w, h) == (512, 512) and big(256, 256) == p64(32, 32), (w, h)
CHECK
finish
