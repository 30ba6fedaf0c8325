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


def _intrusion(mask, left, top):
    """Bounding box (tile coordinates) of opaque sprite pixels inside the top-left quarter."""
    qw, qh = QUARTER
    w, h = mask.size
    x1, y1 = min(w, qw - left), min(h, qh - top)
    if x1 <= 0 or y1 <= 0:
        return None
    box = mask.crop((max(0, -left), max(0, -top), x1, y1)).getbbox()
    if box is None:
        return None
    ox, oy = max(0, -left), max(0, -top)
    return (left + ox + box[0], top + oy + box[1])


def place(parts, placement=None, ground=paint.CELL_KEY, max_cover=MAX_COVER):
    """The finished tile (RGB). The parts are given in tile coordinates; the sticker keeps its
    position unless it must move out of the top-left quarter or into the tile, and shrinks
    when moving is not enough."""
    placement = placement or Placement()
    edges = placement.edges
    scale = 1.0
    for _ in range(40):
        spr, (left, top) = _render(parts, scale)
        w, h = spr.size
        mask = paint.opaque_mask(spr)
        fits = w <= WIDTH - (0 if "r" in edges else 2 * MARGIN) and (
            h <= HEIGHT - (0 if "b" in edges or "B" in edges else 2 * MARGIN))
        if fits:
            # Into the tile, or onto the edges it rests on.
            if "r" in edges:
                left = WIDTH - w
            else:
                left = min(max(left, MARGIN), WIDTH - MARGIN - w)
            if "B" in edges:
                top = HEIGHT - h + OVERHANG
            elif "b" in edges:
                top = HEIGHT - h
            else:
                top = min(max(top, MARGIN), HEIGHT - MARGIN - h)
            # Out of the quarter: the cheaper of a move right or a move down, if either fits.
            for _ in range(4):
                hit = _intrusion(mask, left, top)
                if hit is None:
                    break
                dx, dy = QUARTER[0] - hit[0], QUARTER[1] - hit[1]
                room_x = (WIDTH - (0 if "r" in edges else MARGIN)) - (left + w)
                room_y = (HEIGHT - (0 if "b" in edges else MARGIN)) - (top + h)
                if "B" in edges:
                    room_y = -1
                options = [(dx, "x")] if dx <= room_x else []
                if dy <= room_y:
                    options.append((dy, "y"))
                if not options:
                    break
                step, axis = min(options)
                if axis == "x":
                    left += step
                else:
                    top += step
            if _intrusion(mask, left, top) is None and _cover(mask, left, top) <= max_cover * WIDTH * HEIGHT:
                return _flatten(spr, mask, left, top, ground)
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
