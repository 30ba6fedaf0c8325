"""Drawing helpers: emoji motifs from Noto Color Emoji, the sticker rim that keeps scaled
pictures free of key-colour fringes, colour washes and text in DejaVu."""
import math
import random
import re

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

EMOJI_FONT = "/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf"
SANS = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
SANS_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

# The transparent key colour of the cell tiles and the one of the preview sheet, as RGB.
CELL_KEY = (0x4A, 0x6D, 0x94)
PREVIEW_KEY = (0x46, 0x69, 0x82)

RIM = 6           # white sticker rim, pixels at the 296 x 256 design size
OUTLINE = 3       # thin amber line around the rim, see OUTLINE_COLOUR
RIM_COLOUR = (255, 255, 255)
# Scaling mixes the line with the key colour, and every mix more than a distance of 8 from the
# key is drawn. The further the line's colour lies from the key, the smaller the share of the
# motif at which a mix is drawn while still looking blue; a bright warm colour of about the
# key's lightness also leaves the blue quickly (through grey to amber) and keeps the few
# bluish edge pixels from standing out against the line. Measured by the fringe test: the
# dark brown used before left 35 % of the edge pixels bluish, this one 25 %.
OUTLINE_COLOUR = (200, 110, 10)

_EMPTY = re.compile(rb"\x00+")
_emoji_cache = {}
_font_cache = {}


def font(path, size):
    key = (path, size)
    if key not in _font_cache:
        _font_cache[key] = ImageFont.truetype(path, size)
    return _font_cache[key]


def emoji(text):
    """The emoji as drawn by the colour font at its native strike, cropped to its ink.
    "egg:N" is an Easter egg painted in colour scheme N."""
    if text.startswith("egg:") and text not in _emoji_cache:
        _emoji_cache[text] = painted_egg(int(text[4:]))
    if text not in _emoji_cache:
        im = Image.new("RGBA", (200, 160), (0, 0, 0, 0))
        ImageDraw.Draw(im).text((10, 0), text, font=font(EMOJI_FONT, 109), embedded_color=True)
        box = im.getbbox()
        if box is None:
            raise ValueError("emoji %r draws nothing" % text)
        _emoji_cache[text] = im.crop(box)
    return _emoji_cache[text]


EGG_COLOURS = [
    [(236, 72, 96), (255, 206, 64), (72, 166, 230)],
    [(96, 190, 92), (246, 120, 180), (255, 226, 90)],
    [(150, 110, 220), (250, 150, 60), (90, 200, 200)],
]


def painted_egg(scheme):
    """The egg emoji with zigzag bands and dots in three colours, its shading kept."""
    base = emoji("🥚")
    w, h = base.size
    colours = EGG_COLOURS[scheme % len(EGG_COLOURS)]
    paint_layer = Image.new("RGB", (w, h), colours[0])
    d = ImageDraw.Draw(paint_layer)
    band = h / 5.0
    for i in range(5):
        top = i * band
        c = colours[i % 3]
        zig = []
        steps = 8
        for k in range(steps + 1):
            zig.append((w * k / steps, top + (band * 0.22 if k % 2 else -band * 0.22)))
        d.polygon([(0, top + band)] + zig + [(w, top + band), (w, h), (0, h)], fill=c)
    for i in range(6):
        x, y = w * (0.2 + 0.6 * ((i * 37) % 6) / 5.0), h * (0.3 + 0.1 * (i % 4))
        d.ellipse((x - 5, y - 5, x + 5, y + 5), fill=(255, 255, 255))
    # Keep the egg's light and shadow: multiply the paint by its brightness.
    shade = base.convert("L").point(lambda v: min(255, 60 + v))
    shaded = ImageChops.multiply(paint_layer, Image.merge("RGB", (shade, shade, shade)))
    shaded = Image.blend(shaded, paint_layer, 0.45)
    out = shaded.convert("RGBA")
    out.putalpha(base.getchannel("A"))
    return out


def transformed(im, size, rotate=0.0, flip=False):
    """`im` scaled so that its longer side is `size`, mirrored and turned (degrees, counter-
    clockwise). Premultiplied while resampling so that edges do not pick up black."""
    im = im.convert("RGBa")
    w, h = im.size
    k = size / max(w, h)
    im = im.resize((max(1, round(w * k)), max(1, round(h * k))), Image.LANCZOS)
    if flip:
        im = im.transpose(Image.FLIP_LEFT_RIGHT)
    if rotate:
        im = im.rotate(rotate, Image.BICUBIC, expand=True)
    return im.convert("RGBA")


class Part:
    """One piece of a motif: an emoji (or a ready RGBA picture) centred at (x, y) in design
    units, `size` design units along its longer side."""

    def __init__(self, what, x, y, size, rotate=0.0, flip=False, grey=False):
        self.what, self.x, self.y, self.size = what, x, y, size
        self.rotate, self.flip, self.grey = rotate, flip, grey

    def image(self, scale):
        src = emoji(self.what) if isinstance(self.what, str) else self.what
        im = transformed(src, self.size * scale, self.rotate, self.flip)
        if self.grey:
            im = greyed(im)
        return im


def greyed(im):
    alpha = im.getchannel("A")
    grey = im.convert("L").point(lambda v: 150 + v * 95 // 255)
    out = Image.merge("RGBA", (grey, grey, grey, alpha))
    return out


def compose(parts, scale, pad=48):
    """All parts on one transparent layer; returns the layer and the design-unit origin."""
    boxes = []
    images = []
    for p in parts:
        im = p.image(scale)
        x = p.x * scale - im.size[0] / 2
        y = p.y * scale - im.size[1] / 2
        images.append((im, x, y))
        boxes.append((x, y, x + im.size[0], y + im.size[1]))
    x0 = min(b[0] for b in boxes) - pad
    y0 = min(b[1] for b in boxes) - pad
    x1 = max(b[2] for b in boxes) + pad
    y1 = max(b[3] for b in boxes) + pad
    layer = Image.new("RGBA", (math.ceil(x1 - x0), math.ceil(y1 - y0)), (0, 0, 0, 0))
    for im, x, y in images:
        layer.alpha_composite(im, (round(x - x0), round(y - y0)))
    return layer


def _grow(mask, distance):
    """The mask grown by about `distance` pixels, with rounded outline."""
    if distance <= 0:
        return mask
    blurred = mask.filter(ImageFilter.GaussianBlur(distance / 2.0))
    return blurred.point(lambda v: 255 if v > 6 else 0)


def _fill_holes(mask):
    """Closed holes of the mask become part of it (a die-cut sticker has no holes). Runs of
    empty pixels are joined row by row; those not connected to the border are holes."""
    w, h = mask.size
    data = mask.tobytes()
    parent = []
    border = []

    def root(i):
        while parent[i] != i:
            parent[i] = parent[parent[i]]
            i = parent[i]
        return i

    rows = []
    prev = []
    for y in range(h):
        cur = []
        for m in _EMPTY.finditer(data, y * w, (y + 1) * w):
            x0, x1 = m.start() - y * w, m.end() - y * w
            i = len(parent)
            parent.append(i)
            border.append(y == 0 or y == h - 1 or x0 == 0 or x1 == w)
            cur.append((x0, x1, i))
        # Join with the runs above that share a column.
        j = 0
        for x0, x1, i in cur:
            while j < len(prev) and prev[j][1] <= x0:
                j += 1
            k = j
            while k < len(prev) and prev[k][0] < x1:
                a, b = root(i), root(prev[k][2])
                if a != b:
                    parent[a] = b
                    border[b] = border[b] or border[a]
                k += 1
        rows.append(cur)
        prev = cur
    out = bytearray(data)
    for y, cur in enumerate(rows):
        for x0, x1, i in cur:
            if not border[root(i)]:
                out[y * w + x0:y * w + x1] = b"\xff" * (x1 - x0)
    return Image.frombytes("L", (w, h), bytes(out))


def sticker(layer, rim=None, outline=None, rim_colour=None, outline_colour=None):
    """The motif with a white rim and a thin line around it. The result has only fully
    opaque and fully transparent pixels: every soft edge of the motif lies on the rim."""
    rim = RIM if rim is None else rim
    outline = OUTLINE if outline is None else outline
    rim_colour = rim_colour or RIM_COLOUR
    outline_colour = outline_colour or OUTLINE_COLOUR
    ink = layer.getchannel("A").point(lambda v: 255 if v > 60 else 0)
    inner = _fill_holes(_grow(ink, rim))
    outer = _grow(inner, outline) if outline else inner
    out = Image.new("RGBA", layer.size, outline_colour + (255,))
    out.paste(rim_colour + (255,), (0, 0), inner)
    out.alpha_composite(layer)
    out.putalpha(outer)
    return out


def sprite(parts, scale, **kw):
    """A finished sticker of the parts, cropped to its outline."""
    st = sticker(compose(parts, scale), **kw)
    box = st.getchannel("A").getbbox()
    return st.crop(box)


def opaque_mask(sprite_image):
    return sprite_image.getchannel("A").point(lambda v: 255 if v else 0)


def on_ground(rgba, ground):
    """Flattens a binary-alpha picture onto a solid colour."""
    out = Image.new("RGB", rgba.size, ground)
    out.paste(rgba.convert("RGB"), (0, 0), rgba.getchannel("A").point(lambda v: 255 if v else 0))
    return out


# ---------------------------------------------------------------------------------------------
# Washes


def lerp(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def gradient(size, stops, angle=90.0):
    """A linear gradient through (position, colour) stops; angle 90 runs top to bottom."""
    w, h = size
    im = Image.new("RGB", size)
    px = im.load()
    a = math.radians(angle)
    dx, dy = math.cos(a), math.sin(a)
    corners = [x * dx + y * dy for x in (0, w - 1) for y in (0, h - 1)]
    lo, hi = min(corners), max(corners)
    span = (hi - lo) or 1.0
    for y in range(h):
        for x in range(w):
            t = ((x * dx + y * dy) - lo) / span
            px[x, y] = _stop_colour(stops, t)
    return im


def _stop_colour(stops, t):
    if t <= stops[0][0]:
        return stops[0][1]
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            return lerp(c0, c1, (t - p0) / ((p1 - p0) or 1.0))
    return stops[-1][1]


def radial_glow(im, centre, radius, colour, strength):
    """Brightens `im` towards `colour` around `centre`, fading out at `radius`."""
    w, h = im.size
    glow = Image.new("L", im.size, 0)
    px = glow.load()
    cx, cy = centre
    for y in range(h):
        for x in range(w):
            d = math.hypot(x - cx, y - cy) / radius
            if d < 1.0:
                px[x, y] = round(255 * strength * (1 - d) ** 2 * (3 - 2 * (1 - d)) / 1.0)
    return Image.composite(Image.new("RGB", im.size, colour), im, glow)


def clouds(size, seed, scale=8, blur=None):
    """Soft value noise 0..255 from a seeded generator: a small random grid, smoothly enlarged."""
    rnd = random.Random(seed)
    w, h = size
    gw, gh = max(2, w // scale), max(2, h // scale)
    small = Image.new("L", (gw, gh))
    small.putdata([rnd.randint(0, 255) for _ in range(gw * gh)])
    big = small.resize(size, Image.BICUBIC)
    return big.filter(ImageFilter.GaussianBlur(blur if blur is not None else scale / 2))


def tint(im, mask, colour, strength):
    """Lays `colour` over `im` where `mask` is bright, at most `strength` (0..1)."""
    m = mask.point(lambda v: round(v * strength))
    return Image.composite(Image.new("RGB", im.size, colour), im, m)


def text_size(text, face):
    box = face.getbbox(text)
    return box[2] - box[0], box[3] - box[1], box


def outlined_text(draw, xy, text, face, fill, outline, width):
    draw.text(xy, text, font=face, fill=fill, stroke_width=width, stroke_fill=outline)


def key_distance_mask(image, key, tolerance):
    """255 where a pixel lies farther than the overlay's tolerance (a squared distance) from
    the key colour, 0 where the overlay would leave it out."""
    diff = ImageChops.difference(image.convert("RGB"), Image.new("RGB", image.size, key))
    r, g, b = (c.point(lambda v: min(255, v * v)) for c in diff.split())
    total = ImageChops.add(ImageChops.add(r, g), b)
    return total.point(lambda v: 255 if v > tolerance else 0)
