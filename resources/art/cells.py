"""Cell tiles: a sticker motif placed on the key colour so that the day number in the top-left
quarter stays free, no more than half of the tile is covered, and the sticker's edge is hard
(opaque or key, nothing between)."""
from PIL import Image, ImageChops

from . import paint

WIDTH, HEIGHT = 296, 256
QUARTER = (WIDTH // 2, HEIGHT // 2)   # the top-left quarter belongs to the day number
MAX_COVER = 0.46                      # stays below the limit of one half with some room
MARGIN = 5                            # free key colour around a floating sticker
OVERHANG = 14                         # how far a standing motif runs past the bottom edge


class Placement:
    """Where a sticker goes. `edges` names the cell edges it rests on: 'r' right, 'b' bottom
    (flush with the edge), 'B' (standing: the motif runs past the bottom edge and is cut)."""

    def __init__(self, edges=""):
        self.edges = edges


def _group_centre(parts):
    return (sum(p.x for p in parts) / len(parts), sum(p.y for p in parts) / len(parts))


def _render(parts, scale):
    """The sticker of the parts shrunk by `scale` about their common centre, and where its
    top-left lands in tile coordinates."""
    gx, gy = _group_centre(parts)
    scaled = [paint.Part(p.what, gx + (p.x - gx) * scale, gy + (p.y - gy) * scale, p.size * scale,
                         p.rotate, p.flip, p.grey) for p in parts]
    layer, origin = _compose_with_origin(scaled)
    st = paint.sticker(layer)
    box = st.getchannel("A").getbbox()
    return st.crop(box), (origin[0] + box[0], origin[1] + box[1])


def _compose_with_origin(parts, pad=48):
    images = []
    xs0, ys0, xs1, ys1 = [], [], [], []
    for p in parts:
        im = p.image(1.0)
        x = p.x - im.size[0] / 2
        y = p.y - im.size[1] / 2
        images.append((im, x, y))
        xs0.append(x)
        ys0.append(y)
        xs1.append(x + im.size[0])
        ys1.append(y + im.size[1])
    x0, y0 = round(min(xs0)) - pad, round(min(ys0)) - pad
    w, h = round(max(xs1)) + pad - x0, round(max(ys1)) + pad - y0
    layer = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    for im, x, y in images:
        layer.alpha_composite(im, (round(x) - x0, round(y) - y0))
    return layer, (x0, y0)


def _cover(mask, left, top):
    """Opaque pixels of a sprite mask that fall inside the tile."""
    w, h = mask.size
    crop = mask.crop((max(0, -left), max(0, -top), min(w, WIDTH - left), min(h, HEIGHT - top)))
    return crop.histogram()[255]


# Where the neighbours' day numbers reach into a cell: each number starts a little above and
# left of its own cell (by about 25 tile pixels at every screen size), so it pokes into the
# bottom-left of the cell above, the top-right of the cell to the left and the bottom-right
# corner of the cell up-left. Tiles are laid over the numbers, so these corners stay free
# wherever such a neighbour exists.
RIGHT_NUMBER = (266, 0, WIDTH, 52)          # the number of the cell to the right
BELOW_NUMBER = (0, 226, 104, HEIGHT)        # the number of the cell below
DIAGONAL_NUMBER = (266, 226, WIDTH, HEIGHT)  # the number of the cell down-right


def keep_out(edges):
    zones = [(0, 0, QUARTER[0], QUARTER[1])]
    if "r" not in edges:
        zones.append(RIGHT_NUMBER)
    if "b" not in edges:
        zones.append(BELOW_NUMBER)
    if "r" not in edges and "b" not in edges:
        zones.append(DIAGONAL_NUMBER)
    return zones


def _touches(mask, left, top, zones):
    w, h = mask.size
    for x0, y0, x1, y1 in zones:
        a, b = max(x0 - left, 0), max(y0 - top, 0)
        c, d = min(x1 - left, w), min(y1 - top, h)
        if a < c and b < d and mask.crop((a, b, c, d)).getbbox() is not None:
            return True
    return False


_OFFSETS = sorted(((dx, dy) for dx in range(-72, 73, 4) for dy in range(-72, 73, 4)),
                  key=lambda o: (o[0] ** 2 + o[1] ** 2, o))


def place(parts, placement=None, ground=paint.CELL_KEY, max_cover=MAX_COVER):
    """The finished tile (RGB). The parts are given in tile coordinates; the sticker stays
    as near to that place as the free corners and the tile's edges allow, and shrinks when no
    place nearby will do."""
    placement = placement or Placement()
    edges = placement.edges
    zones = keep_out(edges)
    scale = 1.0
    for _ in range(40):
        spr, (left, top) = _render(parts, scale)
        w, h = spr.size
        mask = paint.opaque_mask(spr)
        if _cover(mask, 0, 0) <= max_cover * WIDTH * HEIGHT:
            x_lo = WIDTH - w if "r" in edges else MARGIN
            x_hi = WIDTH - w if "r" in edges else WIDTH - MARGIN - w
            if "B" in edges:
                y_lo = y_hi = HEIGHT - h + OVERHANG
            elif "b" in edges:
                y_lo = y_hi = HEIGHT - h
            else:
                y_lo, y_hi = MARGIN, HEIGHT - MARGIN - h
            if x_lo <= x_hi and y_lo <= y_hi:
                x0 = min(max(left, x_lo), x_hi)
                y0 = min(max(top, y_lo), y_hi)
                for dx, dy in _OFFSETS:
                    x, y = x0 + dx, y0 + dy
                    if x_lo <= x <= x_hi and y_lo <= y <= y_hi and not _touches(mask, x, y, zones):
                        if _cover(mask, x, y) <= max_cover * WIDTH * HEIGHT:
                            return _flatten(spr, mask, x, y, ground)
        scale *= 0.95
    raise ValueError("motif does not fit into a cell tile")


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
