"""Cell tiles: a sticker motif placed on the key colour next to the cell's own day number
(below and to the right of it), with the corners where the day numbers stand left free, no
more than half of the tile covered, and the sticker's edge hard (opaque or key, nothing
between)."""
import math

from PIL import Image, ImageChops

from . import paint

WIDTH, HEIGHT = 296, 256
MAX_COVER = 0.46                      # stays below the limit of one half with some room
MARGIN = 5                            # free key colour between a sticker and the tile's edge

# A day number starts about 24 tile pixels left of and above its cell and, in the default
# font, reaches 64 x 28 tile pixels into it on a 1024 x 768 screen (shadow included), 46 x 14
# at 1280 x 1024 and 22 x 8 at 1920 x 1080; today's carries an asterisk and reaches 98 x 28
# ("28*" at 1024 x 768). What is left of it in the tile stays key colour, with some room.
# Decorative tiles never stand in today's cell.
OWN_NUMBER = (0, 0, 72, 36)
TODAY_NUMBER = (0, 0, 104, 36)

# Where the neighbours' day numbers reach into a cell: the number of the cell to the right
# into the top-right corner, the one below into the bottom-left, the one down-right into the
# bottom-right corner. Wider than the own number's area: a picture standing at a neighbour's
# number reads as that day's.
RIGHT_NUMBER = (266, 0, WIDTH, 52)
BELOW_NUMBER = (0, 226, 104, HEIGHT)
DIAGONAL_NUMBER = (266, 226, WIDTH, HEIGHT)

# How near the own number the motif stands: its centre at most this many times as far from
# the own corner as from the nearest other one (0.85 is the limit the tests hold the tiles to).
NEAR_OWN_NUMBER = 0.84


class Placement:
    """Which neighbours a cell has: `edges` holds 'r' when there is none to the right (the
    sheet's right column), 'b' when there is none below (its bottom row). `today`: the tile
    may stand in today's cell. `grow` lets the motif become as large as the free room allows;
    quiet tiles keep their drawn size."""

    def __init__(self, edges="", today=False, grow=True):
        self.edges = edges
        self.today = today
        self.grow = grow


def keep_out(edges, today=False):
    """The number areas a tile leaves free, its own first."""
    zones = [TODAY_NUMBER if today else OWN_NUMBER]
    if "r" not in edges:
        zones.append(RIGHT_NUMBER)
    if "b" not in edges:
        zones.append(BELOW_NUMBER)
    if "r" not in edges and "b" not in edges:
        zones.append(DIAGONAL_NUMBER)
    return zones


def corner_ratio(x, y):
    """Distance of a point from the tile's top-left corner over its distance from the
    nearest other corner."""
    other = min(math.hypot(WIDTH - x, y), math.hypot(x, HEIGHT - y), math.hypot(WIDTH - x, HEIGHT - y))
    return math.hypot(x, y) / other


def _render(parts, scale):
    """The sticker of the parts shrunk or grown by `scale` about their common centre,
    cropped to its outline."""
    gx = sum(p.x for p in parts) / len(parts)
    gy = sum(p.y for p in parts) / len(parts)
    scaled = [paint.Part(p.what, (p.x - gx) * scale, (p.y - gy) * scale, p.size * scale,
                         p.rotate, p.flip, p.grey) for p in parts]
    st = paint.sticker(paint.compose(scaled, 1.0))
    return st.crop(st.getchannel("A").getbbox())


def _ink(mask):
    """Opaque pixel count and their centre (pixel centres at +0.5)."""
    w, h = mask.size
    rows = mask.tobytes()
    cols = mask.transpose(Image.TRANSPOSE).tobytes()
    per_row = [rows.count(255, y * w, (y + 1) * w) for y in range(h)]
    per_col = [cols.count(255, x * h, (x + 1) * h) for x in range(w)]
    n = sum(per_row)
    return (n, sum((x + 0.5) * c for x, c in enumerate(per_col)) / n,
            sum((y + 0.5) * c for y, c in enumerate(per_row)) / n)


def _touches(mask, left, top, zones):
    w, h = mask.size
    for x0, y0, x1, y1 in zones:
        a, b = max(x0 - left, 0), max(y0 - top, 0)
        c, d = min(x1 - left, w), min(y1 - top, h)
        if a < c and b < d and mask.crop((a, b, c, d)).getbbox() is not None:
            return True
    return False


def _best_place(mask, zones, max_cover):
    """Where the sticker stands nearest the corner of the own number's area (zones[0]),
    inside the tile, off the number areas and near enough its own number; None if nowhere."""
    n, cx, cy = _ink(mask)
    w, h = mask.size
    if n > max_cover * WIDTH * HEIGHT or w > WIDTH - 2 * MARGIN or h > HEIGHT - 2 * MARGIN:
        return None
    candidates = []
    for top in range(MARGIN, HEIGHT - MARGIN - h + 1, 2):
        for left in range(MARGIN, WIDTH - MARGIN - w + 1, 2):
            x, y = left + cx, top + cy
            if corner_ratio(x, y) <= NEAR_OWN_NUMBER:
                candidates.append(((x - zones[0][2]) ** 2 + (y - zones[0][3]) ** 2, left, top))
    for _, left, top in sorted(candidates):
        if not _touches(mask, left, top, zones):
            return left, top
    return None


def place(parts, placement=None, ground=paint.CELL_KEY, max_cover=MAX_COVER):
    """The finished tile (RGB). The parts keep their drawn composition and, unless the
    placement says otherwise, grow as far as a place next to the own number allows; they
    shrink when even their drawn size finds none."""
    placement = placement or Placement()
    zones = keep_out(placement.edges, placement.today)

    def attempt(scale):
        spr = _render(parts, scale)
        mask = paint.opaque_mask(spr)
        at = _best_place(mask, zones, max_cover)
        return (spr, mask, at) if at else None

    found, scale = attempt(1.0), 1.0
    while found is None:
        scale *= 0.95
        if scale < 0.2:
            raise ValueError("motif does not fit into a cell tile")
        found = attempt(scale)
    if placement.grow:
        # Coarse steps up until the sticker no longer fits, then halve the gap a few times.
        lo, hi = scale, None
        while hi is None and lo < 4.0:
            bigger = attempt(lo * 1.15)
            if bigger is None:
                hi = lo * 1.15
            else:
                lo, found = lo * 1.15, bigger
        for _ in range(4 if hi else 0):
            mid = (lo + hi) / 2
            better = attempt(mid)
            if better is None:
                hi = mid
            else:
                lo, found = mid, better
    spr, mask, (left, top) = found
    return _flatten(spr, mask, left, top, ground)


def _flatten(spr, mask, left, top, ground):
    tile = Image.new("RGB", (WIDTH, HEIGHT), ground)
    tile.paste(spr.convert("RGB"), (left, top), mask)
    return keep_off_key(tile, ground, _placed_mask(mask, left, top))


def _placed_mask(mask, left, top):
    m = Image.new("L", (WIDTH, HEIGHT), 0)
    m.paste(mask, (left, top))
    return m


def keep_off_key(image, key, mask):
    """Motif pixels that come close to the key colour would vanish in the overlay; they are
    moved a little away from it."""
    diff = ImageChops.difference(image, Image.new("RGB", image.size, key))
    r, g, b = diff.split()
    near = ImageChops.lighter(ImageChops.lighter(r, g), b).point(lambda v: 255 if v <= 14 else 0)
    near = ImageChops.multiply(near, mask)
    if near.getbbox() is None:
        return image
    px = image.load()
    npx = near.load()
    x0, y0, x1, y1 = near.getbbox()
    for y in range(y0, y1):
        for x in range(x0, x1):
            if npx[x, y]:
                cr, cg, cb = px[x, y]
                px[x, y] = (min(255, cr + 24), min(255, cg + 24), max(0, cb - 8))
    return image
