#!/usr/bin/env python3
"""A reader of Zintari replays written from doc/replay-format.md alone.

  read_replay.py list FILE              every record, one a line (of a run
                                        killed, those up to its last check)
  read_replay.py verify FILE...         every byte of every file accounted for,
                                        each a run that ended properly
  read_replay.py check ZINTARI FILE...  the files listed are those beside ZINTARI,
                                        and `ZINTARI --replay FILE --check` ends
                                        as the file's End record says, made
                                        by the version and rules it names

verify and check exit with 1, naming the file and the offset in its stream,
on anything the format document does not allow.
"""
import os
import signal
import stat
import subprocess
import sys
import time
import zlib

MAGIC = b"ZINTARI REPLAY\n"
KEYS = {13: "Enter", 27: "Esc", 32: "Space", 37: "Left", 38: "Up", 39: "Right", 40: "Down",
        50: "2", 51: "3", 52: "4", 53: "5", 54: "6", 78: "N", 80: "P", 89: "Y", 122: "F11"}
STATES = ["MainMenu", "Options", "QuickHelp", "BestPlayers", "LevelSelect", "NewGame", "NextLevel",
          "PieceControl", "Settle", "Resolve", "Clear", "ExitConfirm", "CompleteLevel", "GameOver",
          "NameEntry", "Finale", "FirePower", "Sweep", "Rain", "Airstone", "HolyCross", "Bomb"]
PASSES = "YIX"
MAX_STREAM = 64 << 20  # the longest stream a game reads


class Bad(Exception):
    pass


# What a file the reader cannot use raises: what the format does not allow,
# the system's refusal, a damaged zlib stream, a preferences text that is
# not one, no state at all.
UNREADABLE = (Bad, OSError, zlib.error, ValueError, IndexError, StopIteration)


class Stream:
    def __init__(self, data):
        self.data, self.pos = data, 0

    def byte(self):
        if self.pos >= len(self.data):
            raise Bad("the stream ends inside a field")
        self.pos += 1
        return self.data[self.pos - 1]

    def varint(self):
        value = 0
        for shift in range(0, 70, 7):
            b = self.byte()
            value |= (b & 0x7F) << shift
            if not b & 0x80:
                return value
        raise Bad("a varint longer than 10 bytes")

    def fixed32(self):
        return int.from_bytes(bytes(self.byte() for _ in range(4)), "little")

    def string(self):
        n = self.varint()
        if n > 65536 or self.pos + n > len(self.data):
            raise Bad(f"a string of {n} bytes")
        self.pos += n
        return self.data[self.pos - n:self.pos].decode("utf-8", "backslashreplace")

    def flag(self):
        b = self.byte()
        if b > 1:
            raise Bad(f"a byte of 0 or 1 is {b}")
        return b


def fields(tag, s):
    """The record's fields, after its tag, in the order of the document."""
    if tag in PASSES + "S":
        return [s.varint()]
    if tag == "K":
        code = s.varint()
        if code // 4 not in KEYS:
            raise Bad(f"key {code // 4} is not one of the game's keys")
        return [code]
    if tag in "TC":
        return [s.string()]
    if tag == "F":
        return []
    if tag == "U":
        return [s.flag()]
    if tag == "L":
        return [s.string(), s.string()]
    if tag == "B":
        return [s.string(), s.varint()]
    if tag == "W":
        name = s.string()
        text = s.string() if s.flag() else None
        return [name, text, s.string()]
    if tag == "H":
        state = s.varint()
        if state >= len(STATES):
            raise Bad(f"state {state} is not recorded")
        return [state, s.fixed32()]
    if tag in "Z":
        return [s.fixed32()]
    if tag == "E":
        return [s.varint(), s.varint(), s.varint(), s.varint(), s.string()]
    raise Bad(f"unknown tag {tag!r}")


def digest(values):
    """FNV-1a over each value's 8 bytes, lowest first."""
    h = 2166136261
    for v in values:
        for b in (v % (1 << 64)).to_bytes(8, "little"):
            h = ((h ^ b) * 16777619) % (1 << 32)
    return h


def first_menu_digest(records):
    """What the first state's digest must be: nothing played, the levels open
    as the preferences loaded before it say, every cell empty (None when no
    preferences were loaded)."""
    prefs = None
    for _, tag, v in records:
        if tag == "H":
            break
        if tag == "L" and v[0] == "prefs.znd":
            prefs = [int(n) for n in v[1].split("\r\n")[:5]]
    if prefs is None:
        return None
    difficulty, rotation, opened = prefs[2:5]
    difficulty = difficulty if 1 <= difficulty <= 3 else 2
    opened = min(max(opened, 1), 30)
    return digest([0] * 6 + [opened] + [0] * 5 + [difficulty, rotation] + [6] * (160 + 16))


def read(path):
    """A replay's (rules, version, [(path, crc, size)], [(offset, tag, fields)], ended):
    all its records when the run ended properly, else those up to the last
    check that holds (a run that was killed)."""
    # Opened without blocking and taken only when it is a regular file: a
    # pipe or a device in its place is refused, not waited on.
    fd = os.open(path, os.O_RDONLY | os.O_NONBLOCK)
    try:
        if not stat.S_ISREG(os.fstat(fd).st_mode):
            raise Bad("not a regular file")
        data = bytearray()
        while len(data) <= MAX_STREAM and (piece := os.read(fd, 1 << 20)):
            data += piece
    finally:
        os.close(fd)
    if data[:15] != MAGIC or len(data) < 16 or data[15] != 2:
        raise Bad("not a replay of format 2")
    z = zlib.decompressobj()
    stream = z.decompress(data[16:], MAX_STREAM)
    if z.unused_data or z.unconsumed_tail:
        raise Bad("bytes after the zlib stream, or a stream too long")
    s = Stream(stream)
    rules = s.varint()
    version = s.string()
    files = [(s.string(), s.fixed32(), s.varint()) for _ in range(s.varint())]
    if [f[0] for f in files] != sorted(f[0] for f in files):
        raise Bad("the files are not sorted by path")
    records, previous, checked = [], "Z", 0
    while s.pos < len(stream):
        at = s.pos
        tag = chr(s.byte())
        try:
            values = fields(tag, s)
        except Bad as e:
            if not z.eof:
                break  # the end of a file that just stops
            raise Bad(f"record {tag!r} at {at}: {e}")
        if tag in "KT" and previous not in PASSES + "KT":
            raise Bad(f"record {tag!r} at {at} follows no pass")
        if tag == "Z" and values[0] != zlib.crc32(stream[:at]):
            raise Bad(f"the check at {at} does not hold")
        records.append((at, tag, values))
        previous = tag
        checked = len(records) if tag == "Z" else checked
    ended = z.eof and [r[1] for r in records[-2:]] == ["E", "Z"]
    if z.eof and not ended:
        raise Bad("the run does not end with its End record and a check")
    records = records[:checked]
    first = next((r for r in records if r[1] == "H"), None)
    if first and (first[2][0] != 0 or first_menu_digest(records) not in (None, first[2][1])):
        raise Bad(f"the first state at {first[0]} is not the main menu with nothing played")
    return rules, version, files, records, ended


def describe_end(levels, score, lines, ms, how):
    """The End record as `zintari --check` prints it."""
    if score >= 1 << 31:
        score -= 1 << 32
    how = "".join(f"\\x{ord(c):02X}" if ord(c) < 0x20 or ord(c) == 0x7F else c for c in how)
    return f"level {levels}, score {score}, lines {lines}, {ms / 1000:.1f} s of play, ended: {how}"


def crc_and_size(folder, name):
    """The CRC-32 and size of a file of the game's folder, as the header
    lists them (None when it cannot be read)."""
    try:
        with open(os.path.join(folder, name), "rb") as f:
            data = f.read()
        return zlib.crc32(data), len(data)
    except OSError:
        return None


def listing(path):
    rules, version, files, records, ended = read(path)
    print(f"rules {rules}, version {version}, {len(files)} files vouched for:")
    for name, crc, size in files:
        print(f"  {name} crc32 {crc:08x} {size} bytes")
    clock = 0
    for at, tag, v in records:
        if tag in PASSES:
            clock = (clock + v[0]) % (1 << 32)
            text = {"Y": "pass", "I": "busy-wait pass", "X": "window closed"}[tag] + f" +{v[0]} ms, clock {clock}"
        elif tag == "K":
            key, held, toggled = v[0] // 4, v[0] & 2, v[0] & 1
            text = f"key {key} {KEYS[key]} {'held' if held else 'up'}{' toggled' if toggled else ''}"
        elif tag == "H":
            text = f"state {v[0]} {STATES[v[0]]}, digest {v[1]:08x}"
        elif tag == "E":
            text = "end: " + describe_end(*v)
        else:
            text = " ".join(repr(x) for x in v)
        print(f"{at:8} {tag} {text}")
    if not ended:
        print("cut short: the run was killed after its last check")


def main(argv):
    if len(argv) < 3 or argv[1] not in ("list", "verify", "check"):
        sys.exit(__doc__)
    command, failed = argv[1], False
    if command == "list":
        signal.signal(signal.SIGPIPE, signal.SIG_DFL)  # a listing piped into head ends quietly
        try:
            listing(argv[2])
        except UNREADABLE as e:
            sys.exit(f"{argv[2]}: {e}")
        return 0
    zintari = argv[2] if command == "check" else None
    for path in argv[3 if zintari else 2:]:
        try:
            rules, version, files, records, ended = read(path)
            if not ended:
                raise Bad("cut short: the run was killed")
        except UNREADABLE as e:
            print(f"{path}: {e}")
            failed = True
            continue
        end = describe_end(*records[-2][2])
        if not zintari:
            print(f"{path}: {len(records)} records, {end}")
            continue
        other = [name for name, crc, size in files if (crc, size) != crc_and_size(os.path.dirname(zintari), name)]
        if other:
            print(f"{path}: {len(other)} of its files differ from those beside {zintari}, first {other[0]}")
            failed = True
        start = time.monotonic()
        try:
            run = subprocess.run([zintari, "--replay", path, "--check"], capture_output=True, text=True)
            said, status = (run.stdout + run.stderr).strip(), run.returncode
        except OSError as e:
            said, status = f"{zintari}: {e.strerror}", 1
        end += f"\nrecorded by zintari {version} with rules {rules}"
        if status != 0 or said != end:
            print(f"{path}: the check says\n  {said}\nwhere the run was recorded ending with\n  {end}")
            failed = True
        else:
            print(f"{path}: {said.splitlines()[0]} (checked in {time.monotonic() - start:.2f} s)")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
