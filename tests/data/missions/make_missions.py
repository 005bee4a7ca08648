#!/usr/bin/env python3
"""Writes the small end-to-end missions played by tests/scripts/headless_mission_*.sh.

Each map is a character grid (top row first) written as a 24-bit "map.bmp";
the legend is the one of tests/support/map_builder.h. Run from this folder.
"""
import os
import struct

LEGEND = {
    '.': (255, 255, 255), '#': (0, 0, 0), 'd': (255, 0, 0), 'G': (128, 128, 128),
    'B': (128, 128, 0), 'w': (128, 255, 128), 's': (192, 192, 192), 'h': (50, 50, 50),
    'P': (255, 0, 255),
}

MISSIONS = {
    # Won: a diamond feeds the streamer, three beam frames break the generator,
    # the barrier and the flow go, the exit beam drops into the start column.
    'win/level1': [
        "................",
        "................",
        "..Pd.G....B.....",
        "..........w.....",
        "################",
    ],
    # Won: the one hostage stands beside the start.
    'win/level2': [
        "................",
        "................",
        "..Ph............",
        "................",
        "################",
    ],
    # Lost: two spike cells under the figure (one power per 50 frames), a
    # diamond beside it. The generator far off keeps the objective open.
    'fail/level1': [
        "................",
        "................",
        "..Pd.........G..",
        "..ss............",
        "################",
    ],
}

TEXTS = {
    'mission.txt': "Test mission\r\n\r\nPress space.\r\n",
    'update.txt': "Objective met\r\n",
    'complete.txt': "Mission complete\r\n",
}


def write_bmp(path, rows):
    height, width = len(rows), len(rows[0])
    row_bytes = (width * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for c in row:
            r, g, b = LEGEND[c]
            line += bytes((b, g, r))
        line += bytes(row_bytes - len(line))
        data += line
    header = b'BM' + struct.pack('<IHHI', 54 + len(data), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(data), 2834, 2834, 0, 0)
    with open(path, 'wb') as f:
        f.write(header + info + data)


for folder, rows in MISSIONS.items():
    os.makedirs(folder, exist_ok=True)
    write_bmp(os.path.join(folder, 'map.bmp'), rows)
    for name, text in TEXTS.items():
        with open(os.path.join(folder, name), 'w', newline='') as f:
            f.write(text)
