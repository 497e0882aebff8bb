"""A power fired from the keyboard: a level of wild bars fills the meter
with one run, key 2 pays for a Sweep, its name shows below the well and the
two bottom rows are swept."""
import unittest

import gamefiles
import harness
import screens
from screens import STEP_S


def green(rgb):
    return rgb[1] >= 240 and rgb[0] < 40 and rgb[2] < 40


def red(rgb):
    return rgb[0] >= 240 and rgb[1] < 40 and rgb[2] < 40


class Power(unittest.TestCase):
    def test_sweep_from_the_keyboard(self):
        with gamefiles.ScratchGame(screens.game_folder()) as folder:
            # Every ball wild, bars of three, runs of four: two bars dropped
            # into one column make a run of six, which clears as three
            # overlapping runs of four (150 points) and lights two meter cells.
            folder.set_level(1, kind=1, colour_limit=0, stone_limit=0, speed=60, min_blocks=4, quota=99,
                             fill=99, title="Wild Bars")
            with screens.new_game("power", folder=folder.folder) as game:
                self.play(screens.Screens(self, game), game)

    def play(self, s, game):
        font = s.font
        s.wait_for_menu()
        s.open_level_select()
        s.start_selected_level(1)
        s.skip_intro(1)

        def stack(shot):
            return screens.column_stack(screens.well_cells(shot), 5)

        # Down drops each bar at 50 ms a row.
        s.hold_until("Down", lambda shot: stack(shot) == 3, "the first bar to land")
        strip_texts = set()

        def cleared(shot):
            if font.shown(shot, "+150", 200, 447):
                strip_texts.add("+150")
            return screens.meter_cells(shot) == 2 and stack(shot) == 0

        shot = s.hold_until("Down", cleared, "the run of six to clear and light two meter cells")
        self.assertEqual(strip_texts, {"+150"}, "the points of the clearing were not shown below the well")
        shot = game.wait_shot(lambda shot: font.shown(shot, "Score : 150", 20, 230), STEP_S, "the new score")
        game.save(shot, "meter")
        for text, y in (("Lines left : 98", 110), ("Horizontals : 0", 150), ("Verticals : 1", 170),
                        ("Diagonals : 0", 190)):
            font.check(self, shot, text, 20, y, "status panel after the run")
        self.assertTrue(green(shot.game_pixel(20, 314)), "(2) Sweep is not framed green with two meter cells")
        self.assertTrue(red(shot.game_pixel(20, 334)), "(3) Rain is framed green with two meter cells")

        # A third bar on the floor (it has landed once the next piece
        # shows); then Sweep while the fourth falls.
        s.hold_until("Down", lambda shot: stack(shot) == 3, "the third bar to reach the floor")
        before = game.wait_shot(lambda shot: any(r < 13 for _c, r in screens.well_cells(shot)), STEP_S,
                                "the fourth piece")
        self.assertEqual(stack(before), 3, "the third bar did not stay on the floor")
        self.assertFalse(font.shown(before, "+150", 200, 447), "the points still show below the well")
        self.assertEqual(screens.meter_cells(before), 2, "the meter changed")

        def sweep_shown():
            shot = game.screenshot()
            return font.shown(shot, "Sweep", 200, 447) and shot

        fired = game.press_until("2", sweep_shown, STEP_S, "Sweep below the well")
        game.save(fired, "sweep")
        # The falling piece is gone; the bar stays until the brooms have passed.
        self.assertEqual({cell for cell in screens.well_cells(fired) if cell[1] < 14}, {(5, 13)},
                         "the well when the Sweep fired")
        # The brooms cross the two bottom rows, then the rows are emptied:
        # the bar's top ball falls to the floor.
        swept = set()

        def done():
            shot = game.screenshot()
            cells = screens.well_cells(shot)
            swept.update((c, r) for r in (14, 15) for c in range(10) if c != 5 and screens.cell_ink(shot, c, r) >= 20)
            bottom = {cell for cell in cells if cell[1] >= 10}
            return swept and bottom == {(5, 15)} and screens.meter_cells(shot) == 0 and shot

        after = game.wait_until(done, 30, 0.01, "the swept well: one ball on the floor of column 5")
        game.save(after, "swept")
        self.assertGreaterEqual(len(swept), 4, "hardly any broom seen on the bottom rows: %r" % sorted(swept))
        font.check(self, after, "Score : 150", 20, 230, "the Sweep scores nothing")
        self.assertTrue(red(after.game_pixel(20, 314)), "(2) Sweep still framed green with the meter spent")
        # A new piece comes.
        game.wait_until(lambda: any(r < 10 for _c, r in screens.well_cells(game.screenshot())), STEP_S,
                        what="a new piece after the Sweep")


if __name__ == "__main__":
    harness.main()
