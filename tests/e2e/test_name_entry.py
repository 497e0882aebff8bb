"""From a finished level to the best players: level complete, Enter to the
next level, game over there with a score that beats the tenth best, a name
typed with real keys; the name shows on the best players screen and in the
saved table."""
import os
import unittest

import gamefiles
import harness
import screens
from screens import STEP_S

TABLE = [("Mirela Voss", 100), ("Tobin Hale", 90), ("Ines Arkady", 80), ("Quill", 70), ("Oskar Brandt", 60),
         ("Nadia Fern", 50), ("Pip", 40), ("Lorcan Moss", 30), ("Sable", 20), ("Emery Finch", 10)]
NAME = "Ada Quist"
SCORE = 50  # one run of three: the level's only line, with no bonus
# A new score equal to an old one is listed above it; the tenth drops out.
EXPECTED = TABLE[:5] + [(NAME, SCORE)] + TABLE[5:9]

FIELD = (16, 60, 226, 77)  # the name box
FIELD_TEXT = (19, 62)  # where its text starts
LETTERS = "LEVEL CLEAR!"


def dark(rgb):
    return max(rgb) < 128


def best_row(shot, i):
    """The green masks of a best players row's name and score, each
    relative to where its text starts."""
    top = 129 + 20 * i
    return (screens.mask(shot, (169, top, 385, top + 15), screens.is_green_text),
            screens.mask(shot, (389, top, 640, top + 15), screens.is_green_text))


def field_text(shot):
    """The dark pixels of the name box's text, relative to where it starts,
    without the caret (a vertical line right of the text)."""
    m = screens.mask(shot, (FIELD_TEXT[0], FIELD_TEXT[1], FIELD[2] - 1, FIELD[3] - 1), dark)
    if m:
        right = max(x for x, _y in m)
        if sum(1 for x, _y in m if x == right) >= 9:
            m = {(x, y) for x, y in m if x != right}
    return m


class NameEntry(unittest.TestCase):
    def test_level_complete_game_over_name_entry(self):
        with gamefiles.ScratchGame(screens.game_folder()) as folder:
            # Level 1: wild bars, one run of three finishes it. Level 2: stones.
            folder.set_level(1, kind=1, colour_limit=0, stone_limit=0, speed=60, min_blocks=3, quota=1, fill=99,
                             title="One Line")
            folder.set_level(2, kind=1, colour_limit=0, stone_limit=101, speed=60, min_blocks=3, quota=5,
                             fill=99, title="Stone Wall")
            with screens.new_game("name-entry", folder=folder.folder, scores=TABLE) as game:
                self.walk(screens.Screens(self, game), game)

    def walk(self, s, game):
        font = s.font
        s.wait_for_menu()
        prefs = os.path.join(game.data_dir, "prefs.znd")
        self.assertEqual(gamefiles.read_plain(prefs), gamefiles.prefs_text(), "the seeded preferences")

        # The best players as they were, for comparison afterwards.
        title = "BEST PLAYERS (Esc=Main Menu)"
        s.choose_menu_entry(4, lambda shot: font.shown(shot, title, None, 25), "the best players")
        old_rows = [best_row(game.screenshot(), i) for i in range(10)]
        game.press_until("Escape", lambda: s.is_main_menu(game.screenshot()), STEP_S, "the main menu")

        s.open_level_select()
        s.start_selected_level(1)
        s.skip_intro(1)
        s.hold_until("space", lambda shot: font.shown(shot, "Lines left : 0", 20, 110), "the level's only line")

        # The level complete screen in the well: the bobbing letters, then
        # the lines, score, bonus and total.
        done = game.wait_shot(lambda shot: font.shown(shot, "Enter=Next level", 210, 330), STEP_S,
                              "the level complete texts")
        game.save(done, "level-complete")
        for text, y in (("Lines : 1", 150), ("Score : %d" % SCORE, 180), ("Bonus : 0", 210),
                        ("Total : %d" % SCORE, 240), ("Top score : %d" % TABLE[0][1], 270),
                        ("Level auto-saved", 300), ("Well done !", 360)):
            font.check(self, done, text, 210, y, "level complete")
        for i, letter in enumerate(LETTERS):
            if letter != " ":
                self.assertTrue(any(font.shown(done, letter, 205 + 20 * i, y) for y in range(89, 102)),
                                "letter %d (%r) is not at x %d, y 90 to 100" % (i, letter, 205 + 20 * i))
        # "Level auto-saved" is true by now: level 2 is open on disk.
        self.assertEqual(gamefiles.read_plain(prefs), gamefiles.prefs_text(unlocked=2), "level 2 not saved")

        # Enter: level 2 begins.
        game.press_until("Return", lambda: s.is_intro(game.screenshot(), 2), STEP_S, "the intro of level 2")
        s.skip_intro(2)
        font.check(self, game.screenshot(), "Score : %d" % SCORE, 20, 230, "the score carried over")
        s.hold_until("space", screens.is_game_over, "the game over")
        screens.watch_skull(game)

        # Escape at rest: 50 beats the tenth best (10), so name entry.
        def name_entry(shot):
            white = screens.count(shot, FIELD, lambda p: min(p) >= 245)
            return white > 0.8 * (FIELD[2] - FIELD[0]) * (FIELD[3] - FIELD[1])

        s.hold_until("Escape", name_entry, "the name entry")
        # Two green lines above the box: the score, and the invitation.
        entry = game.wait_shot(lambda shot: all(screens.count(shot, (16, y, 320, y + 13), screens.is_green_text) > 30
                                                for y in (15, 35)), STEP_S, "the two lines above the name box")
        game.save(entry, "name-entry")
        self.assertEqual(field_text(entry), set(), "the name box is not empty")
        # Each typed letter shows in the box: its text grows to the right.
        right = -1

        def grown():
            m = field_text(game.screenshot())
            now = max(x for x, _y in m) if m else -1
            return now if now > right else None

        for i, char in enumerate(NAME):
            game.type_text(char)
            if char != " ":
                right = game.wait_until(grown, STEP_S, what="%r to show in the name box" % NAME[:i + 1])
        typed = game.screenshot()
        game.save(typed, "name-typed")
        name_mask = field_text(typed)

        # Enter: the best players, with the new name in sixth place.
        shot = s.hold_until("Return", lambda sh: font.shown(sh, title, None, 25), "the best players after the name")
        game.save(shot, "best-players-new")
        new_rows = [best_row(shot, i) for i in range(10)]
        for i in range(10):
            old = i if i < 5 else i - 1
            if i == 5:
                self.assertGreater(screens.overlap(new_rows[5][0], name_mask), 0.6,
                                   "row 6 does not show the typed name")
                self.assertGreater(screens.overlap(new_rows[5][1], old_rows[5][1]), 0.8,
                                   "row 6 does not show the score %d" % SCORE)
                continue
            for part, what in ((0, "name"), (1, "score")):
                self.assertGreater(screens.overlap(new_rows[i][part], old_rows[old][part]), 0.8,
                                   "row %d does not show the %s of old row %d" % (i + 1, what, old + 1))
        saved = gamefiles.read_plain(os.path.join(game.data_dir, "scores.znd"))
        self.assertEqual(saved, gamefiles.scores_text(EXPECTED), "the saved best players")
        game.press_until("Escape", lambda: s.is_main_menu(game.screenshot()), STEP_S, "the main menu")
        s.check_back_at_menu("after the best players")


if __name__ == "__main__":
    harness.main()
