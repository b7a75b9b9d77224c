#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into OUT/<target>/.

The small hand-made seeds under fuzz/corpus/ are copied; the large ones (lines of 1 MB, many
commands joined by ";", long keyword and list files) are made here rather than kept in the
repository. The demonstration folders' own files seed the file readers.

usage: make_seeds.py OUT
"""
import pathlib
import shutil
import sys

HERE = pathlib.Path(__file__).resolve().parent
DEMO = HERE.parent / "config" / "demo"
MB = 1 << 20

COMMANDS = [
    "Ver", "CommandCount", "Delay SLOW", "Wait", "XY ?", "XY ??", "XY 1000 500", "XY Rel 10 -5",
    "XY Wait", "XY Stop", "XY Home", "XY Move 100 0", "Z ?", "Z 20", "Z Rel 0.001", "Z Wait",
    "F ?", "F 2", "F Home", "B 3", "Cube ?", "Cube 4", "Slide ?", "Slide Rel 5", "Turn 90",
    "LED R On", "Obj AddCurrent cell", "Obj Add 1 2 3 \xe9t\xe9", "Obj Get 1", "Obj GetNum",
    "Obj GoTo 1", "Obj ListClear", "Area Set TL", "Area Anchor BR", "Area Move T",
    "Grid Step 100 100", "Grid Pos 1 2", "Grid TL Current", "Scan Tile", "Scan FF", "Scan NF",
    "Scan GNF", "Scan Field 3", "Mag ?", "Mag 20", "Objective 2", "Joy On", "Joy ToggleAxes",
    "Repeat 3", "Endrepeat", "End", "! hello", "CON /1?0", "Snap", "Show", "Hide",
]


def seed(out, target, name, data):
    folder = out / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data if isinstance(data, bytes) else data.encode("latin-1"))


def joined(pieces, size):
    """Commands joined by ';' until the text reaches `size` bytes."""
    text = ";".join(pieces)
    return (text + ";") * (size // (len(text) + 1) + 1)


def command_seeds(out, target):
    for i, command in enumerate(COMMANDS):
        seed(out, target, f"cmd{i:02d}", command)
    seed(out, target, "all", ";".join(COMMANDS))
    seed(out, target, "many", joined(["Ver", "XY ?", "Z Rel 1", "CommandCount"], 64 * 1024))
    seed(out, target, "ver_1mb", joined(["Ver"], MB)[:MB])
    seed(out, target, "word_1mb", "Obj Comment 1 " + "x" * MB)
    seed(out, target, "program", "Repeat 2\r\nXY Rel 1 1\r\nXY Wait\r\nEndrepeat\r\nEnd\r\n")


def line_session_seeds(out):
    target = "line_session"
    # Byte 0 picks the line limit (< 128: that many bytes plus one, else 64 KiB), byte 1 the
    # chunk sizes of the stream that follows.
    seed(out, target, "ver", b"\x80\x07Ver\n")
    seed(out, target, "crlf", b"\x80\x03" + b"Ver;XY ?\r\nZ ?\r\n")
    seed(out, target, "short_limit", b"\x05\x11" + b"Ver\nCommandCount\nVer\n")
    seed(out, target, "many", b"\x80\x29" + ("Ver;XY ?\n" * 8000).encode())
    seed(out, target, "long_1mb", b"\x80\x42" + b"Ver;" * (MB // 4) + b"\nVer\n")
    seed(out, target, "over_limit", b"\x80\x13" + b"x" * (70 * 1024) + b"\nVer\n")


def keyword_seeds(out):
    target = "keyword_file"
    for path in sorted(DEMO.glob("QV_*.TXT")):
        if path.name != "QV_COMMANDS.TXT":
            seed(out, target, path.name, path.read_bytes())
    seed(out, target, "bom_1252", b'\xef\xbb\xbf"NAME", caf\xe9\r\n"N2", 12\n"N3",  .5\r')
    lines = b"".join(b'"KEY%d", %d\r\n' % (i, i * 7) for i in range(MB // 16))
    seed(out, target, "long_1mb", lines[:MB])
    seed(out, target, "one_line_1mb", b'"LONG", ' + b"9" * MB + b"\r\n")


def list_seeds(out):
    for target in ("plain_list", "object_file"):
        seed(out, target, "objects", b'"1 1000.0 2000.0 20.00 cell"\r\n"2 -5.5 7.0 0.00 "\r\n')
        seed(out, target, "program", b"XY 100 100\r\nXY Wait\r\nRepeat 2\r\nSnap\r\nEndrepeat\r\n")
        seed(out, target, "quotes", b'a, b, "c, d"\r\n"unterminated\r\n,,\n\r')
        seed(out, target, "long_1mb", b'"1 1.0 2.0 3.00 x"\r\n' * (MB // 20))
        seed(out, target, "one_line_1mb", b'"1 0 0 0 ' + b"c" * MB + b'"\r\n')
    seed(out, "object_file", "demo_objects", (DEMO / "QV_OBJPOSMAG.TXT").read_bytes())


def driver_seeds(out):
    target = "driver_replies"
    # Replies of the successive exchanges, cut at NUL bytes.
    seed(out, target, "ezhr17", b"/0@\x03\r\n\x00/0`1600\x03\r\n\x00/0@12800\x03\r\n\x00/0B\x03\r\n")
    seed(out, target, "im483i", b"XZ\r\n 1600\r\n\x00X+160\r\n\x00XF\r\n 0\r\n\x00XI 300\r\n")
    seed(out, target, "garbage", b"\xff/0@\x03\x00/0`bga\x03\x00\r\n\x00?\x00")
    seed(out, target, "long_1mb", b"/0`" + b"1" * MB + b"\x03\r\n")


def main():
    out = pathlib.Path(sys.argv[1])
    for folder in sorted((HERE / "corpus").iterdir()):
        shutil.copytree(folder, out / folder.name, dirs_exist_ok=True)
    command_seeds(out, "execute_line")
    command_seeds(out, "specimen_commands")
    line_session_seeds(out)
    keyword_seeds(out)
    list_seeds(out)
    driver_seeds(out)


if __name__ == "__main__":
    main()
