"""End-to-end harness: the real game in a virtual X server, driven by real keys.

Each test file is a script that CTest runs as

    python3 tests/e2e/test_something.py <path to zintari> <build folder>

and that ends with ``harness.main()``, which runs its unittest cases.

A test starts the game with ``with Game(name=...) as game:``. That starts
Xvfb on a free display, the openbox window manager, an optional clipboard
owner and the game itself (SDL on X11, dummy or disk audio, a fresh
XDG_DATA_HOME), and waits for the game's window to appear with the input
focus. Leaving the block ends every process it started, also on failure, and
on failure saves the screen as build/e2e-failure-<name>.png and prints the
game's output.

Coordinates: the game draws a 640x480 picture that the window scales with
its aspect ratio kept and centres between black bars. ``Game.to_screen``
and ``Shot.game_pixel`` take game coordinates; everything named ``screen``
is in pixels of the X screen.
"""
import collections
import ctypes
import os
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xclient  # noqa: E402

GAME_W, GAME_H = 640, 480
EXE = None  # the game's executable, set by main()
BUILD = None  # the build folder (screenshots go there), set by main()

HERE = os.path.dirname(os.path.abspath(__file__))

try:
    _LIBC = ctypes.CDLL("libc.so.6", use_errno=True)
except OSError:  # pragma: no cover - every Linux has it
    _LIBC = None


_HARNESS_PID = os.getpid()


def _die_with_parent():
    """Runs in a child before exec: it gets SIGKILL when the harness dies,
    so that no X server or game outlives a killed test."""
    if _LIBC is not None:
        _LIBC.prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG
    if os.getppid() != _HARNESS_PID:  # the harness died before prctl took effect
        os._exit(1)


def _spawn(args, env=None, log=None, stdout=None, cwd=None):
    """Starts a helper process whose output goes to the file log."""
    out = open(log, "ab") if log else subprocess.DEVNULL
    try:
        return subprocess.Popen(args, env=env, cwd=cwd, stdin=subprocess.DEVNULL,
                                stdout=out if stdout is None else stdout, stderr=out,
                                preexec_fn=_die_with_parent)
    finally:
        if log:
            out.close()


def _stop(proc, grace=3.0):
    """Ends a process we started: SIGTERM, then SIGKILL after grace seconds."""
    if proc is None or proc.poll() is not None:
        return
    try:
        proc.terminate()
        proc.wait(grace)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait(5)
    except ProcessLookupError:
        pass


def _tail(path, lines=40):
    try:
        with open(path, "rb") as f:
            text = f.read().decode("utf-8", "replace")
    except OSError:
        return ""
    return "\n".join(text.splitlines()[-lines:])


def wait_until(predicate, timeout, interval=0.02, what="the condition"):
    """Calls predicate until it returns a true value, which it returns.

    Raises AssertionError naming `what` after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out after %.1f s waiting for %s" % (timeout, what))
        time.sleep(interval)


# --- pictures --------------------------------------------------------------

class Scaling:
    """Where the 640x480 picture lies in a window of the given size: scaled
    by the larger factor that fits, aspect kept, centred, bars around."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        if width * GAME_H == height * GAME_W:
            scale = width / GAME_W
            self.pic_w, self.pic_h = width, height
        elif width * GAME_H > height * GAME_W:  # wider than 4:3: bars left and right
            scale = height / GAME_H
            self.pic_w, self.pic_h = int(GAME_W * scale), height
        else:  # narrower: bars above and below
            scale = width / GAME_W
            self.pic_w, self.pic_h = width, int(GAME_H * scale)
        self.scale = scale
        self.left = (width - self.pic_w) // 2
        self.top = (height - self.pic_h) // 2

    def to_screen(self, x, y):
        """The screen pixel at the centre of game pixel (x, y)."""
        return (self.left + int((x + 0.5) * self.pic_w / GAME_W),
                self.top + int((y + 0.5) * self.pic_h / GAME_H))

    def rect_to_screen(self, left, top, right, bottom):
        """The screen rectangle (right and bottom exclusive) covered by a game rectangle."""
        return (self.left + int(left * self.pic_w / GAME_W), self.top + int(top * self.pic_h / GAME_H),
                self.left + -(-right * self.pic_w // GAME_W), self.top + -(-bottom * self.pic_h // GAME_H))

    def to_game(self, sx, sy):
        """The game pixel shown at screen pixel (sx, sy); may lie outside 0..639, 0..479 in the bars."""
        return ((sx - self.left) * GAME_W // self.pic_w, (sy - self.top) * GAME_H // self.pic_h)

    @property
    def picture(self):
        """The screen rectangle of the picture."""
        return (self.left, self.top, self.left + self.pic_w, self.top + self.pic_h)


class Shot:
    """One screenshot of the whole X screen: packed RGB, 3 bytes a pixel.

    t_start and t_end are the monotonic times between which the server
    copied the screen."""

    def __init__(self, width, height, rgb, t_start=0.0, t_end=0.0):
        self.width, self.height, self.rgb = width, height, rgb
        self.t_start, self.t_end = t_start, t_end
        self.scaling = Scaling(width, height)

    def pixel(self, sx, sy):
        i = (sy * self.width + sx) * 3
        return tuple(self.rgb[i:i + 3])

    def game_pixel(self, x, y):
        return self.pixel(*self.scaling.to_screen(x, y))

    def row(self, sy, x0=0, x1=None):
        x1 = self.width if x1 is None else x1
        base = sy * self.width * 3
        return self.rgb[base + x0 * 3:base + x1 * 3]

    def crop(self, rect):
        """The RGB bytes of a screen rectangle, row after row."""
        x0, y0, x1, y1 = rect
        return b"".join(self.row(y, x0, x1) for y in range(y0, y1))

    def nonblack_bbox(self, rect=None):
        """The screen bounding box (right, bottom exclusive) of non-black
        pixels inside rect (default the whole screen), or None."""
        x0, y0, x1, y1 = rect or (0, 0, self.width, self.height)
        rows = [y for y in range(y0, y1) if self.row(y, x0, x1).count(0) != (x1 - x0) * 3]
        if not rows:
            return None
        left, right = x1, x0
        for y in rows:
            data = self.row(y, x0, x1)
            stripped = data.lstrip(b"\0")
            first = (len(data) - len(stripped)) // 3
            last = (len(data.rstrip(b"\0")) - 1) // 3
            left, right = min(left, x0 + first), max(right, x0 + last + 1)
        return left, rows[0], right, rows[-1] + 1

    def is_black(self, rect=None):
        return self.nonblack_bbox(rect) is None

    def colours(self, rect=None):
        """Counter of (r, g, b) over a screen rectangle (keep it small)."""
        data = self.crop(rect or (0, 0, self.width, self.height))
        return collections.Counter(data[i:i + 3] for i in range(0, len(data), 3))

    def save_png(self, path):
        raw = b"".join(b"\0" + self.row(y) for y in range(self.height))

        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 6))
                    + chunk(b"IEND", b""))
        return path


class Phase:
    """A run of consecutive screenshots with the same label (see Game.record).

    The label held from some time a to some time b; the shots bound them:
    before_start < a <= first.t_end and last_start < b <= after_end."""

    def __init__(self, label, shot, before_start):
        self.label = label
        self.first = shot  # the first shot with this label, kept for review
        self.count = 1
        self.before_start = before_start  # start of the shot before it (None: none)
        self.last_start = shot.t_start
        self.after_end = None  # end of the first shot after it (None: still on)

    @property
    def min_duration(self):
        """Seconds it lasted at least."""
        return max(0.0, self.last_start - self.first.t_end)

    @property
    def max_duration(self):
        """Seconds it lasted at most (infinite while open at either end)."""
        if self.before_start is None or self.after_end is None:
            return float("inf")
        return self.after_end - self.before_start

    def __repr__(self):
        return "Phase(%r, %d shots, %.3f..%s s)" % (
            self.label, self.count, self.min_duration,
            "%.3f" % self.max_duration if self.max_duration != float("inf") else "open")


def add_shot(phases, label, shot, previous_start):
    """Extends the last phase by shot when it has the same label, else
    closes it and opens a new one; previous_start is the prior shot's start."""
    if phases and phases[-1].label == label:
        phases[-1].count += 1
        phases[-1].last_start = shot.t_start
    else:
        if phases:
            phases[-1].after_end = shot.t_end
        phases.append(Phase(label, shot, previous_start))


def is_gold(rgb):
    """A bright warm yellow such as the bitmap font's face."""
    r, g, b = rgb
    return r >= 220 and 150 <= g <= 245 and b <= 200 and r - b >= 60


def message_label(shot, top=230, height=19):
    """Labels a screenshot of the start-up (or any ShowMessage) sequence:

    'desktop'  no game picture yet: the white root window (Xvfb -wr) and
               unpainted windows fill at least a third of the screen;
    'black'    nothing but black;
    ('message', signature)  black except inside the one text line whose
               glyphs are drawn from game row `top`; the signature tells
               different texts apart;
    'other'    anything else (the main menu, say)."""
    bbox = shot.nonblack_bbox()
    if bbox is None:
        return "black"
    if shot.rgb.count(b"\xff\xff\xff") * 3 >= shot.width * shot.height:
        return "desktop"
    _l, band_top, _r, band_bottom = shot.scaling.rect_to_screen(0, top, GAME_W, top + height)
    if bbox[1] >= band_top - 1 and bbox[3] <= band_bottom + 1:
        return ("message", zlib.crc32(shot.crop(bbox)), bbox)
    return "other"


def kind(label):
    """The first word of a label: 'message' for ('message', ...)."""
    return label[0] if isinstance(label, tuple) else label


def lasted(label_kind, seconds):
    """A done() for Game.record: the last phase is of label_kind and has
    lasted at least the given seconds."""
    return lambda phases: kind(phases[-1].label) == label_kind and phases[-1].min_duration >= seconds


# --- timed messages (start-up credit, finale) ---------------------------------

MESSAGE_SHOW_S = 3.0  # a message stays 3000 ms
MESSAGE_BLACK_S = 0.5  # then 500 ms of black
# A picture reaches the screen up to one display refresh (16 ms) late, so a
# phase seen between two screenshots may look that much shorter than it was.
REFRESH_S = 0.05
# Upper bounds only catch a phase that lasts far too long; a loaded machine
# may stretch any phase a little.
STRETCH_S = 1.5


def record_messages(game, done, timeout=40, picture_within=20):
    """Game.record with message_label, failing clearly when the game shows
    no picture of its own within picture_within seconds (a window that
    never covers the screen leaves the white desktop in view)."""

    def until(phases):
        first = phases[0]
        if len(phases) == 1 and first.label == "desktop" and first.min_duration > picture_within:
            raise AssertionError("no picture from the game %.0f s after its start; its window %r, state %r, "
                                 "on a %dx%d screen" % (picture_within, game.window_rect(), game.window_state(),
                                                        game.x.width, game.x.height))
        return done(phases)

    return game.record(message_label, until, timeout)


def check_message_sequence(test, phases, count, started_at):
    """Asserts that phases recorded with message_label up to the next screen
    show: first the desktop, then nothing but black and `count` messages,
    each shown 3000 ms and followed by 500 ms of black, then the next
    screen. Returns the message phases.

    A black phase may go unseen only when the screenshots around it were
    further apart than it lasts (a busy machine); then the message and its
    black are checked together."""
    shown = "; ".join("%r" % p for p in phases)
    first = next((i for i, p in enumerate(phases) if p.label != "desktop"), len(phases))
    if first < len(phases) and phases[first].label == "black":  # the blank pause before the first message
        first += 1
    game = phases[first:]
    kinds = [kind(p.label) for p in game]
    messages = []
    i = 0
    for n in range(1, count + 1):
        test.assertLess(i, len(game), "message %d never came; saw %s" % (n, shown))
        test.assertEqual(kinds[i], "message", "expected message %d; saw %s" % (n, shown))
        message = game[i]
        messages.append(message)
        i += 1
        test.assertLess(i, len(game), "nothing came after message %d; saw %s" % (n, shown))
        drawn_before = n > 1 or phases[first - 1].label == "black"
        if drawn_before:  # its start is on screen: the full duration can be checked
            test.assertGreaterEqual(message.max_duration, MESSAGE_SHOW_S - REFRESH_S,
                                    "message %d shown too briefly: %r" % (n, message))
        else:  # the window may have appeared after the message began
            test.assertGreaterEqual(message.after_end - started_at, 0.1 + MESSAGE_SHOW_S,
                                    "message %d gone too early after the launch: %r" % (n, message))
        test.assertLessEqual(message.min_duration, MESSAGE_SHOW_S + STRETCH_S,
                             "message %d shown too long: %r" % (n, message))
        if kinds[i] == "black":
            black = game[i]
            i += 1
            test.assertGreaterEqual(black.max_duration, MESSAGE_BLACK_S - REFRESH_S,
                                    "black after message %d too short: %r" % (n, black))
            test.assertLessEqual(black.min_duration, MESSAGE_BLACK_S + STRETCH_S,
                                 "black after message %d too long: %r" % (n, black))
        else:
            gap = game[i].first.t_end - message.last_start
            test.assertGreater(gap, MESSAGE_BLACK_S - REFRESH_S,
                               "no black after message %d (screenshots %.3f s apart there); saw %s"
                               % (n, gap, shown))
            print("note: screenshots %.3f s apart missed the black after message %d" % (gap, n))
            if drawn_before:
                together = game[i].first.t_end - message.before_start
                test.assertGreaterEqual(together, MESSAGE_SHOW_S + MESSAGE_BLACK_S - REFRESH_S,
                                        "message %d and its black too brief: %.3f s" % (n, together))
    test.assertEqual(kinds[i:], ["other"], "expected the next screen after %d message(s); saw %s" % (count, shown))
    return messages


def check_text_line(test, shot, top=230, height=19):
    """Asserts that the non-black pixels of shot are one line of the gold
    bitmap font, drawn from game row `top` and centred on x = 320."""
    bbox = shot.nonblack_bbox()
    test.assertIsNotNone(bbox, "no text on the screen")
    sc = shot.scaling
    band = sc.rect_to_screen(0, top, GAME_W, top + height)
    test.assertGreaterEqual(bbox[1], band[1] - 1, "text above its row: %r" % (bbox,))
    test.assertLessEqual(bbox[3], band[3] + 1, "text below its row: %r" % (bbox,))
    test.assertGreaterEqual(bbox[3] - bbox[1], (band[3] - band[1]) // 2,
                            "text line not as high as the font: %r" % (bbox,))
    left, _ = sc.to_game(bbox[0], bbox[1])
    right, _ = sc.to_game(bbox[2] - 1, bbox[3] - 1)
    test.assertLessEqual(abs((left + right + 1) / 2 - 320), 4, "text not centred: game x %d..%d" % (left, right))
    colours = shot.colours(bbox)
    lit = {c: n for c, n in colours.items() if c != b"\0\0\0"}
    total = sum(lit.values())
    warm = sum(n for c, n in lit.items() if c[0] >= c[1] >= c[2] and c[0] > c[2])
    gold = sum(n for c, n in lit.items() if is_gold(c))
    test.assertGreaterEqual(warm, 0.95 * total, "text not in warm colours: %r" % colours.most_common(8))
    test.assertGreaterEqual(gold, 0.15 * total, "text not gold: %r" % colours.most_common(8))
    return bbox


# --- the X server ----------------------------------------------------------

class XServer:
    """Xvfb on a free display with the openbox window manager."""

    def __init__(self, width=1024, height=768, folder=None):
        self.width, self.height = width, height
        self._own_folder = folder is None
        self.folder = folder or tempfile.mkdtemp(prefix="zintari-x-")
        self.xvfb = self.wm = self.conn = None
        self.display = None

    def start(self):
        try:
            self._start_xvfb()
            self._start_wm()
        except BaseException:
            self.stop()
            raise
        return self

    def _start_xvfb(self):
        log = os.path.join(self.folder, "xvfb.log")
        for number in list(range(90, 100)) + list(range(100, 160)):
            if os.path.exists("/tmp/.X%d-lock" % number) or os.path.exists(xclient.socket_path(":%d" % number)):
                continue
            proc = _spawn(["Xvfb", ":%d" % number, "-nolisten", "tcp", "-noreset", "-wr",
                           "-screen", "0", "%dx%dx24" % (self.width, self.height)], log=log)
            conn = self._connect(proc, number)
            if conn is not None:
                self.xvfb, self.conn, self.display = proc, conn, ":%d" % number
                return
            _stop(proc)
        raise RuntimeError("could not start Xvfb on any display from :90 to :159: " + _tail(log))

    @staticmethod
    def _connect(proc, number, timeout=30.0):
        """A connection to our Xvfb on :number, or None when another server
        holds that number (ours then exits)."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if proc.poll() is not None:
                return None
            try:
                with open("/tmp/.X%d-lock" % number) as f:
                    ours = int(f.read().strip() or 0) == proc.pid
            except (OSError, ValueError):
                ours = False
            if ours:
                try:
                    return xclient.Connection(":%d" % number)
                except (OSError, xclient.XError):
                    pass
            time.sleep(0.05)
        raise RuntimeError("Xvfb on :%d did not start within %.0f s" % (number, timeout))

    def _start_wm(self):
        self.wm = _spawn(["openbox", "--sm-disable"], env=self.env(), log=os.path.join(self.folder, "openbox.log"))

        def ready():
            if self.wm.poll() is not None:
                raise RuntimeError("openbox exited: " + _tail(os.path.join(self.folder, "openbox.log")))
            return self.conn.get_cardinals(self.conn.root, "_NET_SUPPORTING_WM_CHECK")

        wait_until(ready, 30, 0.05, "the window manager")

    def env(self, base=None):
        env = dict(os.environ if base is None else base)
        env["DISPLAY"] = self.display
        env.pop("WAYLAND_DISPLAY", None)
        env.pop("XAUTHORITY", None)
        return env

    def stop(self):
        if self.conn is not None:
            self.conn.close()
            self.conn = None
        _stop(self.wm)
        _stop(self.xvfb)
        if self._own_folder:
            shutil.rmtree(self.folder, ignore_errors=True)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    def logs(self):
        return "\n".join("--- %s ---\n%s" % (name, _tail(os.path.join(self.folder, name)))
                         for name in ("xvfb.log", "openbox.log"))


# --- the game ----------------------------------------------------------------

class Game:
    """The game running in its own X server (or a given one).

    Options: screen=(width, height) of the X screen; clipboard=text owned
    on the CLIPBOARD selection before the game starts (None: no owner);
    audio="dummy" or "disk" (then audio_path is SDL's raw output, in the
    format the game opened the device with); data_home=an existing
    folder to use as XDG_DATA_HOME and keep (default: a fresh one removed
    at the end); env=extra environment variables; name=a label for logs
    and failure screenshots."""

    def __init__(self, exe=None, build_dir=None, *, screen=(1024, 768), clipboard=None, audio="dummy",
                 data_home=None, env=None, name="game", xserver=None, window_timeout=30.0):
        self.exe = os.path.abspath(exe or EXE)
        self.build_dir = os.path.abspath(build_dir or BUILD or os.getcwd())
        self.screen_size = screen
        self.clipboard = clipboard
        self.audio = audio
        self.extra_env = dict(env or {})
        self.name = name
        self.window_timeout = window_timeout
        self.folder = tempfile.mkdtemp(prefix="zintari-e2e-")
        self.data_home = data_home or os.path.join(self.folder, "data")
        os.makedirs(self.data_home, exist_ok=True)
        self.audio_path = os.path.join(self.folder, "audio.raw") if audio == "disk" else None
        self.log_path = os.path.join(self.folder, "game.log")
        self._own_x = xserver is None
        self.x = xserver
        self.proc = None
        self.clip = None
        self.started_at = None
        self.ended_at = None

    # lifecycle

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self._report_failure()
            self.stop()
            raise
        return self

    def __exit__(self, exc_type, exc, tb):
        if exc_type is not None:
            self._report_failure()
        self.stop()
        return False

    def start(self):
        if self.x is None:
            self.x = XServer(*self.screen_size, folder=self.folder).start()
        if self.clipboard is not None:
            self._own_clipboard(self.clipboard)
        env = self.x.env()
        env.update({"SDL_VIDEODRIVER": "x11", "SDL_AUDIODRIVER": self.audio, "XDG_DATA_HOME": self.data_home})
        if self.audio_path:
            env["SDL_DISKAUDIOFILE"] = self.audio_path
        env.update(self.extra_env)
        self.started_at = time.monotonic()
        self.proc = _spawn([self.exe], env=env, log=self.log_path, cwd=self.folder)
        self.wait_until(self._find_window, self.window_timeout, 0.02, "the game's window")
        self.wait_until(self.focused, self.window_timeout, 0.02, "the game's window to get the input focus")
        return self

    def stop(self):
        """Ends every process this game started; safe to call twice."""
        try:
            _stop(self.proc)
        finally:
            try:
                _stop(self.clip)
                if self.clip is not None:
                    self.clip.stdout.close()
                self.clip = None
            finally:
                if self._own_x and self.x is not None:
                    self.x.stop()
                    self.x = None
                shutil.rmtree(self.folder, ignore_errors=True)

    def _report_failure(self):
        try:
            if self.x is not None and self.x.conn is not None:
                path = self.save(self.screenshot(), "failure-" + self.name)
                print("screen at the failure: %s" % path, file=sys.stderr)
        except Exception as e:  # the X server may be the thing that broke
            print("no screenshot at the failure: %s" % e, file=sys.stderr)
        print("--- game output (%s) ---\n%s" % (self.name, _tail(self.log_path)), file=sys.stderr)
        if self.x is not None:
            print(self.x.logs(), file=sys.stderr)

    def _own_clipboard(self, text):
        log = os.path.join(self.folder, "clipboard.log")
        self.clip = _spawn([sys.executable, os.path.join(HERE, "xclient.py"), "clipboard", self.x.display, text],
                           log=log, stdout=subprocess.PIPE)
        ready, _, _ = select.select([self.clip.stdout], [], [], 30)
        line = self.clip.stdout.readline() if ready else b""
        if line.strip() != b"ready":
            raise RuntimeError("the clipboard owner did not start: " + _tail(log))
        if not self.x.conn.get_selection_owner(self.x.conn.atom("CLIPBOARD")):
            raise RuntimeError("nobody owns the clipboard")

    # the process

    def alive(self):
        return self.proc is not None and self.proc.poll() is None

    @property
    def returncode(self):
        return self.proc.poll()

    def wait_exit(self, timeout):
        """Waits for the game to end; returns the monotonic time at which it
        was seen gone, or None if it still runs after timeout seconds."""
        deadline = time.monotonic() + timeout
        try:
            fd = os.pidfd_open(self.proc.pid)
        except (AttributeError, OSError):
            fd = None
        try:
            while self.proc.poll() is None:
                left = deadline - time.monotonic()
                if left <= 0:
                    return None
                if fd is not None:
                    select.select([fd], [], [], left)
                else:
                    time.sleep(min(left, 0.005))
        finally:
            if fd is not None:
                os.close(fd)
        if self.ended_at is None:
            self.ended_at = time.monotonic()
        return self.ended_at

    def wait_until(self, predicate, timeout, interval=0.02, what="the condition", allow_exit=False):
        """wait_until() that fails at once, with the game's output, when the
        game ends while waiting (unless allow_exit)."""

        def check():
            if not allow_exit and not self.alive():
                raise AssertionError("the game ended (status %s) while waiting for %s; its output:\n%s"
                                     % (self.returncode, what, _tail(self.log_path)))
            return predicate()

        return wait_until(check, timeout, interval, what)

    # the window

    def _find_window(self):
        """The newest managed window of the game's process, or None."""
        conn = self.x.conn
        found = None
        for window in conn.get_cardinals(conn.root, "_NET_CLIENT_LIST"):
            try:
                if self.proc.pid in conn.get_cardinals(window, "_NET_WM_PID"):
                    found = window
            except xclient.XError:  # destroyed meanwhile
                pass
        return found

    @property
    def window(self):
        """The game's window. Looked up each time: SDL may replace its first
        window by another one while it sets up the renderer."""
        window = self._find_window()
        if window is None:
            raise AssertionError("the game has no window")
        return window

    def _on_window(self, action):
        """action(window), tried again once if the window went away meanwhile."""
        try:
            return action(self.window)
        except xclient.XError:
            return action(self.window)

    def focused(self):
        """Whether the input focus is in the game's window."""
        conn = self.x.conn
        window = self._find_window()
        try:
            focus = conn.input_focus()
            while focus > 1 and window is not None:  # 0 None, 1 PointerRoot
                if focus == window:
                    return True
                if focus == conn.root:
                    return False
                focus, _ = conn.query_tree(focus)
        except xclient.XError:  # a window went away meanwhile
            pass
        return False

    def window_rect(self):
        """The game window's screen rectangle (left, top, right, bottom)."""
        conn = self.x.conn

        def rect(window):
            _, _, width, height, _ = conn.get_geometry(window)
            left, top = conn.translate(window, conn.root)
            return left, top, left + width, top + height

        return self._on_window(rect)

    def window_state(self):
        """The names of the window's _NET_WM_STATE atoms that we know of."""
        conn = self.x.conn
        names = ["_NET_WM_STATE_FULLSCREEN", "_NET_WM_STATE_HIDDEN", "_NET_WM_STATE_MAXIMIZED_VERT",
                 "_NET_WM_STATE_MAXIMIZED_HORZ", "_NET_WM_STATE_ABOVE"]
        present = set(self._on_window(lambda w: conn.get_cardinals(w, "_NET_WM_STATE")))
        return {n for n in names if conn.atom(n) in present}

    def covers_screen(self):
        """Whether the window is full-screen: the whole X screen, in that state."""
        return (self.window_rect() == (0, 0, self.x.width, self.x.height)
                and "_NET_WM_STATE_FULLSCREEN" in self.window_state())

    def close_window(self):
        """Asks the window manager to close the game's window, as its close
        button or Alt+F4 would; returns the monotonic time just before."""
        conn = self.x.conn
        sent = time.monotonic()
        conn.client_message(self.window, "_NET_CLOSE_WINDOW", [0, 2], destination=conn.root,
                            mask=xclient.SUBSTRUCTURE_NOTIFY | xclient.SUBSTRUCTURE_REDIRECT)
        conn.sync()
        return sent

    def cursor_hidden(self):
        """Whether the mouse cursor shown now has no visible pixel, or None
        when the X server cannot tell."""
        image = self.x.conn.cursor_image()
        if image is None:
            return None
        _w, _h, argb = image
        return all(word >> 24 == 0 for word in argb)

    def move_pointer(self, sx, sy):
        self.xdotool("mousemove", str(sx), str(sy))

    # the picture

    def screenshot(self):
        t0 = time.monotonic()
        width, height, rgb = self.x.conn.rgb_rect()
        return Shot(width, height, rgb, t0, time.monotonic())

    @property
    def scaling(self):
        return Scaling(self.x.width, self.x.height)

    def to_screen(self, x, y):
        return self.scaling.to_screen(x, y)

    def pixel(self, x, y):
        """The colour now shown at game pixel (x, y)."""
        sx, sy = self.to_screen(x, y)
        _w, _h, rgb = self.x.conn.rgb_rect(sx, sy, 1, 1)
        return tuple(rgb)

    def save(self, shot, name):
        """Saves a shot as <build>/e2e-<name>.png and returns the path."""
        return shot.save_png(os.path.join(self.build_dir, "e2e-%s.png" % name))

    def record(self, classify, done, timeout, interval=0.005):
        """Screenshots back to back, labelled by classify(shot), grouped into
        Phases, until done(phases) is true; returns the phases.

        Raises AssertionError after timeout seconds or if the game ends."""
        phases = []
        previous_start = None
        deadline = time.monotonic() + timeout
        while True:
            if not self.alive():
                raise AssertionError("the game ended (status %s) during %s; phases so far: %r\n%s"
                                     % (self.returncode, self.name, phases, _tail(self.log_path)))
            shot = self.screenshot()
            add_shot(phases, classify(shot), shot, previous_start)
            previous_start = shot.t_start
            if done(phases):
                return phases
            if time.monotonic() > deadline:
                raise AssertionError("timed out after %.0f s; phases: %r" % (timeout, phases))
            time.sleep(interval)

    # input

    def xdotool(self, *args):
        subprocess.run(["xdotool"] + list(args), env=self.x.env(), check=True, timeout=30,
                       stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)

    def key(self, name, hold_ms=80):
        """Presses and releases an X key (xdotool names: Return, Escape, Up,
        space, p, 2...). The game polls keys, so a key is held for hold_ms."""
        self.xdotool("keydown", name, "sleep", "%.3f" % (hold_ms / 1000), "keyup", name)

    def keydown(self, name):
        self.xdotool("keydown", name)

    def keyup(self, name):
        self.xdotool("keyup", name)

    def keys(self, *names, hold_ms=80, gap_ms=150):
        """Several keys one after another, with gap_ms between them."""
        for i, name in enumerate(names):
            if i:
                time.sleep(gap_ms / 1000)
            self.key(name, hold_ms)

    def type_text(self, text, hold_ms=80):
        """Types text, each key held for hold_ms."""
        self.xdotool("type", "--delay", str(2 * hold_ms), "--", text)

    # The game polls key states, which change only when it yields to event
    # processing. A game that is busy (or starved of the CPU) for longer
    # than a short tap takes the press and the release in one go and never
    # sees the key held. So a key that must act is either held until its
    # effect shows, or tapped again when nothing happened.

    def press_until(self, name, predicate, timeout=20.0, what=None, allow_exit=False):
        """Holds a key down until predicate() is true, then releases it;
        returns predicate's value. For keys that lead to another screen,
        where a repeat does no harm."""
        self.keydown(name)
        try:
            return self.wait_until(predicate, timeout, what=what or "the game to act on %s" % name,
                                   allow_exit=allow_exit)
        finally:
            self.keyup(name)

    def tap_until(self, name, predicate, timeout=20.0, retry_s=3.0, what=None, hold_ms=80, unchanged=None):
        """Taps a key and waits for predicate(); taps again every retry_s
        seconds while it stays false (a tap the game missed). For keys that
        must act exactly once, such as a step through a menu. With
        unchanged, a callable telling whether the screen still shows the
        state before the tap, it taps again only then and fails at once on
        any other state (a double step, say)."""
        what = what or "the game to act on %s" % name
        deadline = time.monotonic() + timeout
        while True:
            self.key(name, hold_ms)
            try:
                return self.wait_until(predicate, max(0.2, min(retry_s, deadline - time.monotonic())), what=what)
            except AssertionError:
                if not self.alive() or time.monotonic() >= deadline:
                    raise
                if unchanged is not None and not unchanged():
                    raise AssertionError("after %s the game shows neither the state before it nor %s" % (name, what))
                print("note: %s had no effect within %.1f s; pressing it again" % (name, retry_s))

    def shot_check(self, test):
        """A predicate that screenshots and applies test, and the list that
        keeps the shot that passed."""
        found = []

        def check():
            shot = self.screenshot()
            if test(shot):
                found.append(shot)
                return True
            return False

        return check, found

    def wait_shot(self, test, timeout, what="the picture", interval=0.02):
        """Screenshots until test(shot) is true; returns that shot."""
        check, found = self.shot_check(test)
        self.wait_until(check, timeout, interval, what)
        return found[0]

    # files

    @property
    def data_dir(self):
        """The game's own folder under XDG_DATA_HOME."""
        return os.path.join(self.data_home, "zintari")


# --- running the tests -------------------------------------------------------

def _raise_exit(signum, _frame):
    raise SystemExit(128 + signum)


def main():
    """Runs the calling script's unittest cases with <exe> <build> from argv;
    further arguments go to unittest (e.g. -k name)."""
    global EXE, BUILD
    if len(sys.argv) < 3:
        print("usage: %s <path to zintari> <build folder> [unittest options]" % sys.argv[0], file=sys.stderr)
        sys.exit(2)
    EXE, BUILD = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    if not os.access(EXE, os.X_OK):
        print("not an executable: %s" % EXE, file=sys.stderr)
        sys.exit(2)
    for sig in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
        signal.signal(sig, _raise_exit)
    for tool in ("Xvfb", "openbox", "xdotool"):
        if shutil.which(tool) is None:
            print("missing %s: run scripts/setup.sh" % tool, file=sys.stderr)
            sys.exit(1)
    unittest.main(module="__main__", argv=[sys.argv[0]] + sys.argv[3:], verbosity=2)
