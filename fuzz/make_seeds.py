#!/usr/bin/env python3
"""Seed inputs for the fuzz targets of the appointment file, the settings, the notes and the
help tables, each in the form its target reads (see the comment at the top of each target).

    make_seeds.py OUTPUT_FOLDER     -> OUTPUT_FOLDER/<target>/<seed>
"""
import os
import struct
import sys

RECORD = 920


def appointment(name, kind, day, month, year, hour, minute, action=1, picture=0, path=b"",
                remark=b"", protected=0, fired_day=0, fired_year=0, snooze=0):
    r = bytearray(RECORD)
    struct.pack_into("<9H", r, 0, fired_day, protected, kind, day, month, year, hour, minute,
                     fired_year)
    struct.pack_into("<3H", r, 26, snooze, action, picture)
    r[48:48 + len(path)] = path
    r[568:568 + len(remark)] = remark
    r[824:824 + len(name)] = name
    return bytes(r)


def header(day, month, year, auto_delete=0, snooze=6):
    y = (year - 1970) % 200
    return bytes([day - 1, month - 1, y & 0xFF, y >> 8, auto_delete, snooze])


def appointment_seeds():
    today = header(9, 12, 2026)
    every_kind = b"".join(
        appointment(("Termin %d" % k).encode(), k, 9, 12, 2026, 8 + k, 5 * k, action=k % 4,
                    picture=k * 2, path=b"C:\\Windows\\Media\\chimes.wav" if k % 4 == 2 else
                    b'"C:\\Programme\\Editor\\edit.exe" notiz.txt' if k % 4 == 3 else b"")
        for k in range(12))
    yield "empty", today
    yield "every-kind", today + every_kind
    yield "every-kind-autodelete", header(10, 12, 2026, auto_delete=1) + every_kind
    yield "protected", today + appointment(b"Geburtstag Oma", 4, 24, 12, 1950, 9, 0,
                                           protected=1, picture=7, remark=b"Blumen!")
    yield "long-names", today + appointment(b"\xc4" * 96, 2, 1, 1, 2026, 23, 59,
                                            path=b"p" * 260, remark=b"r" * 256)
    yield "fired-before", today + appointment(b"Zahnarzt", 2, 1, 1, 2026, 7, 30, fired_day=343)
    yield "snoozed", today + appointment(b"Tee", 1, 9, 12, 2026, 0, 10, snooze=3)
    yield "short-last", today + every_kind[:RECORD * 2 + 100]
    # A dozen records, the most a run's input holds.
    names = [b"zebra", b"Apfel", b"apfel", b"\xe4rger", "Ärger".encode("cp1252"),
             b"10 Uhr", b"!wichtig", b"Stra\xdfe", b"Strasse", b"\x8aimon", b"", b"Zebra"]
    yield "twelve", today + b"".join(
        appointment(n, 1 + k % 11, 1 + k, 12, 2026, k, k) for k, n in enumerate(names))


SETTINGS_FILES = {
    "defaults.ini": "",
    "typical.ini": "AutoDelete=1\nSplash=0\nSnooze=10\nHG=4\nFHeight=-30\nFWeight=600\n"
                   "FItalic=0\nFName=Verdana\nAlarmFile=/home/anna/alarm.qtm\n"
                   "NotePath=/home/anna/Notizen/\nleft=50\ntop=30\nright=0\n"
                   "\n[Notiz]\nFHeight=-14\nFWeight=400\nFName=Courier New\n"
                   "\n[Hotkeys]\nhk00m=1\nhk00v=5\nhk00a=1\nhk01m=4\nhk01v=30\nhk01a=0\n"
                   "\n[Control Panel\\International]\niDate=1\nsDate=.\n",
    "odd.ini": "# comment\n; another\n  HG = 0x12 \nFHeight=-2147483648\nFName=\n"
               "x=-1\ny=4294967295\n[notiz]\nfheight=9999\n[HOTKEYS]\nhk02m=77\nhk02v=-3\n"
               "[Software\\Skorvati\\Desktop\\Quendler\\Fenster]\nBreite=300\n[]\nSnooze=abc\n",
}

NAMES = ["AutoDelete", "Splash", "Mondphasen", "AutoExit", "AutoStart", "TerminSchutz",
         "Snooze", "x", "y", "left", "top", "right", "OldDay", "HG", "Kalenderwoche",
         "Wochentage", "Feiertage", "FHeight", "FWeight", "FItalic", "FName", "AlarmFile",
         "NotePath", "iDate", "sDate", "hk00m", "hk00v", "hk00a", "hk01m", "hk01v", "hk01a",
         "hk02m", "hk02v", "hk02a"]


def store_entry(key, name, kind, value):
    """key 0 main, 1 Notiz, 2 Hotkeys, 3 International, 4 profile; kind 0 dword, 1 string."""
    out = bytes([key, NAMES.index(name), kind])
    if key == 4:
        return out + bytes([len(value)]) + value
    if kind == 0:
        return out + struct.pack("<i", value)
    if len(value) > 255:
        return bytes([key, NAMES.index(name), kind | 16, len(value) // 4, len(value) % 4]) + value
    return out + bytes([len(value)]) + value


def store_answers(switches, program, appdata, entries):
    return bytes([switches, len(program)]) + program + bytes([len(appdata)]) + appdata + \
        b"".join(entries)


def settings_seeds():
    prog = b"C:\\Programme\\Die Quendler\\quendler.exe"
    data = b"C:\\Users\\anna\\AppData\\Roaming"
    yield "empty", store_answers(3, prog, data, [])
    yield "typical", store_answers(3, prog, data, [
        store_entry(0, "HG", 0, 4), store_entry(0, "FHeight", 0, -30),
        store_entry(0, "FName", 1, b"Verdana"), store_entry(0, "AlarmFile", 1, b"D:\\alarm.qtm"),
        store_entry(0, "NotePath", 1, b"D:\\Notizen"), store_entry(1, "FHeight", 0, -14),
        store_entry(1, "FName", 1, b"Courier New"), store_entry(2, "hk00m", 0, 1),
        store_entry(2, "hk00v", 0, 5), store_entry(2, "hk00a", 0, 1),
        store_entry(3, "iDate", 1, b"1"), store_entry(3, "sDate", 1, b".")])
    yield "hostile", store_answers(7, b"q" * 255, b"", [
        store_entry(0, "HG", 0, 19), store_entry(0, "FHeight", 0, -2**31),
        store_entry(0, "FName", 1, b"F" * 40), store_entry(0, "AlarmFile", 1, b"a" * 300),
        store_entry(0, "NotePath", 1, b"n" * 259), store_entry(0, "Snooze", 1, b"6"),
        store_entry(2, "hk01m", 0, 6), store_entry(2, "hk01v", 0, 60), store_entry(2, "hk02v", 0, -1),
        store_entry(3, "sDate", 1, b""), store_entry(4, "iDate", 0, b"2x"),
        store_entry(4, "sDate", 0, b"-/")])
    yield "profile-only", store_answers(0, b"", b"", [
        store_entry(4, "iDate", 0, b"0"), store_entry(4, "sDate", 0, b"/")])


def note_entry(kind, name, content):
    if kind & 3 == 0:
        name = name[:14].ljust(14, b"0")
        return bytes([kind]) + name[2:8] + name[9:14] + bytes([len(content)]) + content
    return bytes([kind, len(name)]) + name + bytes([len(content)]) + content


def note_seeds():
    yield "empty-folder", b"\x00"
    yield "three-notes", b"\x00" + \
        note_entry(0, b"20261209_1830a", b"Einkaufen: Milch, Brot") + \
        note_entry(4, b"20260101_0000b", "Neujahr – Vorsätze".encode("cp1252")) + \
        note_entry(8, b"20251224_1800c", b"geschuetzt") + b"Neuer Text"
    yield "long-and-odd", b"\x03" + \
        note_entry(16, b"20261209_1830x", b"0123456789") + \
        note_entry(1, b"N_20261209_1830a.txt.bak", b"kein Notizname") + \
        note_entry(2, b"N_20261209_1830z.txt", b"") + \
        note_entry(1, b"n_20AB1209_18:0Q.TXT", b"seltsam, aber passend") + b""
    yield "letters-used-up", b"\x0e" + note_entry(0, b"20261209_1830a", b"x") + b"y"


def help_seeds():
    for topic, control, size, folder in [
            (1, 1072, 260, b"C:\\Programme\\Die Quendler\\"), (12, 1107, 64, b"C:\\Q\\"),
            (5, 0, 260, b""), (-1, -1, 1, b"C:\\"), (9, 1091, 260, b"D:\\" + b"x" * 300)]:
        yield "topic%d" % topic, struct.pack("<iiH", topic, control, size) + folder


def main():
    out = sys.argv[1]
    groups = {
        "appointments": appointment_seeds(),
        "settings": settings_seeds(),
        "settings_file": ((n, t.encode("cp1252")) for n, t in SETTINGS_FILES.items()),
        "notes": note_seeds(),
        "help": help_seeds(),
    }
    for target, seeds in groups.items():
        folder = os.path.join(out, target)
        os.makedirs(folder, exist_ok=True)
        for name, data in seeds:
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
