#!/usr/bin/env python3
"""Writes the small BMP files the picture reader's tests load.

Every loadable file gets a sibling NAME.expect: width and height as 32-bit
little-endian numbers, then the expected pixels top row first as 32-bit
little-endian 0xAARRGGBB values. The files are committed under
tests/data/bmp/made/, so the build needs neither this script nor ImageMagick.

    python3 tools/testdata/make_bmps.py [output-folder]

The ImageMagick files are made only where `convert` is installed.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

OUT = sys.argv[1] if len(sys.argv) > 1 else "tests/data/bmp/made"


def row_size(width, bpp):
    return ((width * bpp + 7) // 8 + 3) // 4 * 4


def file_header(total, offset, sig=b"BM"):
    return sig + struct.pack("<IHHI", total, 0, 0, offset)


def info_header(size, width, height, bpp, compression=0, masks=None, planes=1):
    """A header of `size` bytes: 12 (OS/2), 16..64 (cut-down), 40, 108, 124."""
    if size == 12:
        return struct.pack("<IHHHH", 12, width, height, planes, bpp)
    full = struct.pack("<IiiHHIIiiII", size, width, height, planes, bpp, compression,
                       0, 2834, 2834, 0, 0)
    if masks is not None:
        full += struct.pack("<IIII", *masks)
    full = full.ljust(max(size, 124), b"\0")
    return full[:size]


def pack_rows(rows_bytes, width, bpp, top_down):
    size = row_size(width, bpp)
    ordered = rows_bytes if top_down else list(reversed(rows_bytes))
    return b"".join(r.ljust(size, b"\0") for r in ordered)


def pack_indices(indices, bpp):
    if bpp == 8:
        return bytes(indices)
    bits = "".join(format(i, f"0{bpp}b") for i in indices)
    bits = bits.ljust((len(bits) + 7) // 8 * 8, "0")
    return bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8))


def write(name, data, expected=None):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)
    if expected is not None:
        h = len(expected)
        w = len(expected[0])
        body = struct.pack("<II", w, h) + b"".join(struct.pack("<I", p) for row in expected for p in row)
        with open(os.path.join(OUT, name[:-4] + ".expect"), "wb") as f:
            f.write(body)


def argb(r, g, b, a=255):
    return a << 24 | r << 16 | g << 8 | b


# ------------------------------------------------------------ paletted files
W, H = 7, 5  # odd width: every depth needs row padding


def palette_colour(i):
    return ((i * 53) % 256, (i * 97 + 17) % 256, (i * 29 + 200) % 256)


def paletted(name, bpp, header=40, entries=None, top_down=False, index=None, compression=0):
    count = 1 << bpp if entries is None else entries
    index = index or (lambda x, y: (x * 3 + y * 5) % (1 << bpp))
    indices = [[index(x, y) for x in range(W)] for y in range(H)]
    entry = 3 if header == 12 else 4
    pal = b"".join(bytes((b, g, r)) + (b"" if entry == 3 else b"\0")
                   for r, g, b in (palette_colour(i) for i in range(count)))
    offset = 14 + header + len(pal)
    pixels = pack_rows([pack_indices(r, bpp) for r in indices], W, bpp, top_down)
    data = file_header(offset + len(pixels), offset) + \
        info_header(header, W, -H if top_down else H, bpp, compression) + pal + pixels
    black = argb(0, 0, 0)
    expected = [[argb(*palette_colour(i)) if i < count else black for i in row] for row in indices]
    write(name, data, expected)


# ------------------------------------------------------------ direct colour
def colour(x, y):
    return ((x * 40 + 3) % 256, (y * 60 + 11) % 256, (x * y * 17 + 90) % 256, (x + y) * 20 % 256)


def replicate(v, n):
    out, at = 0, 8 - n
    while True:
        out |= (v << at) if at >= 0 else (v >> -at)
        if at <= 0:
            return out & 0xFF
        at -= n


def shift_and_bits(mask):
    if mask == 0:
        return 0, 0
    shift = (mask & -mask).bit_length() - 1
    return shift, (mask >> shift).bit_length()


def direct(name, bpp, masks, header=40, compression=0, masks_after=False, top_down=False,
           alpha=False):
    unit = 2 if bpp <= 16 else 3 if bpp <= 24 else 4
    rows, expected = [], []
    for y in range(H):
        raw, exp = b"", []
        for x in range(W):
            channels = colour(x, y)
            value, widened = 0, []
            for c, mask in enumerate(masks):
                shift, n = shift_and_bits(mask)
                if n == 0:
                    widened.append(None)
                    continue
                v = channels[c] >> (8 - n) if n <= 8 else channels[c] << (n - 8)
                value |= v << shift
                widened.append(replicate(v, n) if n < 8 else v >> (n - 8))
            raw += value.to_bytes(4, "little")[:unit]
            a = widened[3] if alpha and widened[3] is not None else 255
            exp.append(argb(widened[0], widened[1], widened[2], a))
        rows.append(raw)
        expected.append(exp)
    extra = struct.pack("<III", *masks[:3]) if masks_after else b""
    hdr = info_header(header, W, -H if top_down else H, bpp, compression,
                      masks=list(masks) if header >= 108 or header in (52, 56) else None)
    offset = 14 + header + len(extra)
    pixels = pack_rows(rows, W, bpp, top_down)
    write(name, file_header(offset + len(pixels), offset) + hdr + extra + pixels, expected)


def solid_rgb24(name, w, h, pick):
    rows, expected = [], []
    for y in range(h):
        rows.append(b"".join(bytes((b, g, r)) for r, g, b in (pick(x, y) for x in range(w))))
        expected.append([argb(*pick(x, y)) for x in range(w)])
    pixels = pack_rows(rows, w, 24, False)
    write(name, file_header(54 + len(pixels), 54) + info_header(40, w, h, 24) + pixels, expected)


def made_by_hand():
    paletted("pal1.bmp", 1)
    paletted("pal4.bmp", 4)
    paletted("pal8.bmp", 8)
    paletted("pal8-os2.bmp", 8, header=12)
    paletted("pal8-topdown.bmp", 8, top_down=True)
    paletted("pal4-os2.bmp", 4, header=12)
    # Compression 3 on a palette depth still reads through the palette.
    paletted("pal1-bitfields.bmp", 1, compression=3)
    paletted("pal4-bitfields.bmp", 4, compression=3)
    paletted("pal8-bitfields.bmp", 8, compression=3)
    # Six entries only: indices 6 and up are past the palette and give black.
    paletted("pal8-short.bmp", 8, entries=6, index=lambda x, y: (x + 2 * y) % 12)
    rgb = (0xFF0000, 0x00FF00, 0x0000FF, 0)
    direct("rgb24.bmp", 24, rgb)
    direct("rgb24-topdown.bmp", 24, rgb, top_down=True)
    direct("rgb24-h16.bmp", 24, rgb, header=16)
    direct("rgb24-h64.bmp", 24, rgb, header=64)
    # Pixel rows from byte 50, over the 40-byte header's unread last field.
    data = open(os.path.join(OUT, "rgb24.bmp"), "rb").read()
    data = data[:10] + struct.pack("<I", 50) + data[14:50] + data[54:]
    write("rgb24-offset-50.bmp", data)
    shutil.copy(os.path.join(OUT, "rgb24.expect"), os.path.join(OUT, "rgb24-offset-50.expect"))
    direct("rgb32.bmp", 32, rgb)  # the fourth byte is not alpha without a mask
    direct("rgb16-555.bmp", 16, (0x7C00, 0x03E0, 0x001F, 0))
    direct("rgb16-565.bmp", 16, (0xF800, 0x07E0, 0x001F, 0), compression=3, masks_after=True)
    # Masks inside a 52-byte header; after a 64-byte one.
    direct("rgb16-565-h52.bmp", 16, (0xF800, 0x07E0, 0x001F, 0), header=52, compression=3)
    direct("rgb16-565-h64.bmp", 16, (0xF800, 0x07E0, 0x001F, 0), header=64, compression=3,
           masks_after=True)
    direct("rgb16-565-topdown.bmp", 16, (0xF800, 0x07E0, 0x001F, 0), compression=3,
           masks_after=True, top_down=True)
    direct("rgba16-4444-v4.bmp", 16, (0x0F00, 0x00F0, 0x000F, 0xF000), header=108, compression=3,
           alpha=True)
    direct("rgb16-1-2-3.bmp", 16, (0x0001, 0x0006, 0x0038, 0), compression=3, masks_after=True)
    direct("xbgr32.bmp", 32, (0x0000FF00, 0x00FF0000, 0xFF000000, 0), compression=3,
           masks_after=True)
    direct("rgba32-v5.bmp", 32, (0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000), header=124,
           compression=3, alpha=True)
    direct("rgb32-10bit.bmp", 32, (0x3FF00000, 0x000FFC00, 0x000003FF, 0), compression=3,
           masks_after=True)
    # 25 bits a pixel, one pixel a row: read as four bytes, the top one holding
    # red's highest bit (1 in the top row, 0 in the bottom one).
    masks = (0x01FF0000, 0x0000FF00, 0x000000FF)
    values = [0x01804020, 0x00F01008]
    pixels = pack_rows([v.to_bytes(4, "little") for v in values], 1, 25, False)
    offset = 14 + 40 + 12
    write("rgb25-narrow.bmp", file_header(offset + len(pixels), offset) + info_header(40, 1, 2, 25, 3) +
          struct.pack("<III", *masks) + pixels,
          [[argb(v >> 17 & 0xFF, v >> 8 & 0xFF, v & 0xFF)] for v in values])
    # Pictures for loading into an image of another size.
    solid_rgb24("grid64.bmp", 64, 64, lambda x, y: (x * 4, y * 4, (x ^ y) & 0xFF))
    solid_rgb24("grid16.bmp", 16, 16, lambda x, y: (255 - x, 100 + y, 7))
    # The smallest picture, into the smallest image.
    solid_rgb24("dot.bmp", 1, 1, lambda x, y: (200, 100, 50))


# ------------------------------------------------------------ broken files
def broken():
    good = open(os.path.join(OUT, "rgb24.bmp"), "rb").read()

    def patch(data, at, fmt, value):
        return data[:at] + struct.pack(fmt, value) + data[at + struct.calcsize(fmt):]

    write("bad-signature.bmp", b"BA" + good[2:])
    write("bad-not-b.bmp", b"XM" + good[2:])
    write("bad-empty.bmp", b"")
    write("bad-cut-header.bmp", good[:30])
    write("bad-header-size-8.bmp", patch(good, 14, "<I", 8))
    write("bad-header-size-15.bmp", patch(good, 14, "<I", 15))  # one byte short of the depth
    write("bad-header-size-huge.bmp", patch(good, 14, "<I", 0x7FFFFFF0))
    write("bad-planes.bmp", patch(good, 26, "<H", 2))
    write("bad-width-0.bmp", patch(good, 18, "<i", 0))
    write("bad-width-negative.bmp", patch(good, 18, "<i", -7))
    write("bad-height-0.bmp", patch(good, 22, "<i", 0))
    write("bad-width-huge.bmp", patch(good, 18, "<i", 0x7FFFFFFF))
    write("bad-height-huge.bmp", patch(good, 22, "<i", 0x7FFFFFFF))
    write("bad-height-min.bmp", patch(good, 22, "<i", -0x80000000))
    write("bad-offset-past-end.bmp", patch(good, 10, "<I", 0xFFFFFFF0))
    write("bad-offset-zero.bmp", patch(good, 10, "<I", 0))
    write("bad-compression-4.bmp", patch(good, 30, "<I", 4))
    write("bad-rle8.bmp", patch(open(os.path.join(OUT, "pal8.bmp"), "rb").read(), 30, "<I", 1))
    write("bad-rle4.bmp", patch(open(os.path.join(OUT, "pal4.bmp"), "rb").read(), 30, "<I", 2))
    write("bad-rle-topdown.bmp", patch(patch(good, 30, "<I", 1), 22, "<i", -5))
    for bpp in (0, 2, 3, 7, 64):
        write(f"bad-bpp-{bpp}.bmp", patch(good, 28, "<H", bpp))
    # Cut in the middle of the pixel rows: the rows read before the cut stay.
    write("cut-rows.bmp", good[:54 + row_size(W, 24) * 3 + 5])
    # Cut in the last row's padding: every pixel is there, the file still short.
    write("cut-padding.bmp", open(os.path.join(OUT, "pal1.bmp"), "rb").read()[:-3])
    # A cut palette.
    write("bad-cut-palette.bmp", open(os.path.join(OUT, "pal8.bmp"), "rb").read()[:54 + 100])


# ------------------------------------------------------------ ImageMagick
def by_imagemagick():
    if not shutil.which("convert"):
        print("convert not found: ImageMagick files not remade")
        return
    tmp = tempfile.mkdtemp()
    try:
        def ppm(path, w, h, pick):
            with open(path, "wb") as f:
                f.write(b"P6 %d %d 255\n" % (w, h))
                f.write(bytes(c for y in range(h) for x in range(w) for c in pick(x, y)))
            return [[argb(*pick(x, y)) for x in range(w)] for y in range(h)]

        many = lambda x, y: ((x * 50 + y * 7) % 256, (y * 80 + 3) % 256, (x * y * 30 + 40) % 256)
        few = lambda x, y: [(255, 0, 0), (0, 255, 0), (0, 0, 255), (250, 250, 10), (9, 8, 7)][(x + y) % 5]
        bw = lambda x, y: (255, 255, 255) if (x * 3 + y) % 4 < 2 else (0, 0, 0)
        runs = [
            ("im-pal1.bmp", bw, ["-type", "bilevel"], "BMP3"),
            ("im-pal4.bmp", few, ["-type", "palette"], "BMP3"),
            ("im-pal8.bmp", many, ["-type", "palette"], "BMP3"),
            ("im-rgb24.bmp", many, ["-type", "truecolor"], "BMP3"),
            ("im-rgba32.bmp", many, ["-type", "truecolormatte"], "BMP"),
            ("im-rgb16.bmp", many, ["-type", "truecolor", "-define", "bmp:subtype=RGB565"], "BMP"),
        ]
        for name, pick, options, fmt in runs:
            w, h = (5, 3) if pick is not bw else (9, 3)
            if name == "im-pal8.bmp":
                w, h = 6, 4  # more than 16 colours, so an 8-bit palette
            src = os.path.join(tmp, name + ".ppm")
            expected = ppm(src, w, h, pick)
            out = os.path.join(OUT, name)
            subprocess.run(["convert", src, *options, "-compress", "None", f"{fmt}:{out}"], check=True)
            data = open(out, "rb").read()
            if name == "im-rgb16.bmp":
                # ImageMagick rounds 8-bit channels down to 5/6 bits its own
                # way; expect what it stored, widened by bit replication.
                offset = struct.unpack("<I", data[10:14])[0]
                stride = row_size(w, 16)
                expected = []
                for y in range(h):
                    start = offset + (h - 1 - y) * stride
                    words = struct.unpack(f"<{w}H", data[start:start + 2 * w])
                    expected.append([argb(replicate(v >> 11, 5), replicate(v >> 5 & 63, 6),
                                          replicate(v & 31, 5)) for v in words])
            write(name, data, expected)
        # Run-length compressed: refused rather than decoded.
        src = os.path.join(tmp, "rle.ppm")
        ppm(src, 6, 4, many)
        subprocess.run(["convert", src, "-type", "palette", "-compress", "RLE",
                        f"BMP3:{os.path.join(OUT, 'im-rle8.bmp')}"], check=True)
    finally:
        shutil.rmtree(tmp)


def main():
    os.makedirs(OUT, exist_ok=True)
    made_by_hand()
    broken()
    by_imagemagick()


if __name__ == "__main__":
    main()
