"""Writers for the file formats the program reads: PSD (RGB, 8 bits, 3 channels, PackBits),
BMP (24, 8 and 1 bits) and multi-size ICO. Pillow images in, bytes out; nothing here depends
on time or environment, so the same picture always gives the same bytes."""
import re
import struct

from PIL import Image

# Three or more equal bytes are worth a repeat run in PackBits.
_RUN = re.compile(rb"(.)\1{2,}", re.S)


def packbits(row: bytes) -> bytes:
    out = bytearray()

    def literal(chunk):
        for i in range(0, len(chunk), 128):
            part = chunk[i:i + 128]
            out.append(len(part) - 1)
            out.extend(part)

    pos = 0
    for m in _RUN.finditer(row):
        if m.start() > pos:
            literal(row[pos:m.start()])
        n = m.end() - m.start()
        value = row[m.start()]
        while n > 0:
            take = min(n, 128)
            if take == 1:
                literal(bytes((value,)))
            else:
                out.append((1 - take) & 0xFF)
                out.append(value)
            n -= take
        pos = m.end()
    if pos < len(row):
        literal(row[pos:])
    return bytes(out)


def unpackbits(data: bytes, width: int) -> bytes:
    """The reverse, for the generator's own check of what it wrote."""
    out = bytearray()
    p = 0
    while p < len(data) and len(out) < width:
        h = data[p]
        p += 1
        if h < 128:
            out.extend(data[p:p + h + 1])
            p += h + 1
        elif h != 128:
            out.extend(bytes((data[p],)) * (257 - h))
            p += 1
    return bytes(out[:width])


def psd_bytes(image: Image.Image) -> bytes:
    """A flattened RGB PSD, 8 bits per channel, three channels, every row PackBits-coded."""
    image = image.convert("RGB")
    width, height = image.size
    planes = image.split()
    counts = []
    rows = []
    for plane in planes:
        data = plane.tobytes()
        for y in range(height):
            packed = packbits(data[y * width:(y + 1) * width])
            counts.append(len(packed))
            rows.append(packed)
    head = b"8BPS" + struct.pack(">H6xHIIHH", 1, 3, height, width, 8, 3)
    head += struct.pack(">III", 0, 0, 0)  # colour mode data, image resources, layers: empty
    head += struct.pack(">H", 1)  # RLE
    return head + struct.pack(">%dH" % len(counts), *counts) + b"".join(rows)


def _file_header(total, offset):
    return b"BM" + struct.pack("<IHHI", total, 0, 0, offset)


def _info_header(width, height, bits, image_size, colours):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 2835, 2835,
                       colours, colours)


def bmp24_bytes(image: Image.Image) -> bytes:
    image = image.convert("RGB")
    width, height = image.size
    stride = (width * 3 + 3) & ~3
    raw = image.tobytes("raw", "BGR")
    pad = b"\0" * (stride - width * 3)
    bits = b"".join(raw[y * width * 3:(y + 1) * width * 3] + pad for y in range(height - 1, -1, -1))
    offset = 14 + 40
    return _file_header(offset + len(bits), offset) + _info_header(width, height, 24, len(bits), 0) + bits


def bmp8_bytes(image: Image.Image) -> bytes:
    """A palette image as an 8-bit BMP with all 256 palette entries (pixels at offset 1078)."""
    assert image.mode == "P"
    width, height = image.size
    palette = image.getpalette()[:768]
    palette += [0] * (768 - len(palette))
    table = b"".join(bytes((palette[i * 3 + 2], palette[i * 3 + 1], palette[i * 3], 0)) for i in range(256))
    stride = (width + 3) & ~3
    raw = image.tobytes()
    pad = b"\0" * (stride - width)
    bits = b"".join(raw[y * width:(y + 1) * width] + pad for y in range(height - 1, -1, -1))
    offset = 14 + 40 + 1024
    return (_file_header(offset + len(bits), offset) + _info_header(width, height, 8, len(bits), 256)
            + table + bits)


def _mask_rows(bits_of_row, width, height):
    """1-bit rows, bottom-up, each padded to 32 bits; bits_of_row(y) gives 0/1 per pixel."""
    stride = ((width + 31) // 32) * 4
    out = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray(stride)
        for x, bit in enumerate(bits_of_row(y)):
            if bit:
                row[x >> 3] |= 0x80 >> (x & 7)
        out += row
    return bytes(out)


def bmp1_bytes(image: Image.Image) -> bytes:
    """A two-colour BMP: palette entry 0 black, 1 white; white pixels of `image` give bit 1."""
    image = image.convert("L")
    width, height = image.size
    px = image.load()
    bits = _mask_rows(lambda y: [1 if px[x, y] >= 128 else 0 for x in range(width)], width, height)
    offset = 14 + 40 + 8
    table = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    return (_file_header(offset + len(bits), offset) + _info_header(width, height, 1, len(bits), 2)
            + table + bits)


def _icon_image(image: Image.Image) -> bytes:
    """One icon image: 32-bit BGRA rows bottom-up, then the AND mask (1 = transparent)."""
    image = image.convert("RGBA")
    width, height = image.size
    px = image.load()
    colour = bytearray()
    for y in range(height - 1, -1, -1):
        for x in range(width):
            r, g, b, a = px[x, y]
            colour += bytes((b, g, r, a)) if a else b"\0\0\0\0"
    mask = _mask_rows(lambda y: [1 if px[x, y][3] == 0 else 0 for x in range(width)], width, height)
    head = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return head + bytes(colour) + mask


def ico_bytes(images) -> bytes:
    """An .ico file holding the given RGBA images (one per size, smallest first)."""
    images = sorted(images, key=lambda im: im.size[0])
    blobs = [_icon_image(im) for im in images]
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for im, blob in zip(images, blobs):
        w, h = im.size
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)
