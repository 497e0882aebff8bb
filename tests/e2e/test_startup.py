"""Start-up: the whole screen, black, the credit, then the main menu."""
import unittest

import harness


class StartUp(unittest.TestCase):
    def test_full_screen_black_credit_then_menu(self):
        # A wide screen, so that the 4:3 picture has bars left and right.
        with harness.Game(screen=(1280, 720), name="startup") as game:
            phases = harness.record_messages(game, harness.lasted("other", 1.0))
            print("start-up phases: %r" % phases)
            (credit,) = harness.check_message_sequence(self, phases, 1, game.started_at)
            game.save(credit.first, "credit")
            harness.check_text_line(self, credit.first)

            menu = phases[-1].first
            game.save(menu, "menu")
            self.assertTrue(game.covers_screen(), "window %r, state %r on a %dx%d screen"
                            % (game.window_rect(), game.window_state(), game.x.width, game.x.height))
            # The 640x480 picture is scaled by 1.5 into the middle; the bars stay black.
            left, _top, right, _bottom = menu.scaling.picture
            self.assertTrue(menu.is_black((0, 0, left, 720)), "left bar not black")
            self.assertTrue(menu.is_black((right, 0, 1280, 720)), "right bar not black")
            bbox = menu.nonblack_bbox()
            self.assertGreater(bbox[2] - bbox[0], (right - left) // 4, "menu hardly drawn: %r" % (bbox,))

            # The mouse cursor is hidden over the game, and back once it is gone.
            with self.subTest("cursor"):
                if game.cursor_hidden() is None:
                    self.skipTest("this X server does not tell the cursor's image")
                game.move_pointer(640, 360)
                game.wait_until(game.cursor_hidden, 5, what="the mouse cursor to be hidden over the game")
                game.close_window()
                self.assertIsNotNone(game.wait_exit(10), "the game did not end when its window was closed")
                self.assertFalse(game.cursor_hidden(), "the desktop's cursor should show once the game is gone")


if __name__ == "__main__":
    harness.main()
