#!/usr/bin/python3
"""One PNG with every picture of the manifest on a neutral ground, labelled with its name.

  contact_sheet.py GENERATED_DIR OUT.png [--scale S] [--only PREFIX ...]

Cell tiles and the preview sheet are shown as the program lays them over the wallpaper: the
pixels within the overlay's tolerance of the key colour are left out. On each cell tile,
translucent boxes mark where the day numbers stand: the cell's own at the top-left (yellow) and
those of the neighbours it has at the other corners (dark). Icons are shown at every size they
carry."""
import argparse
import io
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from PIL import Image, ImageDraw  # noqa: E402

from art import cells, paint, pictures  # noqa: E402
from generate import read_manifest  # noqa: E402

GROUND = (168, 168, 168)
LABEL = (30, 30, 30)
CELL = (160, 160, 160)
CELL_LINE = (146, 146, 146)
SECTIONS = [
    ("Zierbilder", lambda t, n: t == "RASTER" and (n.startswith("E") and n[1:].isdigit() or n in ("ER", "EU"))),
    ("Monatsbilder", lambda t, n: t == "RASTER" and n.startswith("MON")),
    ("Besondere Tage", lambda t, n: t == "RASTER"),
    ("Termine im Kalender", lambda t, n: t == "ALARM" and not n.startswith("ALARM_P")),
    ("Alarmbilder", lambda t, n: t == "ALARM"),
    ("Vorschau, Hintergründe, Bitmaps", lambda t, n: t in ("PREV", "BITMAP", "BITMAPI")),
    ("Symbole", lambda t, n: t == "ICON"),
]


OWN_BOX = (255, 226, 60, 110)
NEIGHBOUR_BOX = (20, 24, 40, 90)


def position_letter(name):
    """R right column, U bottom row, E corner, A interior, from a cell tile's name."""
    if name in ("ER", "EU"):
        return name[1]
    if name.startswith("MON"):
        return name[5]
    if name.startswith("ALARM_"):
        return "A" if name[6] == "X" else name[6]
    if not name.startswith("E") and name[-1] in "RUE":
        return name[-1]
    return "A"


def number_boxes(sheet, name, px, py, size, scale):
    """The day numbers' places on a cell tile of `size` drawn at (px, py)."""
    edges = pictures.POSITIONS[position_letter(name)]
    decorative = name in ("ER", "EU") or (name[0] == "E" and name[1:].isdigit())
    zones = cells.keep_out(edges, today=not decorative)
    box = (px, py, px + size[0], py + size[1])
    layer = Image.new("RGBA", size, (0, 0, 0, 0))
    d = ImageDraw.Draw(layer)
    for i, zone in enumerate(zones):
        x0, y0, x1, y1 = (round(v * scale) for v in zone)
        d.rectangle((x0, y0, x1 - 1, y1 - 1), fill=NEIGHBOUR_BOX if i else OWN_BOX)
    sheet.paste(Image.alpha_composite(sheet.crop(box).convert("RGBA"), layer).convert("RGB"), box[:2])


def keyed(im, key, tolerance):
    """RGBA: transparent where the overlay would leave the pixel out."""
    rgba = im.convert("RGBA")
    rgba.putalpha(paint.key_distance_mask(im, key, tolerance))
    return rgba


def icon_images(data):
    """Each image of an .ico file, decoded directly (Pillow shows only the largest)."""
    count, = struct.unpack("<H", data[4:6])
    out = []
    for i in range(count):
        w, h, _, _, _, _, size, offset = struct.unpack("<BBBBHHII", data[6 + 16 * i:22 + 16 * i])
        w, h = w or 256, h or 256
        blob = data[offset:offset + size]
        px = blob[40:40 + w * h * 4]
        im = Image.frombytes("RGBA", (w, h), px, "raw", "BGRA", 0, -1)
        out.append(im)
    return out


def tile_for(rtype, name, data, scale):
    if rtype in ("RASTER", "ALARM", "PREV"):
        im = Image.open(io.BytesIO(data)).convert("RGB")
        if rtype == "PREV":
            im = keyed(im, paint.PREVIEW_KEY, 128)
        elif not name.startswith("ALARM_P"):
            im = keyed(im, paint.CELL_KEY, 64)
        return im.resize((round(im.size[0] * scale), round(im.size[1] * scale)), Image.LANCZOS)
    if rtype in ("BITMAP", "BITMAPI"):
        im = Image.open(io.BytesIO(data)).convert("RGB")
        if name.startswith("HG"):
            return im.resize((round(148 * scale * 2), round(104 * scale * 2)), Image.BILINEAR)
        if name in ("ICON_MSK", "ICON_KAL"):
            return im.resize((64, 64), Image.NEAREST)
        return im
    if rtype == "ICON":
        images = icon_images(data)
        w = sum(i.size[0] for i in images) + 6 * (len(images) - 1)
        h = max(i.size[1] for i in images)
        strip = Image.new("RGBA", (w, h), (0, 0, 0, 0))
        x = 0
        for i in images:
            strip.alpha_composite(i, (x, h - i.size[1]))
            x += i.size[0] + 6
        return strip
    raise ValueError(rtype)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("generated")
    ap.add_argument("out")
    ap.add_argument("--scale", type=float, default=0.5)
    ap.add_argument("--only", nargs="*")
    ap.add_argument("--width", type=int, default=1800)
    args = ap.parse_args()
    rows = read_manifest(os.path.join(args.generated, "manifest.txt"))
    if args.only:
        rows = [r for r in rows if any(r[1].startswith(p) for p in args.only)]
    label_face = paint.font(paint.SANS, 12)
    head_face = paint.font(paint.SANS_BOLD, 20)
    pad, label_h = 10, 16
    placed = []  # (section title or None, image, label)
    left = list(rows)
    for title, wanted in SECTIONS:
        mine = [r for r in left if wanted(r[0], r[1])]
        left = [r for r in left if r not in mine]
        if not mine:
            continue
        placed.append((title, None, None))
        for rtype, name, file in mine:
            with open(os.path.join(args.generated, file), "rb") as f:
                data = f.read()
            keyed_tile = rtype in ("RASTER", "PREV") or (rtype == "ALARM" and not name.startswith("ALARM_P"))
            placed.append((None, (tile_for(rtype, name, data, args.scale), keyed_tile), name))
    # Flow layout, a new line for every section.
    x, y, line_h = pad, pad, 0
    positions = []
    for title, what, label in placed:
        if title:
            if x > pad:
                y += line_h + pad
            positions.append((title, pad, y))
            y += 30
            x, line_h = pad, 0
            continue
        im = what[0]
        w, h = im.size[0], im.size[1] + label_h
        if x + w > args.width - pad and x > pad:
            x, y = pad, y + line_h + pad
            line_h = 0
        positions.append(((what, label), x, y))
        x += max(w, label_face.getbbox(label)[2]) + pad
        line_h = max(line_h, h)
    sheet = Image.new("RGB", (args.width, y + line_h + pad), GROUND)
    d = ImageDraw.Draw(sheet)
    for what, px, py in positions:
        if isinstance(what, str):
            d.text((px, py + 4), what, font=head_face, fill=LABEL)
            continue
        (im, keyed_tile), label = what
        if keyed_tile:
            # The cell's extent, faintly, so that the motif's place in it shows.
            d.rectangle((px, py, px + im.size[0] - 1, py + im.size[1] - 1), fill=CELL, outline=CELL_LINE)
        if im.mode == "RGBA":
            sheet.paste(im, (px, py), im)
        else:
            sheet.paste(im, (px, py))
        if keyed_tile and label != "PREV":
            number_boxes(sheet, label, px, py, im.size, args.scale)
        d.text((px, py + im.size[1] + 2), label, font=label_face, fill=LABEL)
    sheet.save(args.out, optimize=False)
    print("contact_sheet.py: %d pictures, %dx%d" % (len(rows), sheet.size[0], sheet.size[1]))


if __name__ == "__main__":
    main()
