"""The end of the game by a short way: level 30 made trivial, chosen on the
level select with 30 levels open, finished with one bar; the score beats
the tenth best, so name entry comes first and then the finale; Escape
closes it, the closing message shows, then the main menu."""
import os
import unittest

import gamefiles
import harness
import screens
from screens import STEP_S

TABLE = [("Mirela Voss", 100), ("Tobin Hale", 90), ("Ines Arkady", 80), ("Quill", 70), ("Oskar Brandt", 60),
         ("Nadia Fern", 40), ("Pip", 35), ("Lorcan Moss", 30), ("Sable", 20), ("Emery Finch", 10)]
NAME = "Finn Reyes"
SCORE = 50
PICTURE = (248, 169, 390, 313)  # the finale picture, framed in green two pixels outside


class Finale(unittest.TestCase):
    def test_level_thirty_to_the_finale(self):
        with gamefiles.ScratchGame(screens.game_folder()) as folder:
            folder.set_level(30, kind=1, colour_limit=0, stone_limit=0, speed=60, min_blocks=3, quota=1, fill=99)
            with screens.new_game("finale", folder=folder.folder, prefs={"unlocked": 30}, scores=TABLE) as game:
                self.walk(screens.Screens(self, game), game)

    def walk(self, s, game):
        font = s.font
        s.wait_for_menu()
        first = s.open_level_select()

        def title(n):
            return "Level %d %s" % (n, s.levels.levels[n - 1].title)

        # Right runs along the top row to level 6 and stops; Down runs down
        # the last column to level 30 and stops.
        s.hold_until("Right", lambda shot: font.shown(shot, title(6), None, 65), "level 6 chosen")
        chosen = s.hold_until("Down", lambda shot: font.shown(shot, title(30), None, 65), "level 30 chosen")
        game.save(chosen, "level-30-chosen")
        frame = (45 * 5 + 186, 50 * 4 + 119, 45 * 5 + 231, 50 * 4 + 169)
        self.assertTrue(screens.changed(first, chosen, frame), "no frame around level 30")
        self.assertTrue(screens.changed(first, chosen, (186, 119, 231, 169)), "the frame stayed on level 1")

        s.start_selected_level(30)
        s.skip_intro(30)
        s.hold_until("space", lambda shot: font.shown(shot, "Lines left : 0", 20, 110), "the level's only line")
        done = game.wait_shot(lambda shot: font.shown(shot, "Enter=Next level", 210, 330), STEP_S,
                              "the level complete texts")
        font.check(self, done, "Total : %d" % SCORE, 210, 240, "level complete")

        # Enter after the thirtieth level: the score beats the tenth best.
        field = (16, 60, 226, 77)
        game.press_until("Return", lambda: screens.count(game.screenshot(), field, lambda p: min(p) >= 245) > 2500,
                         STEP_S, "the name entry")
        game.type_text(NAME)
        game.wait_until(lambda: screens.count(game.screenshot(), (19, 62, 225, 76), lambda p: max(p) < 128) > 60,
                        STEP_S, what="the name in the box")

        # Enter: the finale, not the best players.
        s.hold_until("Return", lambda sh: font.shown(sh, "CONGRATULATIONS!", 10, 10), "the finale after the name")
        thanks = "Thank you for playing Zintari!"
        shot = game.wait_shot(lambda sh: font.shown(sh, thanks, 630 - font.width(thanks), 455), STEP_S,
                              "the thanks in the bottom right corner")
        game.save(shot, "finale")
        left, top, right, bottom = PICTURE
        box = [(x, top - 2) for x in range(left - 2, right + 2)] + [(left - 2, y) for y in range(top - 2, bottom + 2)]
        greens = sum(1 for p in box if screens.is_green_text(shot.game_pixel(*p)))
        self.assertGreater(greens, 0.9 * len(box), "no green frame around the finale picture")
        self.assertGreater(screens.count(shot, (234, 320, 400, 334), screens.is_green_text), 30,
                           "no green caption under the picture")
        # Stars: small coloured boxes over black, drifting left.
        sky = (0, 40, 640, 160)
        stars = screens.count(shot, sky, lambda p: not screens.is_black(p))
        self.assertGreater(stars, 50, "no stars above the picture")
        later = game.wait_shot(lambda sh: screens.changed(shot, sh, sky), STEP_S, "the stars to move")
        self.assertTrue(font.shown(later, "CONGRATULATIONS!", 10, 10), "the title went away")
        saved = gamefiles.parse_scores(gamefiles.read_plain(os.path.join(game.data_dir, "scores.znd")))
        self.assertEqual(saved, TABLE[:5] + [(NAME, SCORE)] + TABLE[5:9], "the saved best players")
        self.assertEqual(gamefiles.read_plain(os.path.join(game.data_dir, "prefs.znd")),
                         gamefiles.prefs_text(unlocked=30), "levels unlocked after the last level")

        # Escape: the curtain, the closing message, then the main menu.
        message = "More to come...very soon."
        shot = s.hold_until("Escape", lambda sh: font.shown(sh, message, None, 230), "the closing message")
        game.save(shot, "closing-message")
        self.assertIsNone(screens.bbox((x, y) for x, y, p in screens.pixels(shot, (0, 0, 640, 229))
                                       if not screens.is_black(p)), "more than the message on the screen")
        s.check_back_at_menu("after the finale")


if __name__ == "__main__":
    harness.main()
