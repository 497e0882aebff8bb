"""The game's files as a player's tests see them: the scrambled .znd codec,
the preferences and best-players files, the letters-and-levels file with its
level lines and glyph widths, and scratch copies of the game's folder whose
levels a test rewrites.

Every .znd file is its plain text exclusive-or the repeating key
"Duke Ormand"; plain lines end in CR LF."""
import os
import shutil
import struct
import tempfile
import zlib

KEY = b"Duke Ormand"

# The bitmap font's characters, in the order of the glyph table.
FONT_CHARACTERS = ("ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz0123456789"
                   "<>,./\\?!#$%&*()-+=;:'\"")

PREFS_TAIL = '"Rise and fall it is just so always"'


def scramble(data):
    """The codec, its own inverse: byte i exclusive-or key byte i mod 11."""
    return bytes(b ^ KEY[i % len(KEY)] for i, b in enumerate(data))


def read_plain(path):
    """The plain text of a scrambled file."""
    with open(path, "rb") as f:
        return scramble(f.read()).decode("latin-1")


def write_scrambled(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(scramble(text.encode("latin-1")))


# --- preferences -------------------------------------------------------------

def prefs_text(music=1, sound=1, difficulty=2, rotation=0, unlocked=1):
    return "".join("%d\r\n" % v for v in (music, sound, difficulty, rotation, unlocked)) + PREFS_TAIL + "\r\n"


def write_prefs(folder, **values):
    write_scrambled(os.path.join(folder, "prefs.znd"), prefs_text(**values))


# --- best players ------------------------------------------------------------

def scores_text(entries):
    """The plain best-players file for ten (name, score) pairs."""
    assert len(entries) == 10
    return "".join('"%s"\r\n%d\r\n' % (name, score) for name, score in entries)


def write_scores(folder, entries):
    write_scrambled(os.path.join(folder, "scores.znd"), scores_text(entries))


def parse_scores(text):
    """(name, score) pairs of a plain best-players file; checks its layout
    strictly (twenty CR LF lines, names quoted, scores decimal)."""
    assert text.endswith("\r\n"), "the file does not end in CR LF: %r" % text[-20:]
    lines = text[:-2].split("\r\n")
    assert len(lines) == 20, "%d lines, not 20: %r" % (len(lines), text)
    entries = []
    for i in range(0, 20, 2):
        name, score = lines[i], lines[i + 1]
        assert len(name) >= 2 and name[0] == name[-1] == '"', "line %d is not a quoted name: %r" % (i + 1, name)
        entries.append((name[1:-1], int(score)))
    return entries


# --- letters and levels --------------------------------------------------------

class Level:
    """One level line of levlet.znd: fixed columns, then the title."""

    FIELDS = (("background", 1), ("music", 1), ("kind", 1), ("colour_limit", 3), ("stone_limit", 3),
              ("speed", 3), ("min_blocks", 1), ("quota", 2), ("fill", 2), ("number", 2), ("directions", 1))

    def __init__(self, title="", **values):
        self.title = title
        for name, _width in self.FIELDS:
            setattr(self, name, values.pop(name))
        assert not values, "unknown level fields %r" % values

    @classmethod
    def parse(cls, line):
        values, pos = {}, 0
        for name, width in cls.FIELDS:
            values[name] = int(line[pos:pos + width])
            pos += width
        return cls(line[pos:], **values)

    def line(self):
        out = ""
        for name, width in self.FIELDS:
            text = "%0*d" % (width, getattr(self, name))
            assert len(text) == width, "%s %r does not fit %d digits" % (name, getattr(self, name), width)
            out += text
        return out + self.title


class LevelsFile:
    """The plain letters-and-levels file: 30 level lines, then the glyph table."""

    def __init__(self, text):
        lines = text.split("\r\n")
        self.levels = [Level.parse(line) for line in lines[:30]]
        numbers = [int(n) for n in ",".join(lines[30:]).replace(" ", "").split(",") if n]
        assert len(numbers) == 3 * len(FONT_CHARACTERS), "%d glyph numbers" % len(numbers)
        self.glyph_numbers = numbers
        self.glyphs = {c: tuple(numbers[3 * i:3 * i + 3]) for i, c in enumerate(FONT_CHARACTERS)}

    @classmethod
    def load(cls, game_folder):
        return cls(read_plain(os.path.join(game_folder, "levlet.znd")))

    def text(self):
        out = "".join(level.line() + "\r\n" for level in self.levels)
        for i in range(0, len(self.glyph_numbers), 3):
            out += "%d,%d,%d\r\n" % tuple(self.glyph_numbers[i:i + 3])
        return out

    def width(self, text):
        """The width of a text in the bitmap font: the sum of its glyphs' widths."""
        return sum(self.glyphs.get(c, (0, 0, 0))[2] for c in text)


# --- pictures ------------------------------------------------------------------

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


class Picture:
    """An 8-bit RGB or RGBA picture as rows of (r, g, b) tuples."""

    def __init__(self, width, height, rows):
        self.width, self.height, self.rows = width, height, rows

    def pixel(self, x, y):
        return self.rows[y][x]


def png_size(data):
    """(width, height) from a PNG's header."""
    return struct.unpack(">II", data[16:24])


def decode_png(data):
    """Decodes an 8-bit RGB or RGBA PNG without interlacing."""
    assert data.startswith(PNG_SIGNATURE), "not a PNG"
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height, depth, colour, _c, _f, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and colour in (2, 6) and not interlace, "an unexpected PNG format"
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
    bpp = 3 if colour == 2 else 4
    stride = width * bpp
    raw = zlib.decompress(idat)
    rows, prev, i = [], bytearray(stride), 0
    for _y in range(height):
        kind, line = raw[i], bytearray(raw[i + 1:i + 1 + stride])
        i += 1 + stride
        for x in range(stride):
            a = line[x - bpp] if x >= bpp else 0
            b = prev[x]
            c = prev[x - bpp] if x >= bpp else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x:x + 3]) for x in range(0, stride, bpp)])
        prev = line
    return Picture(width, height, rows)


def embedded_pngs(path):
    """The PNG files stored inside a file (the pictures the game carries
    inside its executable), as bytes."""
    with open(path, "rb") as f:
        data = f.read()
    found, start = [], data.find(PNG_SIGNATURE)
    while start >= 0:
        pos = start + 8
        while pos + 8 <= len(data):
            length, kind = struct.unpack(">I4s", data[pos:pos + 8])
            pos += 12 + length
            if kind == b"IEND" or length > len(data):
                break
        found.append(data[start:pos])
        start = data.find(PNG_SIGNATURE, pos)
    return found


def font_sheet(exe, levels_file):
    """The bitmap font's sheet carried inside the game's executable: the
    smallest embedded picture that holds every glyph of the glyph table,
    each glyph showing something (the space excepted)."""
    glyphs = levels_file.glyphs
    need_w = max(left + w for left, _top, w in glyphs.values())
    need_h = max(top for _left, top, _w in glyphs.values()) + 19
    candidates = []
    for data in embedded_pngs(exe):
        if len(data) < 24:
            continue
        w, h = png_size(data)
        if w >= need_w and h >= need_h:
            candidates.append((w * h, data))
    for _area, data in sorted(candidates, key=lambda c: c[0]):
        sheet = decode_png(data)
        if all(c == " " or any(sheet.pixel(left + x, top + y) != (0, 0, 0)
                               for y in range(19) for x in range(w))
               for c, (left, top, w) in glyphs.items()):
            return sheet
    raise AssertionError("no picture in %s holds the font's glyphs" % exe)


# --- scratch copies of the game -------------------------------------------------

class ScratchGame:
    """A copy of the game's folder that a test may change: the executable
    and the .znd files are copied, the sound, music and picture folders
    linked. The game reads its data from the folder of its executable."""

    def __init__(self, game_folder):
        self.source = os.path.abspath(game_folder)
        self.folder = tempfile.mkdtemp(prefix="zintari-scratch-")
        for name in os.listdir(self.source):
            path = os.path.join(self.source, name)
            if os.path.isdir(path):
                os.symlink(path, os.path.join(self.folder, name))
            else:
                shutil.copy2(path, os.path.join(self.folder, name))
        self.exe = os.path.join(self.folder, "zintari")
        self.levels = LevelsFile.load(self.folder)

    def set_level(self, number, **fields):
        """Changes level `number` (1 to 30) and writes levlet.znd."""
        old = self.levels.levels[number - 1]
        values = {name: getattr(old, name) for name, _ in Level.FIELDS}
        title = fields.pop("title", old.title)
        values.update(fields)
        self.levels.levels[number - 1] = Level(title, **values)
        write_scrambled(os.path.join(self.folder, "levlet.znd"), self.levels.text())
        return self.levels.levels[number - 1]

    def remove(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.remove()
