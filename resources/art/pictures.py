"""The builders: one function per kind of picture, each returning the finished file bytes."""
import math
import random

from PIL import Image, ImageDraw, ImageFilter

from . import cells, formats, motifs, paint
from .paint import Part as P

W, H = cells.WIDTH, cells.HEIGHT

# The neighbours a cell of each position letter lacks: R the right column, U the bottom row,
# E the corner.
POSITIONS = {"A": "", "R": "r", "U": "b", "E": "rb"}


def _cell_picture(parts, position):
    """Month, special-day and appointment pictures: each may stand in today's cell."""
    return cells.place(parts, cells.Placement(POSITIONS[position], today=True))


def psd(image):
    return formats.psd_bytes(image)


# ---------------------------------------------------------------------------------------------
# Cell tiles


def quiet_mark():
    """The plain tile's only mark: a small four-pointed sparkle, white with the dark line."""
    s = 4
    size = 30 * s
    layer = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    d = ImageDraw.Draw(layer)
    c = size / 2
    r, k = size * 0.48, size * 0.13
    pts = []
    for i in range(8):
        a = math.pi / 2 * (i // 2) + (math.pi / 4 if i % 2 else 0)
        rad = r if i % 2 == 0 else k
        pts.append((c + rad * math.cos(a), c - rad * math.sin(a)))
    d.polygon(pts, fill=(255, 236, 150, 255))
    return layer.resize((30, 30), Image.LANCZOS)


def decorative_tile(n):
    if n == 0:
        return psd(cells.place([P(quiet_mark(), 0, 0, 24)], cells.Placement(grow=False)))
    return psd(cells.place(motifs.DECORATIVE[n], cells.Placement()))


def edge_tile(name):
    parts, edges = motifs.EDGE_TILES[name]
    return psd(cells.place(parts, cells.Placement(edges, grow=False)))


def month_tile(month, position, easter):
    parts = list(motifs.MONTHS[month])
    if easter:
        parts += motifs.EASTER_EXTRA
    return psd(_cell_picture(parts, position))


def special_tile(key, position):
    if key in ("SBEG", "SEND"):
        parts = clock_change_parts(forward=(key == "SBEG"))
    else:
        parts = motifs.SPECIAL[key]
    return psd(_cell_picture(parts, position))


def appointment_tile(n, position):
    parts = motifs.APPOINTMENTS[n][1]
    return psd(_cell_picture(parts, "A" if position == "X" else position))


def _arrow_layer(forward, colour):
    """A round arrow a quarter turn long, clockwise for forward."""
    s = 4
    size = 120 * s
    layer = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    d = ImageDraw.Draw(layer)
    c, r, width = size / 2, size * 0.38, 10 * s
    # Pillow's angles run clockwise from three o'clock.
    start, end = (-150, -30) if forward else (-30, -150)
    lo, hi = min(start, end), max(start, end)
    d.arc((c - r, c - r, c + r, c + r), lo, hi, fill=colour, width=width)
    tip_angle = math.radians(end)
    tx, ty = c + (r - width / 2) * math.cos(tip_angle), c + (r - width / 2) * math.sin(tip_angle)
    direction = 1 if forward else -1
    # The head points along the tangent in the direction of travel.
    tan = (-math.sin(tip_angle) * direction, math.cos(tip_angle) * direction)
    nrm = (math.cos(tip_angle), math.sin(tip_angle))
    head = 30 * s
    p1 = (tx + tan[0] * head * 0.9, ty + tan[1] * head * 0.9)
    p2 = (tx + nrm[0] * head * 0.75 - tan[0] * head * 0.2, ty + nrm[1] * head * 0.75 - tan[1] * head * 0.2)
    p3 = (tx - nrm[0] * head * 0.75 - tan[0] * head * 0.2, ty - nrm[1] * head * 0.75 - tan[1] * head * 0.2)
    d.polygon([p1, p2, p3], fill=colour)
    layer = layer.resize((120, 120), Image.LANCZOS)
    return layer.crop(layer.getbbox())


def _label_layer(text, colour, size=40):
    face = paint.font(paint.SANS_BOLD, size * 2)
    w, h, box = paint.text_size(text, face)
    layer = Image.new("RGBA", (w + 8, h + 8), (0, 0, 0, 0))
    ImageDraw.Draw(layer).text((4 - box[0], 4 - box[1]), text, font=face, fill=colour)
    layer = layer.resize(((w + 8) // 2, (h + 8) // 2), Image.LANCZOS)
    return layer


def clock_change_parts(forward):
    """Start of summer time: the clock jumps forward an hour; its end: back."""
    clock = "🕑" if forward else "🕒"
    colour = (64, 176, 72, 255) if forward else (232, 120, 40, 255)
    sky = "☀" if forward else "🌙"
    return [
        P(_arrow_layer(forward, colour), 0, -4, 196),
        P(clock, 0, 12, 96),
        P(_label_layer("+1" if forward else "−1", colour), 70, 66, 58),
        P(sky, -66, 62, 52),
    ]


# ---------------------------------------------------------------------------------------------
# Pictures shown whole (no key colour): the alarm window's pictures, title, busy window


def wash(size, light, deep, seed):
    """A calm diagonal wash from a light to a deeper colour with a soft glow and texture."""
    w, h = size
    im = paint.gradient((max(2, w // 8), max(2, h // 8)), [(0.0, light), (1.0, deep)], angle=35)
    im = im.resize(size, Image.BICUBIC)
    im = paint.tint(im, paint.clouds(size, seed, scale=24), (255, 255, 255), 0.16)
    glow = Image.new("L", size, 0)
    ImageDraw.Draw(glow).ellipse((w * 0.1, h * 0.05, w * 0.9, h * 0.95), fill=110)
    glow = glow.filter(ImageFilter.GaussianBlur(min(w, h) / 5))
    return Image.composite(Image.new("RGB", size, (255, 255, 255)), im, glow)


def soft_sprite(parts, scale=1.0):
    """A sticker drawn at twice the size and reduced, for pictures that are not keyed: its
    edge may be soft."""
    big = [P(p.what, p.x * 2 * scale, p.y * 2 * scale, p.size * 2 * scale, p.rotate, p.flip, p.grey) for p in parts]
    layer = paint.compose(big, 1.0)
    st = paint.sticker(layer, rim=paint.RIM * 2, outline=paint.OUTLINE * 2)
    st = st.crop(st.getchannel("A").getbbox())
    return paint.transformed(st, max(st.size) / 2)


def _paste_centred(canvas, sprite, centre):
    x = round(centre[0] - sprite.size[0] / 2)
    y = round(centre[1] - sprite.size[1] / 2)
    canvas.alpha_composite(sprite, (x, y))


def alarm_picture(n):
    if n == 0:
        return psd(no_picture())
    if n == 99:
        parts, light, deep = [P("⏰", 0, 0, 170)], (255, 240, 214), (244, 170, 92)
    else:
        _, parts, (light, deep) = motifs.APPOINTMENTS[n]
    canvas = wash((W, H), light, deep, seed=500 + n).convert("RGBA")
    _paste_centred(canvas, soft_sprite(parts, 1.25), (W / 2, H / 2 + 4))
    return psd(canvas.convert("RGB"))


def no_picture():
    canvas = wash((W, H), (244, 244, 246), (206, 208, 214), seed=400)
    d = ImageDraw.Draw(canvas)
    face = paint.font(paint.SANS_BOLD, 34)
    text = "kein Bild"
    w, h, box = paint.text_size(text, face)
    d.text(((W - w) / 2 - box[0], (H - h) / 2 - box[1]), text, font=face, fill=(150, 152, 160))
    # A dashed frame around it.
    x0, y0, x1, y1 = 36, 40, W - 36, H - 40
    for x in range(x0, x1, 18):
        d.line((x, y0, min(x + 9, x1), y0), fill=(170, 172, 180), width=3)
        d.line((x, y1, min(x + 9, x1), y1), fill=(170, 172, 180), width=3)
    for y in range(y0, y1, 18):
        d.line((x0, y, x0, min(y + 9, y1)), fill=(170, 172, 180), width=3)
        d.line((x1, y, x1, min(y + 9, y1)), fill=(170, 172, 180), width=3)
    return canvas


def title_bitmap():
    size = (248, 161)
    canvas = paint.gradient(size, [(0.0, (120, 178, 232)), (0.62, (186, 218, 244)), (1.0, (250, 226, 190))], 90)
    canvas = paint.tint(canvas, paint.clouds(size, 7, scale=20), (255, 255, 255), 0.30).convert("RGBA")
    _paste_centred(canvas, soft_sprite([P("🗓", 0, 0, 76)]), (58, 62))
    _paste_centred(canvas, soft_sprite([P("🌷", 0, 0, 34)]), (212, 30))
    _paste_centred(canvas, soft_sprite([P("☀", 0, 0, 30)]), (150, 28))
    _paste_centred(canvas, soft_sprite([P("☃", 0, 0, 34)]), (222, 78))
    d = ImageDraw.Draw(canvas)
    face = paint.font(paint.SANS_BOLD, 30)
    text = "Die Quendler"
    w, h, box = paint.text_size(text, face)
    x, y = (size[0] - w) / 2 - box[0], 112 - box[1]
    d.text((x + 2, y + 2), text, font=face, fill=(40, 60, 100))
    d.text((x, y), text, font=face, fill=(255, 255, 255), stroke_width=1, stroke_fill=(40, 70, 130))
    small = paint.font(paint.SANS, 12)
    sub = "Desktopkalender"
    w2, h2, box2 = paint.text_size(sub, small)
    d.text(((size[0] - w2) / 2 - box2[0], 146 - box2[1]), sub, font=small, fill=(60, 80, 120))
    return formats.bmp24_bytes(canvas.convert("RGB"))


def busy_bitmap():
    size = (272, 166)
    canvas = paint.gradient(size, [(0.0, (255, 246, 226)), (1.0, (250, 206, 150))], 60)
    canvas = paint.tint(canvas, paint.clouds(size, 11, scale=18), (255, 255, 255), 0.25).convert("RGBA")
    d = ImageDraw.Draw(canvas)
    d.rectangle((0, 0, size[0] - 1, size[1] - 1), outline=(200, 150, 96), width=2)
    _paste_centred(canvas, soft_sprite([P("🎨", -14, 6, 84), P("🖌", 40, -16, 60, rotate=-10)]), (136, 60))
    face = paint.font(paint.SANS_BOLD, 20)
    text = "Moment bitte …"
    w, h, box = paint.text_size(text, face)
    d.text(((size[0] - w) / 2 - box[0], 112 - box[1]), text, font=face, fill=(110, 64, 24))
    small = paint.font(paint.SANS, 13)
    sub = "Der Kalender wird gemalt."
    w2, h2, box2 = paint.text_size(sub, small)
    d.text(((size[0] - w2) / 2 - box2[0], 140 - box2[1]), sub, font=small, fill=(130, 90, 50))
    return formats.bmp24_bytes(canvas.convert("RGB"))


# ---------------------------------------------------------------------------------------------
# Preview sheet (578 x 416 on its own key colour)


def preview_sheet():
    size = (578, 416)
    s = 2
    key = paint.PREVIEW_KEY
    canvas = Image.new("RGBA", (size[0] * s, size[1] * s), (0, 0, 0, 0))
    d = ImageDraw.Draw(canvas)
    cw, ch = 82 * s, 69 * s
    x0, y0 = 3 * s, 2 * s
    heads = ["Mo", "Di", "Mi", "Do", "Fr", "Sa", "So"]
    hface = paint.font(paint.SANS_BOLD, 30 * s)
    for c, t in enumerate(heads):
        d.text((x0 + c * cw + 6 * s, y0 + 10 * s), t, font=hface, fill=(70, 70, 70, 255),
               stroke_width=2 * s, stroke_fill=(200, 200, 200, 255))
    nface = paint.font(paint.SANS_BOLD, 32 * s)
    today = 17
    first_column = 2  # the 1st is a Wednesday
    pictures = {4: "🌼", 9: "🐞", 13: "☕", 20: "🎈", 24: "🐢", 28: "🍀"}
    for day in range(1, 31):
        k = first_column + day - 1 + 7
        r, c = divmod(k, 7)
        x, y = x0 + c * cw, y0 + r * ch
        if day in pictures:
            im = paint.transformed(paint.emoji(pictures[day]), 44 * s)
            canvas.alpha_composite(im, (x + cw - im.size[0] - 6 * s, y + ch - im.size[1] - 4 * s))
        if day == today:
            im = paint.transformed(paint.emoji("🌷"), 50 * s)
            canvas.alpha_composite(im, (x + cw - im.size[0] - 4 * s, y + ch - im.size[1] - 2 * s))
        free = c >= 5
        colour = (250, 250, 0) if day == today else ((250, 16, 16) if free else (245, 245, 245))
        text = "%d%s" % (day, "*" if day == today else "")
        d.text((x + 4 * s, y + 2 * s), text, font=nface, fill=colour + (255,), stroke_width=2 * s,
               stroke_fill=(30, 30, 30, 255))
    # One hard edge for the whole sheet: what is more than half covered is drawn.
    small = canvas.resize(size, Image.LANCZOS)
    alpha = small.getchannel("A").point(lambda v: 255 if v >= 128 else 0)
    out = Image.new("RGB", size, key)
    out.paste(small.convert("RGB"), (0, 0), alpha)
    out = cells.keep_off_key(out, key, alpha)
    return psd(out)


# ---------------------------------------------------------------------------------------------
# Backgrounds: calm washes that carry white day numbers; small, stretched over the screen.

BACKGROUNDS = [
    # (size, gradient stops, angle, cloud colour, cloud strength, glow)
    ((200, 140), [(0, (22, 32, 76)), (1, (58, 88, 152))], 90, (120, 150, 220), 0.18, ((150, 110), (96, 130, 200))),
    ((160, 112), [(0, (14, 70, 80)), (1, (30, 120, 120))], 70, (120, 200, 190), 0.20, None),
    ((16, 11), [(0, (70, 30, 86)), (1, (130, 60, 120))], 60, None, 0, None),
    ((120, 84), [(0, (26, 70, 40)), (1, (70, 120, 60))], 100, (150, 200, 120), 0.18, None),
    ((64, 45), [(0, (44, 32, 90)), (0.55, (150, 70, 100)), (1, (226, 136, 84))], 90, None, 0, None),
    ((200, 140), [(0, (84, 134, 184)), (1, (126, 168, 204))], 90, (235, 245, 255), 0.30, None),
    ((100, 70), [(0, (20, 64, 120)), (1, (40, 110, 170))], 110, (150, 210, 240), 0.16, ((70, 10), (110, 170, 220))),
    ((32, 22), [(0, (46, 52, 62)), (1, (84, 94, 110))], 80, None, 0, None),
    ((80, 56), [(0, (78, 50, 34)), (1, (140, 96, 62))], 90, (220, 170, 120), 0.14, ((56, 20), (180, 130, 90))),
    ((48, 34), [(0, (80, 18, 40)), (1, (150, 44, 70))], 60, None, 0, None),
    ((200, 140), [(0, (164, 132, 90)), (1, (194, 164, 118))], 95, (240, 220, 180), 0.22, None),
    ((140, 98), [(0, (92, 144, 80)), (1, (132, 176, 100))], 90, (214, 240, 180), 0.22, None),
    ((24, 17), [(0, (118, 98, 168)), (1, (154, 134, 190))], 90, None, 0, None),
    ((200, 140), [(0, (14, 18, 52)), (0.5, (24, 60, 86)), (1, (16, 22, 60))], 100, (80, 220, 150), 0.26, None),
    ((96, 67), [(0, (196, 118, 86)), (1, (220, 154, 112))], 80, (250, 214, 180), 0.20, None),
    ((180, 126), [(0, (30, 50, 90)), (0.6, (70, 60, 120)), (1, (120, 80, 130))], 90, (200, 160, 220), 0.16, None),
    ((200, 140), [(0, (74, 126, 184)), (1, (122, 166, 210))], 90, (240, 248, 255), 0.36, None),
    ((128, 90), [(0, (18, 20, 36)), (1, (44, 40, 70))], 90, None, 0, "bokeh"),
    ((160, 112), [(0, (142, 110, 52)), (1, (174, 144, 82))], 90, (230, 210, 150), 0.18, None),
    ((16, 11), [(0, (56, 70, 92)), (1, (100, 116, 136))], 100, None, 0, None),
]


def background(n):
    size, stops, angle, cloud_colour, strength, glow = BACKGROUNDS[n]
    im = paint.gradient(size, stops, angle)
    if cloud_colour:
        scale = max(4, size[0] // 8)
        im = paint.tint(im, paint.clouds(size, 100 + n, scale=scale), cloud_colour, strength)
    if glow == "bokeh":
        rnd = random.Random(900 + n)
        layer = Image.new("RGB", size, (0, 0, 0))
        mask = Image.new("L", size, 0)
        d = ImageDraw.Draw(layer)
        dm = ImageDraw.Draw(mask)
        colours = [(90, 120, 200), (160, 90, 180), (80, 170, 190), (200, 150, 90)]
        for _ in range(14):
            x, y, r = rnd.uniform(0, size[0]), rnd.uniform(0, size[1]), rnd.uniform(5, 14)
            d.ellipse((x - r, y - r, x + r, y + r), fill=rnd.choice(colours))
            dm.ellipse((x - r, y - r, x + r, y + r), fill=rnd.randint(40, 80))
        mask = mask.filter(ImageFilter.GaussianBlur(2.5))
        im = Image.composite(layer, im, mask)
    elif glow:
        centre, colour = glow
        im = paint.radial_glow(im, centre, max(size) * 0.7, colour, 0.45)
    return formats.bmp24_bytes(im)


# ---------------------------------------------------------------------------------------------
# The day icon's calendar page (32 x 32, 8 bits) and its mask

def _calendar_page():
    """RGBA page at 32 x 32: a dark edge, red binding with two rings, white sheet; the number
    box from (6, 7) to (26, 27) (end exclusive) stays plain white."""
    s = 8

    def box(x0, y0, x1, y1):  # pixel cells x0..x1, y0..y1 inclusive
        return (x0 * s, y0 * s, (x1 + 1) * s - 1, (y1 + 1) * s - 1)

    big = Image.new("RGBA", (32 * s, 32 * s), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    d.rounded_rectangle(box(3, 2, 28, 31), radius=3 * s, fill=(70, 58, 52, 255))
    d.rounded_rectangle(box(4, 3, 27, 30), radius=2 * s, fill=(255, 255, 255, 255))
    d.rounded_rectangle(box(4, 3, 27, 6), radius=2 * s, fill=(222, 60, 52, 255))
    d.rectangle(box(4, 5, 27, 6), fill=(222, 60, 52, 255))
    for rx in (9, 21):
        d.rounded_rectangle(box(rx, 0, rx + 1, 4), radius=s, fill=(96, 90, 96, 255))
    small = big.resize((32, 32), Image.LANCZOS)
    alpha = small.getchannel("A").point(lambda v: 255 if v >= 128 else 0)
    return small, alpha


def day_icon_page():
    page, alpha = _calendar_page()
    rgb = Image.new("RGB", (32, 32), (0, 0, 0))
    rgb.paste(page.convert("RGB"), (0, 0), alpha)
    # The number box is plain white, whatever the drawing above left there.
    ImageDraw.Draw(rgb).rectangle((6, 7, 25, 26), fill=(255, 255, 255))
    pal = rgb.quantize(colors=256, method=Image.MEDIANCUT, dither=Image.NONE)
    return formats.bmp8_bytes(pal)


def day_icon_mask():
    _, alpha = _calendar_page()
    # Bit 1 (white) where the icon is transparent.
    return formats.bmp1_bytes(alpha.point(lambda v: 0 if v else 255))


# ---------------------------------------------------------------------------------------------
# Icons


def _icon_at(parts_or_emoji, size, grey=False, badge=None):
    src = paint.emoji(parts_or_emoji) if isinstance(parts_or_emoji, str) else parts_or_emoji
    pad = 0 if size <= 16 else max(1, size // 16)
    im = paint.transformed(src, size - 2 * pad)
    if grey:
        im = paint.greyed(im)
        im.putalpha(im.getchannel("A").point(lambda v: v * 150 // 255))
    out = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    out.alpha_composite(im, ((size - im.size[0]) // 2, (size - im.size[1]) // 2))
    if badge is not None:
        b = paint.transformed(badge, max(7, size * 9 // 16))
        out.alpha_composite(b, (size - b.size[0], size - b.size[1]))
    return out


def _plus_badge():
    s = 64
    im = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(im)
    d.ellipse((0, 0, s - 1, s - 1), fill=(255, 255, 255, 255))
    d.ellipse((5, 5, s - 6, s - 6), fill=(52, 168, 83, 255))
    d.rectangle((s // 2 - 5, 14, s // 2 + 5, s - 15), fill=(255, 255, 255, 255))
    d.rectangle((14, s // 2 - 5, s - 15, s // 2 + 5), fill=(255, 255, 255, 255))
    return im


ICONS = {
    "APP_ICON": "🗓",
    "CONFIG": "⚙",
    "HOT-K": "⌨",
    "WECKER96": "⏰",
    "ZETTEL": "📝",
    "UHR": "🕒",
    "NOTE_NEW": "📄",
    "NOTE_DEL": "🗑",
    "NOTE_DEL_OFF": "🗑",
    "NOTE_BACK": "⬅",
    "NOTE_BACK_OFF": "⬅",
    "NOTE_FORW": "➡",
    "NOTE_FORW_OFF": "➡",
    "NOTE_HELP": "❓",
    "NOTE_EXIT": "🚪",
    "NOTE_EDIT": "✏",
}
MOONS = ["🌑", "🌒", "🌓", "🌔", "🌕", "🌖", "🌗", "🌘"]


def icon_sizes(name):
    return (16, 32, 48, 96) if name == "WECKER96" else (16, 32, 48)


def icon(name):
    if name.startswith("MOND"):
        what = MOONS[int(name[4:])]
    else:
        what = ICONS[name]
    grey = name.endswith("_OFF")
    badge = _plus_badge() if name == "NOTE_NEW" else None
    return formats.ico_bytes([_icon_at(what, s, grey, badge) for s in icon_sizes(name)])
