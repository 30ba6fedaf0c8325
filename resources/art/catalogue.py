"""Every resource the program carries: type, name, file and how it is made. The manifest that
the generator writes from this list is what the Windows resource script and the native
resource store both read."""
from . import pictures


class Entry:
    def __init__(self, rtype, name, folder, ext, builder, *args):
        self.type, self.name = rtype, name
        self.file = "%s/%s.%s" % (folder, name, ext)
        self.builder, self.args = builder, args
        self.cell_tile = False

    def build(self):
        return getattr(pictures, self.builder)(*self.args)


def _tile(entry):
    entry.cell_tile = True
    return entry


def entries():
    out = []
    add = out.append

    # Cell tiles of type RASTER.
    for n in range(93):
        add(_tile(Entry("RASTER", "E%03d" % n, "raster", "psd", "decorative_tile", n)))
    for name in ("ER", "EU"):
        add(_tile(Entry("RASTER", name, "raster", "psd", "edge_tile", name)))
    for position in "ARUE":
        for m in range(1, 13):
            add(_tile(Entry("RASTER", "MON%02d%s" % (m, position), "raster", "psd", "month_tile", m, position, False)))
    for m, position in ((3, "E"), (3, "U"), (4, "A"), (4, "E"), (4, "R"), (4, "U")):
        add(_tile(Entry("RASTER", "MON%02d%s_OS" % (m, position), "raster", "psd", "month_tile", m, position, True)))
    specials = [
        ("NEUJAHR_01", "NEUJAHR_01", "A"), ("NEUJAHR_02", "NEUJAHR_02", "A"),
        ("NEUJAHR_01R", "NEUJAHR_01", "R"), ("NEUJAHR_02R", "NEUJAHR_02", "R"),
        ("OSTERN_01R", "OSTERN_01", "R"), ("OSTERN_02R", "OSTERN_02", "R"),
        ("OSTERN_01E", "OSTERN_01", "E"), ("OSTERN_02E", "OSTERN_02", "E"),
        ("ROSENMONTAG", "ROSENMONTAG", "A"), ("ROSENMONTAG_U", "ROSENMONTAG", "U"),
        ("SBEG_R", "SBEG", "R"), ("SBEG_E", "SBEG", "E"),
        ("SEND_R", "SEND", "R"), ("SEND_E", "SEND", "E"),
        ("HEILIGABEND", "HEILIGABEND", "A"), ("HEILIGABEND_R", "HEILIGABEND", "R"),
    ]
    for name, key, position in specials:
        add(_tile(Entry("RASTER", name, "raster", "psd", "special_tile", key, position)))

    # Appointment pictures: four cell variants and the alarm window's picture.
    for position in "XRUE":
        for n in range(1, 29):
            add(_tile(Entry("ALARM", "ALARM_%s%02d" % (position, n), "alarm", "psd", "appointment_tile", n, position)))
    for n in list(range(29)) + [99]:
        add(Entry("ALARM", "ALARM_P%02d" % n, "alarm", "psd", "alarm_picture", n))

    add(Entry("PREV", "PREV", "prev", "psd", "preview_sheet"))

    # Bitmaps.
    for n in range(20):
        add(Entry("BITMAP", "HG%03d" % n, "bitmap", "bmp", "background", n))
    add(Entry("BITMAP", "TITEL", "bitmap", "bmp", "title_bitmap"))
    add(Entry("BITMAP", "ARBEITE", "bitmap", "bmp", "busy_bitmap"))
    add(Entry("BITMAP", "ICON_MSK", "bitmap", "bmp", "day_icon_mask"))
    add(Entry("BITMAPI", "ICON_KAL", "bitmapi", "bmp", "day_icon_page"))

    # Icons.
    names = ["APP_ICON"] + ["MOND%d" % i for i in range(8)] + [
        "CONFIG", "HOT-K", "WECKER96", "ZETTEL", "UHR", "NOTE_NEW", "NOTE_DEL", "NOTE_DEL_OFF",
        "NOTE_BACK", "NOTE_BACK_OFF", "NOTE_FORW", "NOTE_FORW_OFF", "NOTE_HELP", "NOTE_EXIT",
        "NOTE_EDIT"]
    for name in names:
        add(Entry("ICON", name, "icon", "ico", "icon", name))
    return out
