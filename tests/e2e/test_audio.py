"""Sound through SDL's disk audio driver (raw 16-bit stereo at 44100 Hz):
the menu tune plays at the main menu with music on, stops at once when
music is switched off in the options, and the menu is silent when the
player's preferences have music off."""
import math
import os
import struct
import time
import unittest

import harness
import screens
from screens import STEP_S

FRAME = 4  # bytes of one stereo frame of 16-bit samples
RATE = 44100
SECOND = RATE * FRAME
AUDIBLE_RMS = 300  # the tune plays at an RMS of a few thousand
SILENT_RMS = 20


def audio_size(game):
    try:
        return os.path.getsize(game.audio_path) // FRAME * FRAME
    except OSError:
        return 0


def samples(game, start, end):
    with open(game.audio_path, "rb") as f:
        f.seek(start)
        data = f.read(end - start)
    data = data[:len(data) // FRAME * FRAME]
    return struct.unpack("<%dh" % (len(data) // 2), data)


def rms(values):
    return math.sqrt(sum(v * v for v in values) / len(values)) if values else 0.0


def sign_changes(values):
    left = values[0::2]
    return sum(1 for a, b in zip(left, left[1:]) if (a < 0) != (b < 0))


def record(game, seconds, start=None):
    """The samples the game writes during the next `seconds` of sound
    (from `start`, a byte offset, when given)."""
    start = audio_size(game) if start is None else start
    end = start + int(seconds * RATE) * FRAME
    game.wait_until(lambda: audio_size(game) >= end, 30 + 3 * seconds, 0.05,
                    "%.1f s of sound in %s" % (seconds, game.audio_path))
    return samples(game, start, end)


class Sound(unittest.TestCase):
    def test_menu_tune_and_music_switched_off(self):
        with screens.new_game("audio-on", audio="disk") as game:
            s = screens.Screens(self, game)
            s.wait_for_menu()
            tune = record(game, 2.0)
            print("menu with music on: RMS %.0f, %d sign changes in 2 s" % (rms(tune), sign_changes(tune)))
            self.assertGreater(rms(tune), AUDIBLE_RMS, "the menu tune is not audible")
            self.assertGreater(sign_changes(tune), 100, "the sound at the menu does not swing like music")

            # Options, Enter on Music: it goes off at once.
            s.choose_menu_entry(2, s.is_options, "the options screen")
            off_at = self.switch_music_off(s, game)
            # What the driver had mixed before the switch may still follow.
            quiet = record(game, 1.5, off_at + SECOND // 4)
            print("after Music off: RMS %.1f" % rms(quiet))
            self.assertLess(rms(quiet), SILENT_RMS, "the menu tune plays on after Music off")

    def switch_music_off(self, s, game):
        """Taps Enter on Music until "Music off" shows and stays (a tap
        whose release comes late on a loaded machine switches twice);
        returns how much sound had been written by then."""
        def shows(text):
            return s.font.shown(game.screenshot(), text, 260, 200)

        for _ in range(5):
            if shows("Music off"):
                written = audio_size(game)
                time.sleep(0.3)
                if shows("Music off"):
                    return written
            now = "Music off" if shows("Music off") else "Music on"
            game.tap_until("Return", lambda: not shows(now), STEP_S, what="Music to switch on Enter")
        self.fail("Music off never stayed")

    def test_menu_is_silent_with_music_off(self):
        with screens.new_game("audio-off", audio="disk", prefs={"music": 0}) as game:
            s = screens.Screens(self, game)
            s.wait_for_menu()
            quiet = record(game, 2.0)
            print("menu with music off: RMS %.1f" % rms(quiet))
            self.assertLess(rms(quiet), SILENT_RMS, "sound at the menu with music off")
            self.assertGreater(audio_size(game), 0, "the disk audio driver wrote nothing")
            # The options show the setting read from the preferences.
            s.choose_menu_entry(2, s.is_options, "the options screen")
            s.font.check(self, game.screenshot(), "Music off", 260, 200, "options")


if __name__ == "__main__":
    harness.main()
