#!/usr/bin/env python3
"""make_hostile.py FOLDER: writes map pictures that break every limit of the
map format (oversized, zero and negative sizes, lying headers, files cut short
in the header and mid-row, enemies by the thousand, every cell solid or a
contact, markers on the grid's borders). Made at test time, not committed."""
import os
import struct
import sys

out = sys.argv[1]
os.makedirs(out, exist_ok=True)


def header(w, h):
    sizes = [(54 + 3 * w * h) & 0xFFFFFFFF, 0, 54, 40, w & 0xFFFFFFFF, h & 0xFFFFFFFF]
    return b"BM" + struct.pack("<6I", *sizes) + b"\x01\x00\x18\x00" + bytes(24)


def repeat(pattern, count):
    return (pattern * (count // max(len(pattern), 1) + 1))[:count] if pattern else bytes(count)


def write(name, data):
    with open(os.path.join(out, name + ".bmp"), "wb") as f:
        f.write(data)


def filled(name, w, h, pattern):
    write(name, header(w, h) + repeat(pattern, (3 * w + 3) // 4 * 4 * h))


# Colours as blue, green, red bytes.
white, black, player = b"\xff\xff\xff", b"\x00\x00\x00", b"\xff\x00\xff"
walker, flyer, turret, swan, snake = b"\xff\x00\x00", b"\xff\xff\x00", b"\x00\x00\x80", b"\x80\x80\x40", b"\x80\x00\x40"
cells = {"diamond": b"\x00\x00\xff", "crystal": b"\xff\x00\x80", "spikes": b"\xc0\xc0\xc0",
         "breakable": b"\x80\x80\x00", "generator": b"\x80\x80\x80", "hostage": b"\x32\x32\x32",
         "door": b"\x00\xf0\xff", "flow": b"\x80\xff\x80", "plant": b"\x00\xff\x00"}
c = cells
enemies = walker + flyer + turret + swan + snake
mixed = black + c["diamond"] + player + walker + c["spikes"] + c["breakable"] + turret + c["door"] + c["plant"] + c["flow"] + c["generator"] + white

# Oversized: only the part that fits the grid may be read.
filled("huge-300x300", 300, 300, mixed + enemies + c["crystal"])
filled("tall-201x5000", 201, 5000, walker + black + white + white + c["diamond"] + turret + white)
filled("wide-5000x201", 5000, 201, snake + white + black + white + flyer)
filled("over-by-one-202x202", 202, 202, player + mixed)
# Sizes zero, negative and extreme, with a little data behind them.
for w, h in [(0, 0), (0, 100), (100, 0), (-5, 10), (10, -10), (-1, -1), (1, 1), (1, 201), (201, 1),
             (-2**31, -2**31), (2**31 - 1, 2**31 - 1), (2**31 - 1, 1), (1, 2**31 - 1), (-2**31, 5), (201, -2**31)]:
    write(f"size_{w}x{h}", header(w, h) + repeat(mixed, 3000))
# Headers that lie: sizes far beyond the file's bytes.
write("lie-201x201-no-pixels", header(201, 201))
write("lie-100000x100000", header(100000, 100000) + repeat(enemies, 1000))
write("lie-201x201-short", header(201, 201) + repeat(player + walker, 2000))
write("lie-4x2e9", header(4, 2000000000) + repeat(turret, 600))
# Cut short everywhere: in the header and mid-row of a 40 x 30 map.
whole = header(40, 30) + repeat(white + walker + c["diamond"] + player + black + turret + white + c["breakable"], 120 * 30)
write("whole-40x30", whole)
for cut in [0, 1, 2, 14, 17, 18, 19, 21, 22, 23, 25, 26, 53, 54, 55, 56, 57, 173, 174, 175, 1000, 2001]:
    write(f"cut-{cut}", whole[:cut])
# Enemies by the thousand, every cell solid, every cell a contact.
filled("enemies-200x200", 200, 200, enemies)
for name, colour in [("walkers", walker), ("turrets", turret), ("players", player), ("solid", black)]:
    filled(f"{name}-201x201", 201, 201, colour)
for name, colour in cells.items():
    filled(f"all-{name}-201x201", 201, 201, colour)
filled("all-contacts-201x201", 201, 201, c["diamond"] + c["crystal"] + c["spikes"] + c["hostage"] + c["flow"])
# The player boxed in by solid rock in the middle of a full grid.
write("player-in-rock-201x201", header(201, 201) + repeat(black, 604 * 100 + 300) + player + repeat(black, 301 + 604 * 100))


# Markers on the grid's borders: rows of 201 pixels (padded to 604 bytes),
# file row 0 at the bottom.
def row(first, middle, last, count=1):
    return (first + repeat(middle, 3 * 199) + last + b"\x00") * count


write("borders-201x201", header(201, 201) + row(player, walker, snake) + row(turret, white, flyer, 199) + row(turret, walker, player))
write("corner-bottom-left", header(201, 201) + row(player, white, white) + row(white, white, turret, 200))
write("corner-bottom-right", header(201, 201) + row(white, white, player) + row(turret, white, white, 200))
write("corner-top-left", header(201, 201) + row(swan, white, white, 200) + row(player, white, white))
write("corner-top-right", header(201, 201) + row(white, white, snake, 200) + row(white, white, player))
