"""End-to-end harness: the real game in Xvfb with openbox, driven by real
keys (xdotool) and judged by screenshots.

Each journey is a script that CTest runs as
    python3 tests/e2e/test_<journey>.py <path to zintari> <build folder>
and that ends with run(journey): journey() starts a Game and plays it.

Screenshots are read from Xvfb's frame buffer file (-fbdir), an XWD image
kept current by the server. The game draws a 640x480 picture scaled into
its window with the aspect kept and black bars around; Shot.at() takes
game coordinates. Texts and the menu marker are judged against the
pictures the game carries inside its executable and the glyph table of its
letters-and-levels file."""
import ctypes
import os
import random
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

EXE = BUILD = None  # set by run()
KEY = b"Duke Ormand"  # the .znd files are their text exclusive-or this, repeated
FONT_CHARS = ("ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz0123456789"
              "<>,./\\?!#$%&*()-+=;:'\"")
LEVEL_FIELDS = (("background", 1), ("music", 1), ("kind", 1), ("colours", 3), ("stones", 3), ("speed", 3),
                ("min_blocks", 1), ("quota", 2), ("fill", 2), ("number", 2), ("directions", 1))
STEP_S = 20.0  # generous: a loaded two-core machine may take seconds for a screen change


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def wait_until(predicate, timeout=STEP_S, what="the condition", interval=0.02):
    """predicate's first true value; fails naming `what` after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        check(time.monotonic() < deadline, "timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


# --- the game's files ------------------------------------------------------------

def scramble(data):
    return bytes(b ^ KEY[i % len(KEY)] for i, b in enumerate(data))


def read_plain(path):
    with open(path, "rb") as f:
        return scramble(f.read()).decode("latin-1")


def write_plain(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(scramble(text.encode("latin-1")))


def prefs_text(music=1, sound=1, difficulty=2, rotation=0, unlocked=1):
    values = (music, sound, difficulty, rotation, unlocked)
    return "".join("%d\r\n" % v for v in values) + '"Rise and fall it is just so always"\r\n'


def scores_text(entries):
    return "".join('"%s"\r\n%d\r\n' % entry for entry in entries)


def set_level(folder, number, **fields):
    """Rewrites level `number` of the letters-and-levels file in folder."""
    path = os.path.join(folder, "levlet.znd")
    lines = read_plain(path).split("\r\n")
    line, values, pos = lines[number - 1], {}, 0
    for name, width in LEVEL_FIELDS:
        values[name], pos = int(line[pos:pos + width]), pos + width
    values.update(fields)
    title = values.pop("title", line[pos:])
    lines[number - 1] = "".join("%0*d" % (w, values[n]) for n, w in LEVEL_FIELDS) + title
    write_plain(path, "\r\n".join(lines))


# --- pictures ----------------------------------------------------------------------

def carried_picture(width, height):
    """The opaque pixels {(x, y): rgb} of the picture of that size carried
    inside the executable, as the 5-6-5 screen shows them."""
    with open(EXE, "rb") as f:
        data = f.read()
    start = data.find(b"\x89PNG")
    while struct.unpack(">II", data[start + 16:start + 24]) != (width, height):
        start = data.find(b"\x89PNG", start + 8)
        check(start >= 0, "no %dx%d picture in %s" % (width, height, EXE))
    png = data[start:data.find(b"IEND", start) + 8]
    rgba = subprocess.run(["convert", "png:-", "-depth", "8", "rgba:-"], input=png, capture_output=True,
                          check=True).stdout
    pixels = {}
    for i in range(width * height):
        r, g, b, a = rgba[4 * i:4 * i + 4]
        if a == 255 and (r, g, b) != (0, 0, 0):
            pixels[(i % width, i // width)] = ((r >> 3) * 255 // 31, (g >> 2) * 255 // 63, (b >> 3) * 255 // 31)
    return pixels


class Font:
    """The bitmap font: the sheet carried in the executable, the glyph table
    (left, top, width) after the 30 level lines of the levels file."""

    def __init__(self, folder):
        numbers = ",".join(read_plain(os.path.join(folder, "levlet.znd")).split("\r\n")[30:]).split(",")
        numbers = [int(n) for n in numbers if n.strip()]
        self.glyphs = {c: numbers[3 * i:3 * i + 3] for i, c in enumerate(FONT_CHARS)}
        self.sheet = carried_picture(400, 89)

    def width(self, text):
        return sum(self.glyphs[c][2] for c in text)

    def pixels(self, text, left, top):
        out = {}
        for c in text:
            gl, gt, gw = self.glyphs[c]
            out.update({(left + x - gl, top + y - gt): rgb for (x, y), rgb in self.sheet.items()
                        if gl <= x < gl + gw and gt <= y < gt + 19})
            left += gw
        return out


def matches(shot, pixels, tolerance=8):
    """Whether the shot shows these game pixels (1% may differ); those that a window smaller than the picture
    leaves out are not judged."""
    shown = [((x, y), rgb) for (x, y), rgb in pixels.items() if shot.shown(x, y)]
    bad = sum(1 for (x, y), rgb in shown if max(map(lambda a, b: abs(a - b), shot.at(x, y), rgb)) > tolerance)
    return bool(shown) and bad <= len(shown) // 100


class Shot:
    """One screenshot; `frame` is the window's rectangle (x, y, w, h) on screen."""

    def __init__(self, data, frame):
        header = struct.unpack(">25I", data[:100])
        self.data, self.stride, self.bytes = data, header[12], header[11] // 8  # 4, or 2 (5-6-5) on a 16-bit screen
        self.offset = header[0] + 12 * header[19]
        fx, fy, fw, fh = frame
        w, h = fw, fh  # the picture's size in the window, as the game works it out
        if fw * 480 > fh * 640:
            w = fh * 640 // 480
        elif fw * 480 < fh * 640:
            h = fw * 480 // 640
        self.pic = (fx + (fw - w) // 2, fy + (fh - h) // 2, w / 640, h / 480)

    def pixel(self, sx, sy):
        i = self.offset + sy * self.stride + self.bytes * sx
        if self.bytes == 2:
            v = self.data[i] | self.data[i + 1] << 8
            return (v >> 11) * 255 // 31, (v >> 5 & 63) * 255 // 63, (v & 31) * 255 // 31
        return self.data[i + 2], self.data[i + 1], self.data[i]

    def at(self, x, y):
        """The colour of game pixel (x, y)."""
        left, top, sx, sy = self.pic
        return self.pixel(left + int((x + 0.5) * sx), top + int((y + 0.5) * sy))

    def shown(self, x, y):
        """Whether the window shows game pixel (x, y) at all: scaled down, it shows the pixel at the centre of
        each of its own."""
        return all(scale >= 1 or int((int((g + 0.5) * scale) + 0.5) / scale) == g
                   for g, scale in ((x, self.pic[2]), (y, self.pic[3])))

    def black(self, x0, y0, x1, y1):
        """Whether the screen rectangle shows nothing but black."""
        start, n = self.offset, self.bytes
        return all(not any(self.data[start + y * self.stride + n * x0:start + y * self.stride + n * x1])
                   for y in range(y0, y1))


# --- the game -----------------------------------------------------------------------

def _die_with_parent():
    ctypes.CDLL("libc.so.6").prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG: nothing outlives a killed test


class Game:
    """The game in its own X server; name labels its failure screenshot. Options: screen=(w, h); depth=bits a
    pixel of the screen; clipboard=text
    owned before the start; audio="disk" to record the sound; prefs (keyword
    arguments of prefs_text), scores and keys (the text of keys.conf) written
    beforehand; levels={number: fields} to play from a scratch copy of the
    game's folder; args for the command line."""

    def __init__(self, name, screen=(640, 480), depth=24, clipboard=None, audio="dummy", prefs=None, scores=None,
                 levels=None, keys=None, args=()):
        self.name, self.screen, self.depth, self.clipboard, self.args = name, screen, depth, clipboard, list(args)
        self.tmp = tempfile.mkdtemp(prefix="zintari-e2e-")
        self.data_dir = os.path.join(self.tmp, "data", "zintari")
        self.audio_path = os.path.join(self.tmp, "audio.raw")
        self.state_path = os.path.join(self.tmp, "state", "zintari", "window")
        self.env = dict(os.environ, SDL_VIDEODRIVER="x11", SDL_AUDIODRIVER=audio, SDL_DISKAUDIOFILE=self.audio_path,
                        XDG_DATA_HOME=os.path.join(self.tmp, "data"), XDG_STATE_HOME=os.path.join(self.tmp, "state"),
                        XDG_CONFIG_HOME=os.path.join(self.tmp, "config"))
        self.env.pop("WAYLAND_DISPLAY", None)
        self.exe, self.procs = EXE, []
        if levels:
            folder = os.path.join(self.tmp, "game")
            os.mkdir(folder)
            for entry in os.listdir(os.path.dirname(EXE)):
                source = os.path.join(os.path.dirname(EXE), entry)
                (os.symlink if os.path.isdir(source) else shutil.copy2)(source, os.path.join(folder, entry))
            for number, fields in levels.items():
                set_level(folder, number, **fields)
            self.exe = os.path.join(folder, "zintari")
        self.font = Font(os.path.dirname(self.exe))
        self.marker_sprite = carried_picture(20, 20)
        if prefs is not None:
            write_plain(os.path.join(self.data_dir, "prefs.znd"), prefs_text(**prefs))
        if scores is not None:
            write_plain(os.path.join(self.data_dir, "scores.znd"), scores_text(scores))
        if keys is not None:
            os.makedirs(os.path.join(self.tmp, "config", "zintari"))
            with open(os.path.join(self.tmp, "config", "zintari", "keys.conf"), "w") as f:
                f.write(keys)

    def logfile(self, name):
        return open(os.path.join(self.tmp, name + ".log"), "w")

    def output(self, name):
        path = os.path.join(self.tmp, name + ".log")
        return open(path, errors="replace").read() if os.path.exists(path) else ""

    def spawn(self, args, **options):
        options.setdefault("stdin", subprocess.DEVNULL)
        options.setdefault("stdout", subprocess.DEVNULL)
        options.setdefault("stderr", subprocess.DEVNULL)
        options.setdefault("env", self.env)
        proc = subprocess.Popen(args, preexec_fn=_die_with_parent, **options)
        self.procs.append(proc)
        return proc

    def run(self, *args):
        return subprocess.run(args, env=self.env, capture_output=True, text=True, timeout=30).stdout

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.__exit__(*sys.exc_info())
            raise
        return self

    def start(self):
        self.start_x_server()
        self.start_desktop()
        self.launch(*self.args)

    def start_x_server(self):
        for _ in range(20):  # a display number at random, not one that another harness may have just closed
            read, write = os.pipe()
            self.spawn(["Xvfb", ":%d" % random.randint(100, 9999), "-displayfd", str(write), "-fbdir", self.tmp,
                        "-nolisten", "tcp", "-wr", "-screen", "0", "%dx%dx%d" % (*self.screen, self.depth)],
                       pass_fds=(write,), stderr=self.logfile("xvfb"))
            os.close(write)
            with os.fdopen(read) as f:  # Xvfb writes the number when it is ready, nothing when it cannot start
                self.env["DISPLAY"] = ":" + f.readline().strip()
            if self.env["DISPLAY"] != ":":
                break

    def start_desktop(self):
        """The window manager, and the clipboard's owner."""
        for attempt in range(3):  # on a loaded machine openbox has been seen not to come up: start it again
            wm = self.spawn(["openbox", "--sm-disable"], stderr=self.logfile("openbox"))
            try:
                wait_until(lambda: "window id" in self.run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK"), 15,
                           "openbox")
                break
            except AssertionError:
                wm.kill()
                wm.wait()
                if attempt == 2:
                    raise
        if self.clipboard is not None:
            clip = self.spawn(["xclip", "-quiet", "-selection", "clipboard"], stdin=subprocess.PIPE)
            clip.stdin.write(self.clipboard.encode())
            clip.stdin.close()
            wait_until(lambda: self.run("xclip", "-o", "-selection", "clipboard") == self.clipboard, 30,
                       "the clipboard to hold the phrase")

    def launch(self, *args):
        """Starts the game (again, once the last one has ended) and waits for its window."""
        self.game = self.spawn([self.exe, *args], env=self.game_env(), stdout=self.logfile("game"),
                               stderr=subprocess.STDOUT)
        self.window = wait_until(self.find_window, 30, "the game's window with the focus")
        self.frame = self.geometry()

    def game_env(self):
        return self.env

    def __exit__(self, kind, error, trace):
        if kind is not None and not issubclass(kind, Skipped):
            path = os.path.join(BUILD, "e2e-failure-%s.png" % self.name)
            if os.path.exists(self.fb()) and subprocess.run(["convert", "xwd:" + self.fb(), path]).returncode == 0:
                print("the screen at the failure: " + path)
            for name in ("xvfb", "openbox", "weston", "game"):
                print("--- %s (%s) ---\n%s" % (name, self.env.get("DISPLAY"), self.output(name)[-3000:]))
        for proc in reversed(self.procs):
            proc.terminate()
            try:
                proc.wait(5)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
        shutil.rmtree(self.tmp, ignore_errors=True)

    # the window and the process

    def find_window(self):
        """The game's window once it has the focus, or None."""
        windows = self.run("xdotool", "search", "--onlyvisible", "--pid", str(self.game.pid)).split()
        active = self.run("xdotool", "getactivewindow").strip()
        check(self.alive(), "the game ended at the start")
        return active if active in windows else None

    def geometry(self):
        """The window's (x, y, width, height) on the screen."""
        info = dict(line.strip().split(": ", 1) for line in self.run("xwininfo", "-id", self.window).splitlines()
                    if ": " in line)
        return tuple(int(info[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))

    def alive(self):
        return self.game.poll() is None

    def close(self):
        """Closes the window as Alt+F4 to the window manager does; returns
        the seconds the game took to end, which it must do with status 0."""
        start = time.monotonic()
        self.run("xdotool", "key", "alt+F4")
        status = self.game.wait(10)
        check(status == 0, "exit status %d after the window was closed" % status)
        return time.monotonic() - start

    # the picture

    def fb(self):
        return os.path.join(self.tmp, "Xvfb_screen0")

    def shot(self):
        """The screen, read until two reads agree (the server may be drawing)."""
        with open(self.fb(), "rb") as f:
            data = f.read()
            for _ in range(5):
                f.seek(0)
                again = f.read()
                if again == data:
                    break
                data = again
        return Shot(data, self.frame)

    def shows(self, text, x, y):
        """Whether the screen shows text in the bitmap font at (x, y); x None: centred on 320."""
        shot, width = self.shot(), self.font.width(text)
        lefts = [x] if x is not None else {320 - width // 2, 320 - (width + 1) // 2}  # either rounding
        return any(matches(shot, self.font.pixels(text, left, y)) for left in lefts)

    def until(self, predicate, timeout=STEP_S, what="the condition"):
        """wait_until() that fails at once if the game ends meanwhile (and predicate() is false)."""
        def alive():
            check(self.alive(), "the game ended (status %s) while waiting for %s" % (self.game.returncode, what))
        start = time.monotonic()
        value = wait_until(lambda: predicate() or alive(), timeout, what)
        if time.monotonic() - start > 3:  # worth knowing on a loaded machine
            print("note: %.1f s for %s" % (time.monotonic() - start, what))
        return value

    def wait_text(self, text, x, y, timeout=STEP_S):
        self.until(lambda: self.shows(text, x, y), timeout, "%r at (%s, %d)" % (text, x, y))

    def marker(self, first_top, entries):
        """Which entry of a menu the marker stands at (None: none)."""
        shot = self.shot()
        found = [i for i in range(1, entries + 1)
                 if matches(shot, {(230 + x, first_top + 40 * (i - 1) + y): c for (x, y), c in self.marker_sprite.items()})]
        return found[0] if len(found) == 1 else None

    # keys

    def key(self, name, hold_s=0.08):
        self.run("xdotool", "keydown", name, "sleep", str(hold_s), "keyup", name)

    def hold(self, name, predicate, what, timeout=STEP_S):
        """Holds a key until predicate() is true (for keys that lead on, where a repeat does no harm)."""
        self.run("xdotool", "keydown", name)
        try:
            return self.until(predicate, timeout, what)
        finally:
            self.run("xdotool", "keyup", name)

    def tap(self, name, predicate, what, timeout=STEP_S):
        """Taps a key until predicate() is true: the game polls keys and may
        miss a tap while it is busy."""
        deadline = time.monotonic() + timeout
        while True:
            self.key(name)
            try:
                return self.until(predicate, 3.0, what)
            except AssertionError:
                if time.monotonic() > deadline or not self.alive():
                    raise

    def go_to(self, entry, first_top=160, entries=5, key="Down"):
        """Steps the menu marker to an entry (a late key release may step twice: it goes round again)."""
        for _ in range(4 * entries):
            now = wait_until(lambda: self.marker(first_top, entries), STEP_S, "the menu marker")
            if now == entry:
                return
            self.tap(key, lambda: self.marker(first_top, entries) not in (None, now), "the marker to move on " + key)
        check(False, "the marker never reached entry %d" % entry)

    def menu(self):
        """Waits for the main menu with New Game chosen."""
        self.until(lambda: self.shows("MAIN MENU", 260, 120) and self.marker(160, 5) == 1, 60, "the main menu")


class Skipped(Exception):
    """Why a journey cannot run here: run() says so and exits with 77, which CTest counts as skipped."""


class WaylandGame(Game):
    """The game as a native Wayland client (SDL_VIDEODRIVER=wayland, no DISPLAY) of weston, nested in the X
    server through its X11 backend, instead of openbox. Under kiosk-shell every window fills its output, so the
    frame is the output's window on the X server, and the game's picture lies in it as in an X11 window; keys sent
    to the X server go to the Wayland client weston has focused. output=(w, h) of each output; outputs=2 adds a
    second one to the right of the first, where other_client() shows. Skipped where weston is missing or cannot
    start."""

    SOCKET = "wayland-zintari"  # in a runtime folder of the game's own
    OTHER_CLIENT = ("weston-simple-shm", "org.freedesktop.weston.simple-shm")  # its program and app id

    def __init__(self, name, output=(640, 480), outputs=1, **options):
        super().__init__(name, screen=(output[0] * outputs, output[1]), **options)
        self.output_size, self.outputs = output, outputs
        self.runtime = tempfile.mkdtemp(prefix="runtime-", dir=self.tmp)  # private (0700), as Wayland wants it

    def start_desktop(self):
        if not shutil.which("weston"):
            raise Skipped("weston is not installed (apt-get install weston)")
        config = os.path.join(self.tmp, "weston.ini")
        with open(config, "w") as f:  # no blanking; the other client on the second output
            f.write("[core]\nidle-time=0\n[output]\nname=screen1\nmode=%dx%d\napp-ids=%s\n"
                    % (*self.output_size, self.OTHER_CLIENT[1]))
        weston = self.spawn(["weston", "--backend=x11-backend.so", "--use-pixman", "--shell=kiosk-shell.so",
                             "--socket=" + self.SOCKET, "--config=" + config, "--output-count=%d" % self.outputs,
                             "--width=%d" % self.output_size[0], "--height=%d" % self.output_size[1]],
                            env=dict(self.env, XDG_RUNTIME_DIR=self.runtime), stderr=self.logfile("weston"))

        def up():
            if weston.poll() is not None:
                lines = self.output("weston").strip().splitlines() or ["no output"]
                raise Skipped("weston cannot start (status %d): %s" % (weston.returncode, lines[-1]))
            return os.path.exists(os.path.join(self.runtime, self.SOCKET)) and all(
                self.output_window(i) for i in range(self.outputs))
        wait_until(up, 30, "weston and its outputs")
        self.window = self.output_window(0)
        for i in range(1, self.outputs):
            self.run("xdotool", "windowmove", "--sync", self.output_window(i), str(i * self.output_size[0]), "0")
        # The pointer on the first output: kiosk-shell puts a new window where it is, and keys go to that output.
        self.run("xdotool", "mousemove", str(self.output_size[0] // 2), str(self.output_size[1] // 2))

    def output_window(self, number):
        """The X window of one of weston's outputs, or None."""
        title = '"Weston Compositor - screen%d"' % number
        found = [line.split()[0] for line in self.run("xwininfo", "-root", "-children").splitlines() if title in line]
        return found[0] if found else None

    def game_env(self):
        env = dict(self.env, WAYLAND_DISPLAY=self.SOCKET, XDG_RUNTIME_DIR=self.runtime, SDL_VIDEODRIVER="wayland")
        env.pop("DISPLAY", None)
        return env

    def find_window(self):
        """The first output's window once the game shows a picture in it."""
        check(self.alive(), "the game ended at the start")
        self.frame = x, y, w, h = self.geometry()
        return None if self.shot().black(x, y, x + w, y + h) else self.window

    def other_client(self):
        """Starts a client that kiosk-shell shows on the second output and focuses; stop it with terminate()."""
        return self.spawn([self.OTHER_CLIENT[0]], env=self.game_env(), stderr=self.logfile("other-client"))

    def close(self):
        """Ends the game as a session that ends does (kiosk-shell has no key that closes a window): SIGTERM,
        which SDL turns into a quit; returns the seconds it took, with status 0."""
        start = time.monotonic()
        self.game.terminate()
        status = self.game.wait(10)
        check(status == 0, "exit status %d after SIGTERM" % status)
        return time.monotonic() - start


def run(journey):
    """Runs journey(game) with <exe> <build folder> from the command line."""
    global EXE, BUILD
    EXE, BUILD = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    start = time.monotonic()
    try:
        journey()
    except Skipped as why:
        print("skipped: %s" % why)
        sys.exit(77)
    print("%s passed in %.1f s" % (os.path.basename(sys.argv[0]), time.monotonic() - start))
