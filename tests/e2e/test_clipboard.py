"""The access phrase on the clipboard at start-up adds a second message."""
import unittest

import harness

PHRASE = "We are sneaky rascals!"


class AccessPhrase(unittest.TestCase):
    def start_up(self, clipboard, name):
        """The message phases of a start-up with clipboard, up to the menu."""
        with harness.Game(clipboard=clipboard, name=name) as game:
            phases = harness.record_messages(game, harness.lasted("other", 0.5))
            print("%s: %r" % (name, phases))
            count = sum(1 for p in phases if harness.kind(p.label) == "message")
            messages = harness.check_message_sequence(self, phases, count, game.started_at)
            for m in messages:
                harness.check_text_line(self, m.first)
            return game, messages

    def test_phrase_shows_a_second_message(self):
        game, messages = self.start_up(PHRASE, "phrase")
        self.assertEqual(len(messages), 2, "with the access phrase on the clipboard")
        game.save(messages[1].first, "second-message")
        self.assertNotEqual(messages[0].label, messages[1].label, "the second message repeats the first")

    def test_other_texts_show_one_message(self):
        # Letter case counts, and the whole text must match: no trimming.
        for text in ("we are sneaky rascals!", PHRASE + "\n"):
            with self.subTest(clipboard=text):
                _, messages = self.start_up(text, "near-miss")
                self.assertEqual(len(messages), 1, "with %r on the clipboard" % text)


if __name__ == "__main__":
    harness.main()
