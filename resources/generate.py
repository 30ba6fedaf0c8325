#!/usr/bin/python3
"""Draws every picture, bitmap and icon of the program into a build folder and writes the
resource manifest and the Windows resource script made from it.

  generate.py OUTDIR [--jobs N] [--only NAME ...]

OUTDIR/manifest.txt   one "TYPE NAME FILE" line per resource (FILE relative to OUTDIR)
OUTDIR/pictures.rc    the same list as a resource script for windres
OUTDIR/<folder>/...   the files

Each file is checked after writing: PSD files are decoded by Pillow and by our own PackBits
reader, which must agree; cell tiles must leave the area of their own day number in the key
colour and cover at most half of the tile; bitmaps and icons must have the sizes and depths the program
expects. The output depends on nothing but these sources and the Debian fonts."""
import argparse
import io
import os
import re
import struct
import sys
import time
from multiprocessing import Pool

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

try:
    from PIL import Image
except ImportError:
    sys.exit("generate.py: Pillow is missing; run it with Debian's /usr/bin/python3 and python3-pil "
             "(scripts/setup.sh installs it)")

from art import catalogue, cells, formats, paint, pictures  # noqa: E402

MANIFEST = "manifest.txt"
RESOURCE_SCRIPT = "pictures.rc"


def check_psd(entry, data):
    im = Image.open(io.BytesIO(data))
    im.load()
    expected = (578, 416) if entry.type == "PREV" else (cells.WIDTH, cells.HEIGHT)
    if im.mode != "RGB" or im.size != expected:
        return "PSD %s %s, expected RGB %s" % (im.mode, im.size, expected)
    width, height = im.size
    channels, = struct.unpack(">H", data[12:14])
    depth, mode = struct.unpack(">HH", data[22:26])
    if channels != 3 or depth != 8 or mode != 3:
        return "PSD header: %d channels, depth %d, mode %d" % (channels, depth, mode)
    # Header 26, three empty sections 12, compression 2, then the row byte counts.
    pos = 26 + 12
    if struct.unpack(">H", data[pos:pos + 2])[0] != 1:
        return "PSD not RLE"
    pos += 2
    counts = struct.unpack(">%dH" % (3 * height), data[pos:pos + 6 * height])
    pos += 6 * height
    planes = []
    for c in range(3):
        plane = bytearray()
        for y in range(height):
            n = counts[c * height + y]
            row = formats.unpackbits(data[pos:pos + n], width)
            if len(row) != width or len(formats.packbits(row)) != n:
                return "PSD row %d of channel %d does not fill its width" % (y, c)
            plane += row
            pos += n
        planes.append(bytes(plane))
    if pos != len(data):
        return "PSD has %d bytes after the image data" % (len(data) - pos)
    ours = Image.merge("RGB", [Image.frombytes("L", im.size, p) for p in planes])
    if ours.tobytes() != im.tobytes():
        return "PSD decoders disagree"
    if entry.cell_tile:
        # Decorative and edge tiles never stand in today's cell, whose number is wider.
        quiet = entry.builder in ("decorative_tile", "edge_tile")
        area = cells.OWN_NUMBER if quiet else cells.TODAY_NUMBER
        key = Image.new("RGB", (area[2] - area[0], area[3] - area[1]), paint.CELL_KEY)
        if im.crop(area).tobytes() != key.tobytes():
            return "cell tile covers its day number"
        covered = paint.key_distance_mask(im, paint.CELL_KEY, 64).histogram()[255]
        if covered * 2 > cells.WIDTH * cells.HEIGHT:
            return "cell tile covers %d pixels, more than half" % covered
    return None


def check_bmp(entry, data):
    if data[:2] != b"BM":
        return "not a BMP file"
    offset, = struct.unpack("<I", data[10:14])
    width, height, _, bits = struct.unpack("<iiHH", data[18:30])
    im = Image.open(io.BytesIO(data))
    im.load()
    if im.size != (width, height):
        return "BMP size disagrees with Pillow"
    if entry.name == "ICON_MSK":
        return None if (width, height, bits) == (32, 32, 1) else "ICON_MSK must be 32 x 32, 1 bit"
    if entry.name == "ICON_KAL":
        colours, = struct.unpack("<I", data[46:50])
        ok = (width, height, bits, offset, colours) == (32, 32, 8, 1078, 256)
        return None if ok else "ICON_KAL must be 32 x 32, 8 bits, 256 colours, pixels at 1078"
    if bits != 24:
        return "bitmap must have 24 bits"
    if entry.name == "ARBEITE" and (width, height) != (272, 166):
        return "ARBEITE must be 272 x 166"
    if entry.name.startswith("HG") and not (16 <= width <= 200 and 11 <= height <= 140):
        return "background size %dx%d out of range" % (width, height)
    return None


def check_ico(entry, data):
    count, = struct.unpack("<H", data[4:6])
    sizes = []
    for i in range(count):
        w, h = data[6 + 16 * i], data[7 + 16 * i]
        sizes.append((w or 256, h or 256))
    want = [(s, s) for s in pictures.icon_sizes(entry.name)]
    if sorted(sizes) != want:
        return "icon sizes %s, expected %s" % (sizes, want)
    im = Image.open(io.BytesIO(data))
    if sorted(im.info.get("sizes", [])) != want:
        return "Pillow reads other icon sizes"
    return None


def make(job):
    index, entry, outdir = job
    started = time.time()
    try:
        data = entry.build()
        ext = entry.file.rsplit(".", 1)[1]
        problem = {"psd": check_psd, "bmp": check_bmp, "ico": check_ico}[ext](entry, data)
    except Exception as e:  # reported with the name below
        return index, "%s: %s" % (type(e).__name__, e), 0, 0.0
    if problem:
        return index, problem, 0, 0.0
    path = os.path.join(outdir, entry.file)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)
    return index, None, len(data), time.time() - started


def write_manifest(outdir, entries):
    lines = ["# type name file — written by generate.py"]
    lines += ["%s\t%s\t%s" % (e.type, e.name, e.file) for e in entries]
    _replace(os.path.join(outdir, MANIFEST), "\n".join(lines) + "\n")


def read_manifest(path):
    rows = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith("#"):
                rows.append(tuple(line.split("\t")))
    return rows


def write_resource_script(outdir):
    """The resource script, made from the manifest (not from the catalogue) so that the
    executable and the native store cannot list different things."""
    rows = read_manifest(os.path.join(outdir, MANIFEST))
    lines = ["#pragma code_page(65001)", "// The program's pictures, bitmaps and icons; written by generate.py.", ""]
    for rtype, name, file in rows:
        # Unquoted: windres joins a quoted name to the file name of the line before.
        if not re.fullmatch(r"[A-Z][A-Z0-9_-]*", name) or not re.fullmatch(r"[A-Z]+", rtype):
            sys.exit("generate.py: %s %s cannot stand in a resource script" % (rtype, name))
        path = os.path.abspath(os.path.join(outdir, file)).replace("\\", "/")
        lines.append('%s %s "%s"' % (name, rtype, path))
    _replace(os.path.join(outdir, RESOURCE_SCRIPT), "\n".join(lines) + "\n")


def _replace(path, text):
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)
    os.replace(tmp, path)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("outdir")
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--only", nargs="*", help="draw only these names")
    args = ap.parse_args()
    os.makedirs(args.outdir, exist_ok=True)
    entries = catalogue.entries()
    names = [e.name for e in entries]
    if len(set(names)) != len(names):
        sys.exit("generate.py: a resource name occurs twice")
    todo = [e for e in entries if not args.only or e.name in args.only]
    jobs = [(i, e, args.outdir) for i, e in enumerate(todo)]
    started = time.time()
    failures = []
    total = 0
    if args.jobs > 1:
        with Pool(args.jobs) as pool:
            results = list(pool.imap_unordered(make, jobs, chunksize=4))
    else:
        results = [make(j) for j in jobs]
    for index, problem, size, _ in results:
        if problem:
            failures.append("%s: %s" % (todo[index].name, problem))
        total += size
    if failures:
        sys.exit("generate.py: " + "\n  ".join(sorted(failures)))
    # With --only (for trying out art) the manifest lists just what was drawn.
    write_manifest(args.outdir, todo)
    write_resource_script(args.outdir)
    print("generate.py: %d files, %.1f MB, %.0f s" % (len(todo), total / 1e6, time.time() - started))


if __name__ == "__main__":
    main()
