#!/usr/bin/python3
"""Test pictures written by other programs, with the pixels those programs decode from them.

ImageMagick writes PSD (RLE and raw; RGB, RGBA, grayscale, bitmap, indexed, CMYK; 8 and 16
bits), BMP, PNG, JPEG and TIFF files. The expected pixels come from an independent decoder:
Pillow for most 8-bit PSD files (ImageMagick cannot read back its own indexed PSD and blends
the alpha of an RGBA one), ImageMagick itself for bitmap-mode and 16-bit PSD (only the high
byte of each sample is kept) and for the other formats. For CMYK the expected RGB is (255 − C)(255 − K) / 255
from the ink values Pillow decodes, with integer division.

  make_pictures.py OUTDIR    writes OUTDIR/<name>.<ext>, OUTDIR/<name>.rgb, OUTDIR/pictures.txt
"""
import os
import subprocess
import sys

from PIL import Image

CONVERT = os.environ.get("CONVERT", "/usr/bin/convert")


def run(*args):
    subprocess.run([CONVERT, *args], check=True)


def magick_raw(path, kind, width, height):
    """ImageMagick's 16-bit decode of the first frame, reduced to the high byte of each sample."""
    data = subprocess.run([CONVERT, path + "[0]", "-depth", "16", "-endian", "MSB", kind + ":-"],
                          check=True, capture_output=True).stdout
    return data[0::2]


def cmyk_to_rgb(ink):
    out = bytearray()
    for i in range(0, len(ink), 4):
        c, m, y, k = (255 - v for v in ink[i:i + 4])
        out += bytes((c * k // 255, m * k // 255, y * k // 255))
    return bytes(out)


def pillow_rgb(path):
    im = Image.open(path)
    if im.mode == "CMYK":
        return cmyk_to_rgb(im.tobytes())
    if im.mode == "RGBA":
        # The colour channels as stored; converting to RGB would not blend anyway, but say so.
        return bytes(v for i, v in enumerate(im.tobytes()) if i % 4 != 3)
    return im.convert("RGB").tobytes()


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    src = os.path.join(out, "source.png")
    wide = os.path.join(out, "wide.png")
    # Deterministic sources: a fractal (busy, little RLE gain) and a picture with flat areas
    # and gradients (long runs), in an odd size and the size of a typical cell tile.
    run("-seed", "7", "-size", "37x23", "plasma:fractal", "-depth", "8", src)
    run("-size", "296x256", "gradient:#2050c0-#f0e060", "-fill", "#946d4a",
        "-draw", "rectangle 0,0 120,90", "-fill", "white", "-draw", "circle 180,150 230,200",
        "-seed", "3", "-attenuate", "0.3", "+noise", "Uniform", "-depth", "8", wide)

    cases = []  # (name, file, expected rgb bytes, width, height)

    def psd(name, source, args, reference):
        path = os.path.join(out, name + ".psd")
        run(source, *args, path)
        with Image.open(source) as im:
            w, h = im.size
        if reference == "pillow":
            expected = pillow_rgb(path)
        elif reference == "rgb16":
            expected = magick_raw(path, "rgb", w, h)
        elif reference == "gray16":
            expected = bytes(v for v in magick_raw(path, "gray", w, h) for _ in range(3))
        elif reference == "cmyk16":
            expected = cmyk_to_rgb(magick_raw(path, "cmyk", w, h))
        cases.append((name, path, expected, w, h))

    # 30 pixels per centimetre: the resolution resource holds 76.2 per inch, unit 2 (cm).
    psd("psd_rgb8_rle", src, ["-density", "30", "-units", "PixelsPerCentimeter", "-depth", "8",
                             "-compress", "RLE"], "pillow")
    psd("psd_rgb8_raw", src, ["-depth", "8", "-compress", "none"], "pillow")
    psd("psd_tile_rle", wide, ["-alpha", "off", "-depth", "8", "-compress", "RLE"], "pillow")
    psd("psd_rgba8_rle", src, ["-alpha", "set", "-channel", "A", "-fx", "i/w", "+channel",
                              "-depth", "8", "-compress", "RLE"], "pillow")
    psd("psd_rgb16_rle", src, ["-depth", "16", "-compress", "RLE"], "rgb16")
    psd("psd_rgb16_raw", src, ["-depth", "16", "-compress", "none"], "rgb16")
    psd("psd_gray8_rle", src, ["-colorspace", "gray", "-depth", "8", "-compress", "RLE"], "pillow")
    psd("psd_gray8_raw", src, ["-colorspace", "gray", "-depth", "8", "-compress", "none"], "pillow")
    psd("psd_gray16_rle", src, ["-colorspace", "gray", "-depth", "16", "-compress", "RLE"], "gray16")
    psd("psd_gray16_raw", src, ["-colorspace", "gray", "-depth", "16", "-compress", "none"],
        "gray16")
    # Pillow reads bitmap-mode PSD inverted (bit 0 as black); ImageMagick reads it as the format
    # has it (0 white, 1 black), which gives back the monochrome source.
    psd("psd_bitmap_rle", src, ["-monochrome", "-depth", "1", "-compress", "RLE"], "gray16")
    psd("psd_bitmap_raw", src, ["-monochrome", "-depth", "1", "-compress", "none"], "gray16")
    psd("psd_indexed_rle", src, ["-colors", "16", "-type", "Palette", "-compress", "RLE"], "pillow")
    psd("psd_indexed_raw", src, ["-colors", "16", "-type", "Palette", "-compress", "none"], "pillow")
    psd("psd_cmyk8_rle", src, ["-colorspace", "cmyk", "-depth", "8", "-compress", "RLE"], "pillow")
    psd("psd_cmyk8_raw", src, ["-colorspace", "cmyk", "-depth", "8", "-compress", "none"], "pillow")
    psd("psd_cmyk16_rle", src, ["-colorspace", "cmyk", "-depth", "16", "-compress", "RLE"], "cmyk16")

    # The two decoders must agree where both can read a file, else the references are unsure.
    for name in ("psd_rgb8_rle", "psd_rgb8_raw", "psd_tile_rle", "psd_gray8_rle"):
        case = next(c for c in cases if c[0] == name)
        if magick_raw(case[1], "rgb", case[3], case[4]) != case[2]:
            sys.exit("ImageMagick and Pillow decode %s differently" % name)
    mono = subprocess.run([CONVERT, src, "-monochrome", "-depth", "8", "rgb:-"], check=True,
                          capture_output=True).stdout
    if next(c for c in cases if c[0] == "psd_bitmap_raw")[2] != mono:
        sys.exit("ImageMagick does not read back its monochrome picture")
    case = next(c for c in cases if c[0] == "psd_cmyk8_rle")
    if cmyk_to_rgb(magick_raw(case[1], "cmyk", case[3], case[4])) != case[2]:
        sys.exit("ImageMagick and Pillow decode psd_cmyk8_rle differently")

    def other(name, ext, args, source=src, coder=""):
        path = os.path.join(out, name + "." + ext)
        run(source, *args, coder + path)
        with Image.open(source) as im:
            w, h = im.size
        cases.append((name, path, magick_raw(path, "rgb", w, h), w, h))

    other("bmp_24", "bmp", ["-type", "truecolor"], coder="bmp3:")
    other("png_rgb8", "png", ["-depth", "8"], coder="PNG24:")
    other("png_rgb16", "png", ["-depth", "16"], coder="PNG48:")
    other("png_palette", "png", ["-colors", "16"], coder="PNG8:")
    other("png_gray_interlaced", "png", ["-colorspace", "gray", "-interlace", "PNG", "-depth", "8"])
    other("png_rgba", "png", ["-alpha", "set", "-channel", "A", "-fx", "i/w", "+channel"],
          coder="PNG32:")
    other("jpeg_rgb", "jpg", ["-quality", "85"], source=wide)
    other("jpeg_gray", "jpg", ["-colorspace", "gray", "-quality", "90"])
    other("tiff_rgb_lzw", "tif", ["-compress", "lzw", "-depth", "8"])
    other("tiff_palette", "tif", ["-colors", "16", "-type", "Palette", "-compress", "none"])
    other("tiff_gray16", "tif", ["-colorspace", "gray", "-depth", "16", "-compress", "zip"])

    with open(os.path.join(out, "pictures.txt"), "w") as manifest:
        for name, path, expected, w, h in cases:
            if len(expected) != w * h * 3:
                sys.exit("%s: reference has %d bytes, not %d" % (name, len(expected), w * h * 3))
            with open(os.path.join(out, name + ".rgb"), "wb") as f:
                f.write(expected)
            manifest.write("%s %s %d %d\n" % (name, os.path.basename(path), w, h))


if __name__ == "__main__":
    main()
