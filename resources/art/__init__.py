"""The program's pictures, bitmaps and icons, drawn at build time (see generate.py)."""
