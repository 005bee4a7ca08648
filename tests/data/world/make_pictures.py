#!/usr/bin/env python3
"""Writes the small tile pictures the scene tests draw (24-bit BMPs).

Run from anywhere; the pictures land beside this script. Magenta is the
transparent colour of the transparent tiles."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
MAGENTA = (255, 0, 255)


def write_bmp(name, width, height, pixel):
    row_bytes = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        for x in range(width):
            r, g, b = pixel(x, y)
            data += bytes((b, g, r))
        data += bytes(row_bytes - width * 3)
    header = b"BM" + struct.pack("<IHHI", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2834, 2834, 0, 0)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(header + info + data)


def block(x, y):  # opaque stone with a dark rim
    if x in (0, 31) or y in (0, 31):
        return (40, 40, 48)
    return (120, 120, 136) if (x // 8 + y // 8) % 2 else (100, 100, 116)


def grass(x, y):  # a green top with gaps that let the sky through, earth below
    if y < 3:
        return (40, 200, 40) if x % 4 else MAGENTA
    if y < 8:
        return (40, 160, 40)
    return (110, 70, 30)


def diamond(x, y):
    d = abs(x - 15.5) + abs(y - 15.5)
    if d < 10:
        return (120, 240, 255)
    if d < 12:
        return (20, 120, 200)
    return MAGENTA


def plant_stem(x, y):
    return (20, 110, 20) if 14 <= x <= 17 and y >= 8 else MAGENTA


def plant_leaves(x, y):  # drawn over everything that moves
    return (90, 230, 60) if abs(x - 15.5) + abs(y - 12) < 9 and (x + y) % 3 else MAGENTA


def lock(x, y):
    if 13 <= x <= 18 and 12 <= y <= 20:
        return (250, 220, 0)
    return (130, 80, 30) if 2 <= x <= 29 else MAGENTA


def hostage(x, y):  # 64 high: hangs into the row below
    if abs(x - 15.5) < 6 and 4 <= y < 16:
        return (240, 200, 160)
    if abs(x - 15.5) < 9 and 16 <= y < 44:
        return (40, 80, 220)
    if abs(x - 15.5) < 7 and 44 <= y < 62 and not 14 <= x <= 17:
        return (40, 40, 120)
    return MAGENTA


def generator(x, y):  # 64 high
    if 4 <= x <= 27 and 2 <= y <= 60:
        return (200, 60, 200) if (y // 6) % 2 else (90, 30, 110)
    return MAGENTA


def spikes(x, y):
    return (200, 200, 210) if y >= 31 - 2 * abs((x % 8) - 3.5) * 2 else MAGENTA


def barrier(x, y):  # opaque stripes
    return (250, 140, 0) if ((x + y) // 6) % 2 else (30, 30, 30)


write_bmp("block.bmp", 32, 32, block)
write_bmp("grass.bmp", 32, 32, grass)
write_bmp("diamond.bmp", 32, 32, diamond)
write_bmp("plant1.bmp", 32, 32, plant_stem)
write_bmp("plant2.bmp", 32, 32, plant_leaves)
write_bmp("lock1.bmp", 32, 32, lock)
write_bmp("hostage1.bmp", 32, 64, hostage)
write_bmp("gen1.bmp", 32, 64, generator)
write_bmp("spikes.bmp", 32, 32, spikes)
write_bmp("hbarrier2.bmp", 32, 32, barrier)
