"""png_pixels.py FILE.png: prints an 8-bit RGB PNG's width, height and the start of
the SHA-256 of its pixels, unfiltered: the picture itself, whatever the compressor.
Imported, decode(bytes) gives an 8-bit RGB or RGBA PNG's width, height, bytes a
pixel and unfiltered rows."""
import hashlib, struct, sys, zlib

def decode(d):
    assert d[:8] == b"\x89PNG\r\n\x1a\n"
    w, h, depth, kind = struct.unpack(">IIBB", d[16:26])
    assert depth == 8 and kind in (2, 6), "not 8-bit RGB or RGBA"
    idat, at = b"", 8
    while at < len(d):
        n, tag = struct.unpack(">I4s", d[at:at + 8])
        idat += d[at + 8:at + 8 + n] if tag == b"IDAT" else b""
        at += 12 + n
    bpp = 3 if kind == 2 else 4
    raw, rows, prev, stride = zlib.decompress(idat), [], bytearray(bpp * w), bpp * w
    for y in range(h):
        f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a, b, c = line[i - bpp] if i >= bpp else 0, prev[i], prev[i - bpp] if i >= bpp else 0
            p = a + b - c
            pred = [0, a, b, (a + b) // 2, a if abs(p - a) <= abs(p - b) and abs(p - a) <= abs(p - c) else b if abs(p - b) <= abs(p - c) else c][f]
            line[i] = (line[i] + pred) & 255
        rows.append(bytes(line)); prev = line
    return w, h, bpp, rows

if __name__ == "__main__":
    w, h, _, rows = decode(open(sys.argv[1], "rb").read())
    print(w, h, hashlib.sha256(b"".join(rows)).hexdigest()[:16])
