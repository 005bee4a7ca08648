#!/usr/bin/env python3
"""Writes the shell tests' small data folder (pictures, map, texts) next to this
script. The files are committed; rerun only to change them."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
MAGENTA = (255, 0, 255)


def write_bmp(rel, width, height, pixel):
    """24-bit bottom-up BMP; pixel(x, y) gives (r, g, b), y from the top."""
    row_bytes = (width * 3 + 3) // 4 * 4
    data = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += bytes(row_bytes - len(row))
        data += row
    header = b"BM" + struct.pack("<IHHI", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2834, 2834, 0, 0)
    path = os.path.join(HERE, *rel.split("/"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(header + info + data)


def write_text(rel, lines):
    path = os.path.join(HERE, *rel.split("/"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


def grass(x, y):
    if y < 2:
        return MAGENTA if (x // 4) % 2 == 0 else (40, 200, 40)
    if y < 8:
        return (30, 170 - 4 * y, 30)
    return (120, 72, 24) if (x + y) % 7 else (90, 50, 16)


def block(x, y):
    if y % 16 == 15 or (x + (8 if y >= 16 else 0)) % 32 == 31:
        return (60, 60, 70)
    return (110 + (x % 3) * 10, 110, 125)


def plant(x, y):
    if 14 <= x <= 17 and y >= 10:
        return (20, 120, 20)
    if abs(x - 16) + abs(y - 10) < 8 and y < 14:
        return (60, 220, 60)
    return MAGENTA


def key(colour):
    def pixel(x, y):
        if (x - 9) ** 2 + (y - 16) ** 2 <= 25 and (x - 9) ** 2 + (y - 16) ** 2 >= 5:
            return colour
        if 14 <= x <= 27 and 15 <= y <= 17:
            return colour
        if x in (22, 23, 26, 27) and 18 <= y <= 21:
            return colour
        return MAGENTA
    return pixel


def diamond(size, colour):
    c = size // 2
    def pixel(x, y):
        return colour if abs(x - c + 0.5) + abs(y - c + 0.5) <= c - 1 else MAGENTA
    return pixel


def player(x, y):
    if 18 <= x <= 33 and 4 <= y <= 17:
        return (240, 200, 160)
    if 14 <= x <= 37 and 18 <= y <= 45:
        return (40, 80, 200)
    if (16 <= x <= 23 or 28 <= x <= 35) and 46 <= y <= 63:
        return (30, 30, 60)
    return MAGENTA


# Pictures shared by both missions
write_bmp("gfx/square1.bmp", 16, 16, lambda x, y: (90, 90, 90) if x in (0, 15) or y in (0, 15) else MAGENTA)
write_bmp("gfx/square2.bmp", 16, 16, lambda x, y: (120, 0, 0) if x in (0, 15) or y in (0, 15) else (230, 40, 40))
write_bmp("gfx/dia_sml.bmp", 16, 16, diamond(16, (80, 160, 255)))
write_bmp("gfx/diamond.bmp", 16, 16, diamond(16, (255, 40, 40)))  # smaller than its 32 x 32 slot
write_bmp("gfx/transporter.bmp", 32, 32, lambda x, y: (8 * y, 255 - 8 * y, 200))
# the standing pose
write_bmp("gfx/player/right/player_3.bmp", 52, 64, player)

# Mission 1
write_bmp("level1/scene/grass.bmp", 32, 32, grass)
write_bmp("level1/scene/block.bmp", 32, 32, block)
write_bmp("level1/scene/plant1.bmp", 32, 32, plant)
write_bmp("level1/scene/plant2.bmp", 32, 32, lambda x, y: (30, 140, 30) if y >= 26 and (x % 6) < 3 else MAGENTA)
write_bmp("level1/collect/key1.bmp", 32, 32, key((255, 220, 0)))
write_bmp("level1/collect/key2.bmp", 32, 32, key((0, 220, 255)))
write_bmp("level1/collect/lock1.bmp", 32, 32, lambda x, y: MAGENTA if (x + y) % 5 == 0 else (200, 160, 40))
write_bmp("level1/enemy/spikes.bmp", 40, 40, lambda x, y: (6 * x, 6 * y, 128))  # larger than its slot

# Mission 1's map: 24 x 16 cells, ground in rows 12 to 15, the player start at (12, 11).
W, H = 24, 16
def cell(x, y):
    if y == 12:
        return (64, 0, 0)
    if y > 12:
        return (0, 0, 0)
    if (x, y) == (12, 11):
        return (255, 0, 255)
    if (x, y) in ((5, 11), (18, 11)):
        return (0, 255, 0)
    if (x, y) == (16, 11):
        return (255, 255, 0)
    if (x, y) == (8, 9):
        return (255, 0, 0)
    if (x, y) == (20, 11):
        return (255, 240, 0)
    if (x, y) == (1, 11):  # off screen: a generator keeps mission 1's objective open
        return (128, 128, 128)
    return (255, 255, 255)
write_bmp("level1/map.bmp", W, H, cell)

write_text("level1/mission.txt", [
    "Shell test mission",
    "",
    "Walk right, take the key,",
    "open the door.",
])
write_text("level1/complete.txt", ["Mission one complete."])

# Mission 2: a grass picture smaller than its slot, no block picture at all,
# and a text longer than the table.
write_bmp("level2/scene/grass.bmp", 16, 16, lambda x, y: (20, 20, 220))
# The same ground with a hostage off screen instead of the generator.
write_bmp("level2/map.bmp", W, H, lambda x, y: (50, 50, 50) if (x, y) == (1, 11) else cell(x, y))
write_text("level2/mission.txt", ["Line %d" % i for i in range(1, 24)])
