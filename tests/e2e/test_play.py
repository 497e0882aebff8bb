"""A level played from the main menu with real keys: the intro, the playing
screen, a falling piece moved and dropped, pause and resume, and the exit
confirmation answered N (the game goes on) and then Y (back to the menu)."""
import time
import unittest

import harness
import screens
from screens import STEP_S, GREY

# The exit confirmation's hatching: grey lines on every second row from
# y 220 to 256; at x 202 the texts leave them in view from y 242 on.
HATCH = [(202, y) for y in range(242, 257, 2)]
# Rows of the well that the pause text and the confirmation draw over.
OVERLAY_ROWS = range(7, 9)


def piece(shot):
    """The cells of the well showing a block, leaving out the rows that the
    pause text and the confirmation cover."""
    return {cell for cell in screens.well_cells(shot) if cell[1] not in OVERLAY_ROWS}


def lowest(cells):
    return max(r for _c, r in cells)


class Play(unittest.TestCase):
    def test_level_one(self):
        # Easy: the slowest fall, for time to look at the piece on a loaded machine.
        with screens.new_game("play", prefs={"difficulty": 1}) as game:
            s = screens.Screens(self, game)
            level = s.levels.levels[0]
            font = s.font
            s.wait_for_menu()
            s.open_level_select()

            # The intro: number, title and counted directions, centred.
            s.start_selected_level(1)
            intro = game.screenshot()
            game.save(intro, "intro")
            for text, y in s.intro_texts(1):
                font.check(self, intro, text, None, y, "level intro")
            playing = s.skip_intro(1)

            # The playing screen: the panel from the level's row, an empty
            # meter, every power framed red.
            for text, y in (("Lines left : %d" % level.quota, 110), ("Horizontals : 0", 150),
                            ("Verticals : 0", 170), ("Diagonals : 0", 190), ("Score : 0", 230),
                            ("Min blocks : %d" % level.min_blocks, 270)):
                font.check(self, playing, text, 20, y, "status panel")
            for i, label in enumerate(screens.POWER_LABELS):
                # The frame's right side may stand on the label's last column.
                font.check(self, playing, label, 20, 310 + 20 * i, "status panel",
                           clip=(20, 19 + font.width(label)))
                self.assertEqual(playing.game_pixel(20, 314 + 20 * i), (255, 0, 0), "%s not framed red" % label)
            self.assertEqual(screens.meter_cells(playing), 0, "the power meter is not empty")

            # A piece appears above the middle of the well and falls.
            first = game.wait_until(lambda: piece(game.screenshot()), STEP_S, what="a piece in the well")
            self.assertEqual({c for c, _r in first}, {5}, "the new bar is not in column 5: %r" % sorted(first))
            game.wait_until(lambda: lowest(piece(game.screenshot())) > lowest(first), STEP_S,
                            what="the piece to fall a row")
            whole = game.wait_until(lambda: len(piece(game.screenshot())) == 3 and piece(game.screenshot()),
                                    STEP_S, what="the whole bar in the well")
            game.save(game.screenshot(), "falling")
            self.assertEqual(sorted(r for _c, r in whole), list(range(lowest(whole) - 2, lowest(whole) + 1)),
                             "the bar's three cells are not one above the other")

            # Left moves it (one column a tap, two if the key's release
            # comes late on a loaded machine).
            game.tap_until("Left", lambda: max(c for c, _ in piece(game.screenshot())) < 5, STEP_S,
                           what="the piece to move left",
                           unchanged=lambda: {c for c, _ in piece(game.screenshot())} == {5})
            (column,) = {c for c, _ in piece(game.screenshot())}
            self.assertIn(column, (3, 4), "the piece moved too far left")

            # P pauses: "PAUSED" in the well, and nothing falls.
            game.tap_until("p", lambda: font.shown(game.screenshot(), "PAUSED", None, 230), STEP_S,
                           what="PAUSED in the well")
            paused = game.screenshot()
            game.save(paused, "paused")
            time.sleep(1.5)  # more than the level's fall interval
            still = game.screenshot()
            self.assertTrue(font.shown(still, "PAUSED", None, 230), "PAUSED went away by itself")
            self.assertEqual(piece(still), piece(paused), "the piece moved while paused")
            # P again resumes: the text goes and the piece falls on.
            game.tap_until("p", lambda: not font.shown(game.screenshot(), "PAUSED", None, 230), STEP_S,
                           what="PAUSED to go away")
            game.wait_until(lambda: lowest(piece(game.screenshot())) > lowest(piece(still)), STEP_S,
                            what="the piece to fall after the pause")

            # Esc: the confirmation over the well, and the game stands still.
            plain = game.screenshot()
            self.confirm(s, game, font)
            before = piece(game.screenshot())
            time.sleep(1.5)
            frozen = game.screenshot()
            self.assertEqual(piece(frozen), before, "the piece moved behind the exit confirmation")
            # N: the well is redrawn over the dialog and the piece goes on from where it was.
            game.press_until("n", lambda: all(screens.is_black(game.screenshot().game_pixel(*p)) for p in HATCH),
                             STEP_S, "the confirmation to go away on N")
            resumed = game.screenshot()
            after = piece(resumed)
            self.assertEqual({c for c, _ in after}, {column}, "the piece left its column")
            # The first line is wider than the well: beside the well nothing of it stays.
            beside = [(x, y) for y in range(220, 260) for x in list(range(185, 200)) + list(range(440, 455))]
            self.assertEqual([resumed.game_pixel(x, y) for x, y in beside],
                             [plain.game_pixel(x, y) for x, y in beside], "the confirmation left text beside the well")
            self.assertIn(lowest(after) - lowest(before), (0, 1), "the piece jumped: %r -> %r" % (before, after))
            game.wait_until(lambda: lowest(piece(game.screenshot())) > lowest(after), STEP_S,
                            what="the piece to fall after N")

            # Space drops it to the floor; the next piece comes into column 5.
            def landed(shot):
                cells = screens.well_cells(shot)
                return (screens.column_stack(cells, column) == 3
                        or font.shown(shot, "Lines left : %d" % (level.quota - 1), 20, 110))

            shot = s.hold_until("space", landed, "the piece to land (or clear)")
            game.save(shot, "landed")
            if screens.column_stack(screens.well_cells(shot), column) == 3:
                print("the bar landed at the bottom of column %d" % column)
            else:
                print("the bar was three of a colour and cleared")
            game.wait_until(lambda: any(c == 5 for c, r in screens.well_cells(game.screenshot()) if r < 13),
                            STEP_S, what="the next piece in column 5")

            # Esc and Y: back to the main menu, entered afresh.
            self.confirm(s, game, font)
            game.press_until("y", lambda: s.is_main_menu(game.screenshot()), STEP_S, "the main menu on Y")
            s.check_back_at_menu("after leaving the game")

    def confirm(self, s, game, font):
        """Holds Esc until the exit confirmation shows; checks its drawing."""
        def shown(shot):
            return font.shown(shot, "exit to Main Menu? Y/N", None, 240)

        shot = s.hold_until("Escape", shown, "the exit confirmation")
        time.sleep(0.1)
        shot = game.screenshot()
        game.save(shot, "confirm")
        font.check(self, shot, "Are you sure you want to", None, 220, "confirmation")
        font.check(self, shot, "exit to Main Menu? Y/N", None, 240, "confirmation")
        for x, y in HATCH:
            self.assertEqual(shot.game_pixel(x, y), GREY, "no grey hatching at (%d, %d)" % (x, y))
            self.assertTrue(screens.is_black(shot.game_pixel(x, y + 1)), "hatching on the odd row %d" % (y + 1))
        return shot


if __name__ == "__main__":
    harness.main()
