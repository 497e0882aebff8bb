"""What the game's screens look like, and the walks between them with the
keys a player presses.

Pictures are judged against what the game itself draws: a text by
rendering it as the game does, from the glyph table of its letters-and-
levels file and the font sheet carried in its executable, pixel for pixel;
the menu marker and the level-select frame by the difference they make to
the same screen without them; the well cell by cell.

Everything takes game coordinates (the 640x480 picture); the tests run on a
640x480 X screen, where they are also screen coordinates."""
import os
import time

import gamefiles
import harness

CELL = 24
COLUMNS, ROWS = 10, 16
GLYPH_H = 19
GREY = (131, 129, 131)  # red, green and blue 128 after the 5-6-5 screen format

SCREEN = (640, 480)  # one screen pixel per game pixel

# Generous limits: a loaded two-core machine runs the game and the X server
# slowly, and a screen change may take seconds to show.
STEP_S = 20.0
# How long to watch a setting or a marker after a key has acted, for a
# second step caused by a key release that came late.
SETTLE_S = 0.3
INTRO_TEXT_S = 4.8  # how long a level's intro shows its text by itself


# --- pixels ----------------------------------------------------------------

def is_black(rgb):
    return rgb == (0, 0, 0)


def is_green_text(rgb):
    """The green of the surface's own text (0, 190, 0) or (0, 255, 0), also
    blended at its edges."""
    r, g, b = rgb
    return g >= 120 and g - max(r, b) >= 70


def pixels(shot, rect):
    """(x, y, rgb) for every game pixel of rect."""
    left, top, right, bottom = rect
    if (shot.width, shot.height) == SCREEN:  # one screen pixel per game pixel
        for y in range(top, bottom):
            row = shot.row(y, left, right)
            for i in range(right - left):
                yield left + i, y, tuple(row[3 * i:3 * i + 3])
        return
    for y in range(top, bottom):
        for x in range(left, right):
            yield x, y, shot.game_pixel(x, y)


def count(shot, rect, test):
    return sum(1 for _x, _y, p in pixels(shot, rect) if test(p))


def bbox(points):
    """(left, top, right, bottom) of (x, y) points, right and bottom exclusive; None when empty."""
    points = list(points)
    if not points:
        return None
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return min(xs), min(ys), max(xs) + 1, max(ys) + 1


def crop(shot, rect):
    """The pixels of a game rectangle as a tuple, for comparisons."""
    return tuple(p for _x, _y, p in pixels(shot, rect))


def changed(a, b, rect):
    """Game pixels of rect that differ between two shots."""
    return [(x, y) for (x, y, p) in pixels(a, rect) if b.game_pixel(x, y) != p]


def mask(shot, rect, test):
    """The set of (x - left, y - top) in rect whose pixel passes test."""
    return {(x - rect[0], y - rect[1]) for x, y, p in pixels(shot, rect) if test(p)}


def overlap(a, b):
    """Intersection over union of two pixel sets (1.0 for two empty ones)."""
    if not a and not b:
        return 1.0
    return len(a & b) / len(a | b)


# --- text in the bitmap font ---------------------------------------------------------

def to_screen_colour(rgb):
    """A colour as the screen shows it after the game's 5-6-5 pixels."""
    r, g, b = rgb
    return ((r >> 3) * 255 // 31, (g >> 2) * 255 // 63, (b >> 3) * 255 // 31)


class Font:
    """The bitmap font: the glyph table of the letters-and-levels file and
    the font sheet carried in the game's executable. A text is judged by
    rendering it as the game does: each glyph's rectangle of the sheet
    copied side by side, black transparent."""

    TOLERANCE = 8  # per channel, for the rounding of colour conversions

    def __init__(self, levels_file, sheet):
        self.levels = levels_file
        self.sheet = sheet
        self._glyph_pixels = {}

    def width(self, text):
        return self.levels.width(text)

    def glyph_pixels(self, c):
        """The opaque pixels (dx, dy, rgb) of one character's glyph."""
        if c not in self._glyph_pixels:
            left, top, w = self.levels.glyphs.get(c, (0, 0, 0))
            out = []
            for dy in range(GLYPH_H):
                for dx in range(w):
                    rgb = to_screen_colour(self.sheet.pixel(left + dx, top + dy))
                    if rgb != (0, 0, 0):
                        out.append((dx, dy, rgb))
            self._glyph_pixels[c] = out
        return self._glyph_pixels[c]

    def render(self, text, left, top):
        """The pixels (x, y, rgb) that drawing text at (left, top) sets."""
        out, pen = [], left
        for c in text:
            out.extend((pen + dx, top + dy, rgb) for dx, dy, rgb in self.glyph_pixels(c))
            pen += self.levels.glyphs.get(c, (0, 0, 0))[2]
        return out

    def lefts(self, text, x):
        """The possible left edges: x itself, or for x None the two ways of
        centring on 320 (rounding down, or half to even)."""
        w = self.width(text)
        return [x] if x is not None else sorted({320 - w // 2, 320 - (w + 1) // 2})

    def problem(self, shot, text, x, y, clip=(0, 640)):
        """None when `text` is drawn in the bitmap font with its top at y
        and its left edge at x (x None: centred on 320); else what differs.
        Only the columns clip[0] <= x < clip[1] are looked at."""
        worst = None
        for left in self.lefts(text, x):
            expected = [(px, py, rgb) for px, py, rgb in self.render(text, left, y) if clip[0] <= px < clip[1]]
            if not expected:
                return "%r draws nothing" % text
            bad = [(px, py) for px, py, rgb in expected
                   if max(abs(a - b) for a, b in zip(shot.game_pixel(px, py), rgb)) > self.TOLERANCE]
            if len(bad) <= len(expected) // 100:
                return None
            if worst is None or len(bad) < worst[0]:
                worst = (len(bad), len(expected), left, bad[:3])
        return "%r at (%d, %d): %d of its %d glyph pixels differ, e.g. at %r" % (
            text, worst[2], y, worst[0], worst[1], worst[3])

    def shown(self, shot, text, x, y, clip=(0, 640)):
        return self.problem(shot, text, x, y, clip) is None

    def check(self, test, shot, text, x, y, where="", clip=(0, 640)):
        problem = self.problem(shot, text, x, y, clip)
        test.assertIsNone(problem, "%s%s" % (where + ": " if where else "", problem))


# --- the well ------------------------------------------------------------------

def cell_rect(col, row):
    return (200 + CELL * col, 50 + CELL * row, 224 + CELL * col, 74 + CELL * row)


def cell_filled(shot, col, row):
    """Whether a well cell shows a block: a quarter of its middle 12x12 is
    not black (a darkened block at game over still counts)."""
    left, top, _r, _b = cell_rect(col, row)
    inner = (left + 6, top + 6, left + 18, top + 18)
    return count(shot, inner, lambda p: not is_black(p)) >= 36


def cell_ink(shot, col, row):
    """How many pixels of a well cell are not black."""
    return count(shot, cell_rect(col, row), lambda p: not is_black(p))


def well_cells(shot, rows=range(ROWS), columns=range(COLUMNS)):
    """The set of (column, row) of the well that show a block."""
    return {(c, r) for r in rows for c in columns if cell_filled(shot, c, r)}


def meter_cells(shot):
    """How many cells of the power meter are lit, counted from the bottom
    while they are lit."""
    n = 0
    for i in range(16):
        top = 434 - CELL * (i + 1)
        if count(shot, (466, top + 6, 478, top + 18), lambda p: not is_black(p)) < 72:
            break
        n += 1
    return n


def column_stack(cells, col):
    """How many blocks stand at the bottom of a column, one on another."""
    n = 0
    while (col, ROWS - 1 - n) in cells:
        n += 1
    return n


# --- screens -----------------------------------------------------------------------

MENU_ENTRIES = ["New Game", "Options", "Quick Help", "Best Players", "Exit"]
POWER_LABELS = ["(2) Sweep", "(3) Rain", "(4) Airstone", "(5) HolyCross", "(6) Bomb"]


def marker_rect(choice, first_top=160):
    top = first_top + 40 * (choice - 1)
    return (230, top, 250, top + 20)


class Screens:
    """The screens of one game session, for one test case."""

    def __init__(self, test, game):
        self.test = test
        self.game = game
        self.levels = gamefiles.LevelsFile.load(os.path.dirname(game.exe))
        self.font = Font(self.levels, gamefiles.font_sheet(game.exe, self.levels))
        self.menu_shot = None  # the main menu as first seen, "New Game" chosen
        self.enter_pressed_at = None  # when Enter was pressed to start a level

    # recognisers

    def is_main_menu(self, shot):
        f = self.font
        return (f.shown(shot, "MAIN MENU", 260, 120)
                and all(f.shown(shot, text, 260, 160 + 40 * i) for i, text in enumerate(MENU_ENTRIES)))

    def is_options(self, shot):
        return self.font.shown(shot, "OPTIONS", 260, 160) and not self.font.shown(shot, "MAIN MENU", 260, 120)

    def is_level_select(self, shot):
        return self.font.shown(shot, "SELECT LEVEL", None, 40)

    def is_playing(self, shot, level):
        """The playing screen of a level: its title above the well, the grey
        frames around the well and the meter."""
        frames = all(shot.game_pixel(x, y) == GREY
                     for x, y in ((199, 49), (199, 240), (440, 434), (320, 49), (459, 240), (484, 434)))
        return frames and self.font.shown(shot, self.level_title(level), None, 15)

    def level_title(self, level):
        row = self.levels.levels[level - 1]
        return "Level %d %s" % (row.number, row.title)

    def intro_texts(self, level):
        row = self.levels.levels[level - 1]
        directions = {0: "All directions count.", 1: "Horizontals only!", 2: "Verticals only!",
                      3: "Diagonals only!"}.get(row.directions, "")
        return [("Level %d" % row.number, 210), (row.title, 230), (directions, 250)]

    def is_intro(self, shot, level):
        texts = [(t, y) for t, y in self.intro_texts(level) if t]
        return all(self.font.shown(shot, t, None, y) for t, y in texts)

    # the menu marker

    def marker_choice(self, shot, reference, reference_choice, count_=5, first_top=160):
        """Which entry the marker stands at, judged by the difference from a
        reference picture of the same screen with the marker at
        reference_choice; None when the difference is not one marker's move."""
        moved = [k for k in range(1, count_ + 1)
                 if changed(shot, reference, marker_rect(k, first_top))]
        if not moved:
            return reference_choice
        if len(moved) == 2 and reference_choice in moved:
            return moved[0] if moved[1] == reference_choice else moved[1]
        return None

    # walks

    def wait_for_menu(self, timeout=60):
        """From the start: the credit, then the main menu with "New Game"
        chosen. Keeps the first picture of the menu."""
        shot = self.game.wait_shot(self.is_main_menu, timeout, "the main menu after the start")
        # The menu is drawn whole once; a second look makes sure it is complete.
        time.sleep(0.2)
        self.menu_shot = self.game.screenshot()
        self.test.assertTrue(self.is_main_menu(self.menu_shot), "the main menu changed by itself")
        return shot

    def check_back_at_menu(self, what):
        """Waits for the main menu, which must look exactly as it first did
        (entered afresh: "New Game" chosen)."""
        reference = self.menu_shot.rgb
        self.game.wait_until(lambda: self.game.screenshot().rgb == reference, STEP_S, 0.05,
                             "the main menu, as first seen, %s" % what)

    def step_marker(self, key, reference=None, first_top=160, entries=5):
        """One tap of Up or Down in the main menu, or in the options screen
        given a reference picture of it with the marker at its first entry
        (whose marker square's top is first_top); waits for the marker to
        move and returns the entry it went to.

        A tap is meant to move the marker one entry, but a loaded machine
        may deliver the key's release late, and the game, which repeats a
        held key every 100 ms, then moves it two; so this does not insist."""
        reference = reference or self.menu_shot

        def choice():
            return self.marker_choice(self.game.screenshot(), reference, 1, entries, first_top)

        before = choice()
        self.test.assertIsNotNone(before, "no marker on the menu")
        moved = []

        def went():
            now = choice()
            if now is not None and now != before:
                moved.append(now)
                return True
            return False

        self.game.tap_until(key, went, STEP_S, what="the marker to move from entry %d on %s" % (before, key),
                            unchanged=lambda: choice() == before)
        # A late release shows within the game's 100 ms repeat time.
        time.sleep(SETTLE_S)
        now = choice()
        self.test.assertIsNotNone(now, "the marker vanished after %s" % key)
        return now

    def go_to_entry(self, target, key="Down", reference=None, first_top=160, entries=5):
        """Taps key until the marker stands at entry `target`."""
        for _ in range(3 * entries):
            current = self.marker_choice(self.game.screenshot(), reference or self.menu_shot, 1, entries,
                                         first_top)
            if current == target:
                return
            self.step_marker(key, reference, first_top, entries)
        self.test.fail("the marker never reached entry %d with %s" % (target, key))

    def choose_menu_entry(self, choice, test_next, what):
        """Moves the marker down to `choice` and holds Enter until the next
        screen shows."""
        self.go_to_entry(choice)
        return self.game.press_until("Return", lambda: test_next(self.game.screenshot()), STEP_S, what)

    def open_level_select(self):
        self.choose_menu_entry(1, self.is_level_select, "the level select screen")
        return self.game.screenshot()

    def start_selected_level(self, level):
        """Enter on the level select (the Enter that chose New Game has been
        released), then the level's intro."""
        self.enter_pressed_at = time.monotonic()
        return self.game.press_until("Return", lambda: self.is_intro(self.game.screenshot(), level), STEP_S,
                                     "the intro of level %d" % level)

    def skip_intro(self, level):
        """Escape during the intro; then the playing screen. A tap, so that
        Escape is not still held when the piece control begins (which would
        open the exit confirmation).

        The intro's text stays 4.8 s by itself, counted from a moment after
        Enter was pressed; when it is gone sooner, Escape has cut it short."""
        game = self.game
        tapped_at = time.monotonic()
        game.tap_until("Escape", lambda: not self.is_intro(game.screenshot(), level), STEP_S,
                       what="the intro of level %d to end on Escape" % level)
        gone_at = time.monotonic()
        if tapped_at < self.enter_pressed_at + INTRO_TEXT_S - 1.5:
            self.test.assertLess(gone_at, self.enter_pressed_at + INTRO_TEXT_S,
                                 "the intro's text stayed its full time: Escape did not cut it short")
        else:
            print("note: Escape came too late in the intro to tell a skip from its end")
        return game.wait_shot(lambda s: self.is_playing(s, level), STEP_S, "the playing screen of level %d" % level)

    def hold_until(self, key, test, what, timeout=60):
        """Holds a key until test(shot) is true; returns that shot."""
        check, found = self.game.shot_check(test)
        self.game.press_until(key, check, timeout, what)
        return found[0]


def game_folder():
    """The built game's folder: the executable with its data beside it."""
    return os.path.dirname(harness.EXE)


def new_game(name, folder=None, prefs=None, scores=None, **options):
    """A Game on a 640x480 screen, from the built game's folder or another
    one, with a player's preferences and best players written beforehand
    (prefs: the keyword arguments of gamefiles.prefs_text; scores: ten
    (name, score) pairs). Start it with `with`."""
    exe = os.path.join(folder, "zintari") if folder else None
    game = harness.Game(exe=exe, screen=SCREEN, name=name, **options)
    if prefs is not None:
        gamefiles.write_prefs(game.data_dir, **prefs)
    if scores is not None:
        gamefiles.write_scores(game.data_dir, scores)
    return game


# --- game over ------------------------------------------------------------------

SKULL_X = (272, 368)
SKULL_PEAK_SEEN = 155  # the picture's top at 130 shows its first pixels a dozen rows lower


def darkened(shot, col, row):
    """Whether a well cell shows a block darkened by the game over: black
    lines on its even rows, something on its odd ones."""
    left, top, right, bottom = cell_rect(col, row)
    even = all(count(shot, (left, y, right, y + 1), lambda p: not is_black(p)) == 0
               for y in range(top, bottom) if y % 2 == 0)
    odd = sum(1 for y in range(top, bottom) if y % 2 == 1
              and count(shot, (left, y, right, y + 1), lambda p: not is_black(p)) > 0)
    return even and odd >= 3


def skull_top(shot, column=5):
    """The top of the skull animation's picture: the first row, from y 100
    down, with something drawn in the skull's path beside the column of
    blocks (the well is black there), or None when it is below the well."""
    left, _t, right, _b = cell_rect(column, 0)
    for y in range(100, 434):
        if (count(shot, (SKULL_X[0], y, left, y + 1), lambda p: not is_black(p))
                or count(shot, (right, y, SKULL_X[1], y + 1), lambda p: not is_black(p))):
            return y
    return None


def watch_skull(game, timeout=60, on_rising=None):
    """Follows the skull from below the well up to its peak and down to its
    rest at y 195; calls on_rising() when it first sees it on its way up.
    Returns the picture at rest and what it saw: the highest top ("peak")
    and whether on_rising was called."""
    state = {"peak": None, "rest": None, "called": False}

    def step():
        shot = game.screenshot()
        top = skull_top(shot)
        if top is None:
            return False
        if not state["called"] and on_rising is not None and state["peak"] is None and top > 150:
            state["called"] = True
            on_rising()
            return False
        if state["peak"] is None or top < state["peak"]:
            state["peak"] = top
        # The frames leave a dozen transparent rows above the block.
        if state["peak"] <= SKULL_PEAK_SEEN and 195 <= top <= 225:
            if state["rest"] is not None and time.monotonic() - state["rest"][0] > 0.5:
                return shot
            if state["rest"] is None:
                state["rest"] = (time.monotonic(), top)
        else:
            state["rest"] = None
        return False

    return game.wait_until(step, timeout, 0.02, "the skull to rise to y 130 and come to rest at y 195"), state


def is_game_over(shot, column=5):
    """The well darkened by the game over, seen on the blocks of a column's
    bottom rows (some of them are always clear of the skull)."""
    return any(darkened(shot, column, row) for row in range(11, 16))
