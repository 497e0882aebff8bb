"""The screens around the game, walked with the keys a player presses: the
main menu, the options (a change saved by Esc), quick help, best players,
level select, and Exit."""
import os
import time
import unittest

import gamefiles
import harness
import screens
from screens import STEP_S

# Names that grow and scores that shrink by one character a row, so that the
# order on the screen shows in the widths of the texts.
SCORES = [("I" * (i + 1) + "x", 10 ** (9 - i)) for i in range(10)]


def green_columns(shot, rect):
    return sorted({x for x, _y, p in screens.pixels(shot, rect) if screens.is_green_text(p)})


def help_items(folder):
    """The twenty items of the quick-help file (each a quoted line)."""
    text = gamefiles.read_plain(os.path.join(folder, "qhelp.znd"))
    return [line.strip().strip('"') for line in text.split("\r\n") if line.strip()]


class Menus(unittest.TestCase):
    def test_menu_chain(self):
        with screens.new_game("menus", scores=SCORES) as game:
            s = screens.Screens(self, game)
            font = s.font
            s.wait_for_menu()
            menu = s.menu_shot
            game.save(menu, "menu")
            # One walk: each stop starts where the last one ended.
            self.main_menu(s, game, font, menu)
            self.options(s, game, font)
            self.quick_help(s, game, font)
            self.best_players(s, game, font)
            self.level_select(s, game, font)
            s.go_to_entry(5, "Up")  # Up from New Game wraps round to Exit
            game.press_until("Return", lambda: not game.alive(), STEP_S, "the game to end on Exit", allow_exit=True)
            self.assertIsNotNone(game.wait_exit(10), "the game still runs after Exit")
            self.assertEqual(game.returncode, 0, "exit status after Exit")

    def main_menu(self, s, game, font, menu):
        font.check(self, menu, "MAIN MENU", 260, 120, "menu title")
        for i, text in enumerate(screens.MENU_ENTRIES):
            font.check(self, menu, text, 260, 160 + 40 * i, "menu entry")
        # Down moves the marker off "New Game": only the two 20x20 marker
        # squares left of the texts change.
        went = s.step_marker("Down")
        moved = game.screenshot()
        diff = screens.changed(menu, moved, (0, 0, 640, 480))
        for choice in (1, went):
            rect = screens.marker_rect(choice)
            part = [p for p in diff if rect[1] - 10 <= p[1] < rect[3] + 10]
            self.assertTrue(self.fills(screens.bbox(part), rect), "the change at entry %d, %r, is not the marker "
                            "square %r" % (choice, screens.bbox(part), rect))
        self.assertEqual(len(diff), len([p for p in diff if any(
            screens.marker_rect(c)[1] <= p[1] < screens.marker_rect(c)[3] for c in (1, went))]),
            "more than the marker changed")
        # Up goes back; from the first entry Up wraps round to Exit, and from
        # Exit Down wraps round to New Game.
        s.go_to_entry(1, "Up")
        # (Two entries, to Best Players, when the key's release came late.)
        self.assertIn(s.step_marker("Up"), (5, 4), "Up on New Game did not wrap round to Exit")
        s.go_to_entry(1, "Down")

    @staticmethod
    def fills(box, rect):
        """Whether box lies inside rect and spans most of it."""
        return (box is not None and box[0] >= rect[0] and box[1] >= rect[1] and box[2] <= rect[2]
                and box[3] <= rect[3] and box[2] - box[0] >= 14 and box[3] - box[1] >= 14)

    def options(self, s, game, font):
        path = os.path.join(game.data_dir, "prefs.znd")
        before = gamefiles.read_plain(path)
        s.choose_menu_entry(2, s.is_options, "the options screen")
        time.sleep(0.2)
        options = game.screenshot()
        game.save(options, "options")
        texts = ["Music on", "Sound FX on", "Difficulty Medium", "Rotation:Color"]
        for i, text in enumerate(texts):  # the Enter that chose Options changed nothing
            font.check(self, options, text, 260, 200 + 40 * i, "options entry")

        def go(entry):
            s.go_to_entry(entry, reference=options, first_top=200, entries=4)

        def change(y, values, wanted):
            """Taps Enter on a setting until it shows `wanted` and keeps it
            (a tap whose release comes late on a loaded machine counts
            twice); it must show one of values all the while."""
            for _ in range(3 * len(values)):
                shot = game.screenshot()
                now = [v for v in values if font.shown(shot, v, 260, y)]
                self.assertEqual(len(now), 1, "the setting at y %d shows none of %r" % (y, values))
                if now[0] == wanted:
                    time.sleep(0.4)
                    if font.shown(game.screenshot(), wanted, 260, y):
                        return
                    continue
                game.tap_until("Return", lambda: not font.shown(game.screenshot(), now[0], 260, y), STEP_S,
                               what="%r to change on Enter" % now[0])
            self.fail("%r never showed" % wanted)

        go(3)
        change(280, ["Difficulty Easy", "Difficulty Medium", "Difficulty Hard"], "Difficulty Hard")
        go(4)
        change(320, ["Rotation:Color", "Rotation:Block"], "Rotation:Block")
        go(1)  # Down from Rotation wraps round to Music
        shot = game.screenshot()
        for text, y in (("Music on", 200), ("Sound FX on", 240), ("Difficulty Hard", 280), ("Rotation:Block", 320)):
            font.check(self, shot, text, 260, y, "options before Esc")
        self.assertEqual(gamefiles.read_plain(path), before, "the preferences were written before Esc")
        game.press_until("Escape", lambda: s.is_main_menu(game.screenshot()), STEP_S, "the main menu after Esc")
        s.check_back_at_menu("after the options")
        self.assertEqual(gamefiles.read_plain(path), gamefiles.prefs_text(difficulty=3, rotation=1),
                         "the preferences saved by Esc")

    def quick_help(self, s, game, font):
        s.choose_menu_entry(3, lambda shot: font.shown(shot, "ZINTARI QUICK HELP", None, 20), "the quick help")
        first = game.screenshot()
        # The pianist plays: his picture changes every 70 ms.
        pianist = (256, 50, 384, 160)
        game.wait_until(lambda: screens.changed(first, game.screenshot(), pianist), STEP_S,
                        what="the pianist to move")
        shot = game.screenshot()
        game.save(shot, "quick-help")
        items = help_items(screens.game_folder())
        self.assertEqual(len(items), 20, "the shipped help text")
        per_char = {}
        for i, item in enumerate(items):
            top = 160 + 15 * i
            cols = green_columns(shot, (0, top, 640, top + 14))
            if not item:
                self.assertEqual(cols, [], "help line %d should be empty" % (i + 1))
                continue
            self.assertTrue(cols, "help line %d (%r) is not drawn in green" % (i + 1, item))
            self.assertTrue(15 <= cols[0] <= 19, "help line %d starts at x %d, not 15" % (i + 1, cols[0]))
            per_char[i] = (cols[-1] - cols[0] + 1) / len(item)
        # Each line as long as its own item: the width a character takes
        # varies little from line to line (a line showing another item's
        # text would stand out).
        typical = sorted(per_char.values())[len(per_char) // 2]
        for i, ratio in per_char.items():
            self.assertLess(abs(ratio / typical - 1), 0.12, "help line %d is not as long as %r" % (i + 1, items[i]))
        self.assertEqual(green_columns(shot, (0, 0, 640, 158)), [], "green text above the help lines")
        self.assertEqual(green_columns(shot, (0, 461, 640, 480)), [], "green text below the help lines")
        game.press_until("Escape", lambda: s.is_main_menu(game.screenshot()), STEP_S, "the main menu after Esc")
        s.check_back_at_menu("after the quick help")

    def best_players(self, s, game, font):
        title = "BEST PLAYERS (Esc=Main Menu)"
        s.choose_menu_entry(4, lambda shot: font.shown(shot, title, None, 25), "the best players")
        first = game.screenshot()
        band = (0, 60, 640, 420)
        game.wait_until(lambda: screens.changed(first, game.screenshot(), (0, 60, 640, 62)), STEP_S,
                        what="the background band to scroll")
        shot = game.screenshot()
        game.save(shot, "best-players")
        names, scores = [], []
        for i in range(10):
            top = 129 + 20 * i
            name = green_columns(shot, (160, top, 385, top + 14))
            score = green_columns(shot, (385, top, 640, top + 14))
            self.assertTrue(name and score, "best players row %d is missing its name or score" % (i + 1))
            self.assertTrue(168 <= name[0] <= 172 and 388 <= score[0] <= 392,
                            "row %d: name from x %d, score from x %d" % (i + 1, name[0], score[0]))
            names.append(name[-1] - name[0])
            scores.append(score[-1] - score[0])
        # As in the file: each name one letter longer, each score one digit shorter.
        self.assertEqual(names, sorted(set(names)), "name widths by row %r: not the file's order" % names)
        self.assertEqual(scores, sorted(set(scores), reverse=True), "score widths by row %r" % scores)
        self.assertEqual(green_columns(shot, (160, 329, 640, 365)), [], "an eleventh row")
        self.assertTrue(screens.changed(first, shot, band), "the band does not scroll")
        game.press_until("Escape", lambda: s.is_main_menu(game.screenshot()), STEP_S, "the main menu after Esc")
        s.check_back_at_menu("after the best players")

    def level_select(self, s, game, font):
        shot = s.open_level_select()
        time.sleep(0.3)
        shot = game.screenshot()
        game.save(shot, "level-select")
        font.check(self, shot, "Level 1 " + s.levels.levels[0].title, None, 65, "chosen level")
        font.check(self, shot, "Top Score : %d" % SCORES[0][1], None, 410, "best score")

        def cell(n):
            c, r = (n - 1) % 6 + 1, (n - 1) // 6 + 1
            return (45 * c + 141, 50 * r + 70, 45 * c + 186, 50 * r + 120)

        # Only level 1 is open: the other 29 carry the same mask picture.
        mask = screens.crop(shot, cell(2))
        for n in range(3, 31):
            same = sum(a == b for a, b in zip(mask, screens.crop(shot, cell(n))))
            self.assertGreater(same, 0.6 * len(mask), "level %d does not look masked like level 2" % n)
        same = sum(a == b for a, b in zip(mask, screens.crop(shot, cell(1))))
        self.assertLess(same, 0.3 * len(mask), "level 1 looks masked")
        # Right and Down lead nowhere while only level 1 is open.
        for key in ("Right", "Down"):
            game.keydown(key)
            time.sleep(0.4)
            game.keyup(key)
            time.sleep(0.3)
            self.assertEqual(game.screenshot().rgb, shot.rgb, "%s moved the frame off level 1" % key)
        game.press_until("Escape", lambda: s.is_main_menu(game.screenshot()), STEP_S, "the main menu after Esc")
        s.check_back_at_menu("after the level select")


if __name__ == "__main__":
    harness.main()
