"""Closing the window ends the game at once, whatever it is showing."""
import unittest

import harness
from harness import kind

EXIT_S = 1.0  # the process is gone within a second of the close


def first_message(phases):
    return any(kind(p.label) == "message" for p in phases)


class CloseWindow(unittest.TestCase):
    def close_and_check(self, game, when):
        sent = game.close_window()
        ended = game.wait_exit(10)
        self.assertIsNotNone(ended, "the game still runs 10 s after its window was closed %s" % when)
        print("closed %s: the process ended %.3f s later" % (when, ended - sent))
        self.assertLessEqual(ended - sent, EXIT_S, "the game took %.3f s to end after its window was closed %s"
                             % (ended - sent, when))
        self.assertEqual(game.returncode, 0, "exit status after the window was closed %s" % when)

    def test_close_during_credit(self):
        with harness.Game(name="close-credit") as game:
            harness.record_messages(game, lambda phases: kind(phases[-1].label) == "message")
            self.close_and_check(game, "during the credit message")

    def test_close_during_black_after_credit(self):
        with harness.Game(name="close-black") as game:
            phases = harness.record_messages(
                game, lambda phases: first_message(phases) and kind(phases[-1].label) != "message")
            if phases[-1].label != "black":
                self.skipTest("the screenshots missed the 500 ms of black (a busy machine): %r" % phases)
            self.close_and_check(game, "in the black after the credit")

    def test_close_at_main_menu(self):
        with harness.Game(name="close-menu") as game:
            at_menu = harness.lasted("other", 0.5)
            harness.record_messages(game, lambda phases: first_message(phases) and at_menu(phases))
            self.close_and_check(game, "at the main menu")


if __name__ == "__main__":
    harness.main()
