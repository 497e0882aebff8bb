"""The menus with real keys and sound: the game starts full screen and F11
switches to a window of twice the picture's size and back, the picture
following; the menu tune plays, the options change with Enter (Music off
silences the tune at once) and Esc saves them to the preferences file;
quick help and best players open and close; Exit ends the game."""
import math
import os
import struct

import harness
from harness import check, read_plain, prefs_text

RATE = 44100 * 4  # bytes a second of 16-bit stereo
SCREEN = (1600, 1200)


def sound(game, seconds):
    """RMS of the next seconds of sound the game writes."""
    start = os.path.getsize(game.audio_path) // 4 * 4
    end = start + int(seconds * RATE) // 4 * 4
    harness.wait_until(lambda: os.path.getsize(game.audio_path) >= end, 30, "%.1f s of sound" % seconds)
    with open(game.audio_path, "rb") as f:
        f.seek(start)
        samples = struct.unpack("<%dh" % ((end - start) // 2), f.read(end - start))
    return math.sqrt(sum(v * v for v in samples) / len(samples))


def switch(game, frame, what):
    """F11; then the window takes its new place, which must pass frame(x, y, w, h), and shows the menu."""
    game.key("F11")
    game.frame = game.until(lambda: frame(*game.geometry()) and game.geometry(), what="the window " + what)
    game.menu()


def windowed(x, y, w, h):
    return (w, h) == (1280, 960) and x >= 0 and y >= 0 and x + w <= SCREEN[0] and y + h <= SCREEN[1]


def full(*frame):
    return frame == (0, 0) + SCREEN


def set_option(game, y, wanted):
    """Taps Enter on a setting until it shows `wanted` and keeps it (a tap
    released late counts twice)."""
    for _ in range(6):
        if game.shows(wanted, 260, y):
            harness.time.sleep(0.4)
            if game.shows(wanted, 260, y):
                return
        shot = game.shot().data
        game.tap("Return", lambda: game.shot().data != shot, "the setting at y %d to change" % y)
    check(False, "%r never stayed" % wanted)


def journey():
    with harness.Game("menus", screen=SCREEN, audio="disk") as game:
        check(full(*game.frame), "the window %r does not cover the screen" % (game.frame,))
        game.menu()
        switch(game, windowed, "to be 1280x960, all of it on the screen")
        switch(game, full, "to cover the screen again")
        tune = sound(game, 1.0)
        check(tune > 300, "the menu tune is not audible: RMS %.0f" % tune)
        prefs = os.path.join(game.data_dir, "prefs.znd")
        check(read_plain(prefs) == prefs_text(), "the preferences at the start")

        game.go_to(2)
        game.hold("Return", lambda: game.shows("OPTIONS", 260, 160), "the options")
        set_option(game, 200, "Music off")
        quiet = sound(game, 1.0)
        check(quiet < 20, "the tune plays on after Music off: RMS %.0f" % quiet)
        game.go_to(3, 200, 4)
        set_option(game, 280, "Difficulty Hard")
        game.go_to(4, 200, 4)
        set_option(game, 320, "Rotation:Block")
        check(read_plain(prefs) == prefs_text(), "the preferences were saved before Esc")
        game.hold("Escape", lambda: game.shows("MAIN MENU", 260, 120), "the main menu after the options")
        check(read_plain(prefs) == prefs_text(music=0, difficulty=3, rotation=1), "the preferences saved by Esc")

        for entry, title, y in ((3, "ZINTARI QUICK HELP", 20), (4, "BEST PLAYERS (Esc=Main Menu)", 25)):
            game.go_to(entry)
            game.hold("Return", lambda: game.shows(title, None, y), title)
            game.hold("Escape", lambda: game.shows("MAIN MENU", 260, 120), "the main menu after " + title)
        game.go_to(5, key="Up")
        game.hold("Return", lambda: not game.alive(), "the game to end on Exit")
        check(game.game.returncode == 0, "exit status %d after Exit" % game.game.returncode)


if __name__ == "__main__":
    harness.run(journey)
