#!/usr/bin/env python3
"""Writes the bitmap resources of the GDI bridge tests and the resource script that names them.

The pixel values are fixed here and repeated in gdi_bridge_test.cpp; the files are laid out
by hand after the BMP format, independently of the library under test.
    gdi_make_bitmaps.py OUTPUT_FOLDER
"""
import os
import struct
import sys


def bmp(width, height, bits, palette, rows):
    """rows: top row first, each a bytes object of packed pixels (no padding)."""
    row_size = (width * bits + 31) // 32 * 4
    data = b"".join(r + b"\0" * (row_size - len(r)) for r in reversed(rows))
    table = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(data), 2835, 2835,
                       len(palette), 0)
    return header + info + table + data


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    # 3 x 2, 24 bits: red, green, blue / (1,2,3), (250,128,7), white.
    top = [(255, 0, 0), (0, 255, 0), (0, 0, 255)]
    bottom = [(1, 2, 3), (250, 128, 7), (255, 255, 255)]
    rows = [b"".join(bytes((b, g, r)) for (r, g, b) in row) for row in (top, bottom)]
    files = {"T24": bmp(3, 2, 24, [], rows)}
    # 4 x 2, 8 bits, 256 colours: entry i is (i, 255 - i, 7i mod 256).
    palette = [(i, 255 - i, (7 * i) % 256) for i in range(256)]
    files["T8"] = bmp(4, 2, 8, palette, [bytes((0, 1, 128, 255)), bytes((17, 34, 51, 68))])
    # 10 x 3, 1 bit: colour 1 where (x + y) % 3 == 0.
    rows = []
    for y in range(3):
        bits = [1 if (x + y) % 3 == 0 else 0 for x in range(10)]
        packed = bytearray((10 + 7) // 8)
        for x, bit in enumerate(bits):
            packed[x // 8] |= bit << (7 - x % 8)
        rows.append(bytes(packed))
    files["T1"] = bmp(10, 3, 1, [(0x12, 0x34, 0x56), (0xFE, 0xDC, 0xBA)], rows)
    script = []
    for name, data in files.items():
        path = os.path.join(out, name.lower() + ".bmp")
        with open(path, "wb") as f:
            f.write(data)
        script.append('%s BITMAP "%s"\n' % (name, path))
    with open(os.path.join(out, "gdi_resources.rc"), "w") as f:
        f.writelines(script)


if __name__ == "__main__":
    main()
