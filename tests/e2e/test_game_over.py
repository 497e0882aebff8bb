"""Game over: a level of stones fills the middle column, the well darkens,
the skull rises and settles; Escape is ignored while it moves and leads back
to the main menu once it rests (a score of 0 joins no best players)."""
import os
import time
import unittest

import gamefiles
import harness
import screens
from screens import STEP_S


class GameOver(unittest.TestCase):
    def test_stones_to_game_over_and_back(self):
        with gamefiles.ScratchGame(screens.game_folder()) as folder:
            # Every cell a stone: nothing ever clears.
            folder.set_level(1, kind=1, colour_limit=0, stone_limit=101, speed=60, min_blocks=3, quota=5,
                             fill=99, title="Stone Wall")
            with screens.new_game("game-over", folder=folder.folder) as game:
                s = screens.Screens(self, game)
                s.wait_for_menu()
                scores = gamefiles.read_plain(os.path.join(game.data_dir, "scores.znd"))
                s.open_level_select()
                s.start_selected_level(1)
                s.skip_intro(1)

                # Space drops bar after bar into column 5 until one has no room.
                over = s.hold_until("space", screens.is_game_over, "the game over", timeout=60)
                game.save(over, "game-over")
                cells = screens.well_cells(over)
                self.assertEqual({c for c, _r in cells}, {5}, "blocks outside column 5: %r" % sorted(cells))

                def escape_while_rising():
                    game.keydown("Escape")
                    time.sleep(0.3)
                    game.keyup("Escape")

                rest, seen = screens.watch_skull(game, on_rising=escape_while_rising)
                game.save(rest, "skull")
                self.assertTrue(seen["called"], "the skull was first seen at its peak; Escape was not tried early")
                # Above and below the skull, column 5 is full of darkened
                # stones (the top one is the bar that found no room).
                for row in list(range(0, 6)) + list(range(11, 16)):
                    self.assertTrue(screens.darkened(rest, 5, row), "no darkened stone at row %d" % row)
                self.assertEqual({c for c, _r in screens.well_cells(rest, rows=range(11, 16))}, {5},
                                 "blocks beside column 5")

                game.press_until("Escape", lambda: s.is_main_menu(game.screenshot()), STEP_S,
                                 "the main menu on Escape at rest")
                s.check_back_at_menu("after the game over")
                self.assertEqual(gamefiles.read_plain(os.path.join(game.data_dir, "scores.znd")), scores,
                                 "the best players changed after a game that scored 0")


if __name__ == "__main__":
    harness.main()
