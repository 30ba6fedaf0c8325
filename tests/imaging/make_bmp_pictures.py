#!/usr/bin/python3
"""BMP files in many layouts, written by other programs, with the pixels that other programs
decode from them.

ImageMagick writes the Windows (BMP3:) and OS/2 core-header (BMP2:) variants at 1, 4, 8 and 24
bits and RLE8; the layouts it does not write (16 bits 5-5-5 and 5-6-5, 32 bits with and
without BI_BITFIELDS, top-down rows, RLE4, a full 256-colour palette) are packed here with
struct from pixels that ImageMagick made. The expected pixels are what Pillow decodes; where
ImageMagick can read a file too, both decoders must agree.

  make_bmp_pictures.py OUTDIR   writes OUTDIR/<name>.bmp, OUTDIR/<name>.rgb, OUTDIR/bmp_pictures.txt
"""
import io
import os
import struct
import subprocess
import sys

from PIL import Image

CONVERT = os.environ.get("CONVERT", "/usr/bin/convert")


def run(*args, capture=False):
    return subprocess.run([CONVERT, *args], check=True, capture_output=capture).stdout


def magick_rgb(path):
    return run(path + "[0]", "-depth", "8", "rgb:-", capture=True)


def pillow_rgb(path):
    with Image.open(path) as im:
        return im.convert("RGB").tobytes(), im.size


def header_fields(path):
    with open(path, "rb") as f:
        data = f.read(54)
    size = struct.unpack_from("<I", data, 14)[0]
    if size == 12:
        bits = struct.unpack_from("<H", data, 24)[0]
        return size, bits, 0
    bits, compression = struct.unpack_from("<HI", data, 28)
    return size, bits, compression


def bmp_file(info_header, palette, rows, extra=b""):
    """File header + info header (+ masks) + palette + rows."""
    offset = 14 + len(info_header) + len(extra) + len(palette)
    pixels = b"".join(rows)
    return (b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info_header + extra +
            palette + pixels)


def info40(width, height, bits, compression=0, image_size=0, colours=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, image_size, 0, 0,
                       colours, colours)


def pad4(row):
    return row + b"\0" * (-len(row) % 4)


def pixels_of(path):
    with Image.open(path) as im:
        rgb = im.convert("RGB")
        return rgb.size, list(rgb.getdata())


def rle4_rows(indices, width, height):
    """RLE4 data, bottom row first: runs of equal pairs as encoded runs, the rest in absolute
    runs of an even length; each row ends with an end-of-line, the file with end-of-bitmap."""
    out = bytearray()
    for y in range(height - 1, -1, -1):
        row = indices[y * width:(y + 1) * width]
        x = 0
        while x < width:
            run_len = 1
            while x + run_len < width and run_len < 255 and row[x + run_len] == row[x]:
                run_len += 1
            if run_len >= 3 or width - x < 4:
                n = run_len if run_len >= 3 else 1
                out += bytes((n, (row[x] << 4) | row[x]))
                x += n
            else:
                n = min(width - x, 16) & ~1
                out += bytes((0, n))
                chunk = row[x:x + n]
                packed = bytes((chunk[i] << 4) | chunk[i + 1] for i in range(0, n, 2))
                out += packed + (b"\0" if len(packed) % 2 else b"")
                x += n
        out += b"\0\0"
    out += b"\0\1"
    return bytes(out)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    src = os.path.join(out, "bmp_source.png")
    icon_src = os.path.join(out, "bmp_icon_source.png")
    run("-seed", "7", "-size", "37x23", "plasma:fractal", "-depth", "8", src)
    run("-seed", "11", "-size", "32x32", "plasma:fractal", "-depth", "8", icon_src)

    cases = []  # name, file, width, height, expected error

    def check(name, path, want_header, want_bits, want_compression, cross_check=True):
        size, bits, compression = header_fields(path)
        if (size, bits, compression) != (want_header, want_bits, want_compression):
            sys.exit("%s: header %d, %d bits, compression %d, not the layout wanted" %
                     (name, size, bits, compression))
        expected, (w, h) = pillow_rgb(path)
        if cross_check and magick_rgb(path) != expected:
            sys.exit("ImageMagick and Pillow decode %s differently" % name)
        with open(os.path.join(out, name + ".rgb"), "wb") as f:
            f.write(expected)
        cases.append((name, os.path.basename(path), w, h, 0))

    def magick(name, coder, args, header, bits, compression=0):
        path = os.path.join(out, name + ".bmp")
        run(src, *args, coder + ":" + path)
        check(name, path, header, bits, compression)

    magick("bmp3_24", "BMP3", ["-type", "truecolor"], 40, 24)
    magick("bmp3_8", "BMP3", ["-colors", "200", "-type", "Palette", "-compress", "none"], 40, 8)
    magick("bmp3_4", "BMP3", ["-colors", "12", "-type", "Palette", "-compress", "none"], 40, 4)
    magick("bmp3_1", "BMP3", ["-monochrome"], 40, 1)
    magick("bmp3_rle8", "BMP3", ["-colors", "200", "-type", "Palette", "-compress", "RLE"], 40, 8, 1)
    magick("bmp2_24", "BMP2", ["-type", "truecolor"], 12, 24)
    magick("bmp2_8", "BMP2", ["-colors", "200", "-type", "Palette"], 12, 8)
    magick("bmp2_1", "BMP2", ["-monochrome"], 12, 1)

    (w, h), px = pixels_of(src)

    def packed(name, data, header, bits, compression, cross_check=False):
        path = os.path.join(out, name + ".bmp")
        with open(path, "wb") as f:
            f.write(data)
        check(name, path, header, bits, compression, cross_check)

    # 16 bits, 5-5-5 without masks and 5-6-5 through BI_BITFIELDS (the masks follow the header).
    def rows16(fn):
        return [pad4(b"".join(struct.pack("<H", fn(*px[y * w + x])) for x in range(w)))
                for y in range(h - 1, -1, -1)]
    packed("py_16_555", bmp_file(info40(w, h, 16), b"",
                                 rows16(lambda r, g, b: (r >> 3) << 10 | (g >> 3) << 5 | b >> 3)),
           40, 16, 0)
    packed("py_16_565", bmp_file(info40(w, h, 16, 3), b"",
                                 rows16(lambda r, g, b: (r >> 3) << 11 | (g >> 2) << 5 | b >> 3),
                                 struct.pack("<III", 0xF800, 0x07E0, 0x001F)),
           40, 16, 3)

    # 32 bits: blue, green, red, unused; and the same through BI_BITFIELDS masks.
    rows32 = [b"".join(bytes((b, g, r, 0x5A)) for r, g, b in px[y * w:(y + 1) * w])
              for y in range(h - 1, -1, -1)]
    packed("py_32", bmp_file(info40(w, h, 32), b"", rows32), 40, 32, 0, cross_check=True)
    packed("py_32_bitfields", bmp_file(info40(w, h, 32, 3), b"", rows32,
                                       struct.pack("<III", 0xFF0000, 0xFF00, 0xFF)), 40, 32, 3)

    # Top-down 24 bits: negative height, first row on top.
    rows24 = [pad4(b"".join(bytes((b, g, r)) for r, g, b in px[y * w:(y + 1) * w])) for y in range(h)]
    packed("py_24_topdown", bmp_file(info40(w, -h, 24), b"", rows24), 40, 24, 0, cross_check=True)

    # RLE4 from a 12-colour version of the source.
    with Image.open(src) as im:
        quant = im.convert("RGB").quantize(colors=12)
        pal = quant.getpalette()[:36]
        idx = list(quant.getdata())
    palette = b"".join(bytes((pal[3 * i + 2], pal[3 * i + 1], pal[3 * i], 0)) for i in range(12))
    data = rle4_rows(idx, w, h)
    packed("py_rle4", bmp_file(info40(w, h, 4, 2, len(data), 12), palette, [data]), 40, 4, 2,
           cross_check=True)

    # The calendar icon's layout: 32 x 32, 8 bits, all 256 palette entries, pixels at 1078.
    with Image.open(icon_src) as im:
        quant = im.convert("RGB").quantize(colors=256)
        pal = (quant.getpalette() + [0] * 768)[:768]
        idx = list(quant.getdata())
    palette = b"".join(bytes((pal[3 * i + 2], pal[3 * i + 1], pal[3 * i], 0)) for i in range(256))
    rows8 = [bytes(idx[y * 32:(y + 1) * 32]) for y in range(31, -1, -1)]
    icon = bmp_file(info40(32, 32, 8, 0, 1024, 0), palette, rows8)
    if struct.unpack_from("<I", icon, 10)[0] != 1078:
        sys.exit("icon layout: pixel data not at 1078")
    packed("py_icon_8", icon, 40, 8, 0, cross_check=True)

    # A V5 header (ImageMagick's default BMP) is a layout the reader refuses.
    v5 = os.path.join(out, "bmp5_24.bmp")
    run(src, "-type", "truecolor", "BMP:" + v5)
    if header_fields(v5)[0] != 124:
        sys.exit("bmp5_24: not a V5 header")
    cases.append(("bmp5_24", os.path.basename(v5), w, h, 6))

    with open(os.path.join(out, "bmp_pictures.txt"), "w") as manifest:
        for name, file, cw, ch, error in cases:
            manifest.write("%s %s %d %d %d\n" % (name, file, cw, ch, error))


if __name__ == "__main__":
    main()
