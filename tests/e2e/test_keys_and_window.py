"""Keys of one's own and the window as it was left: W, S and A from keys.conf in the menu and in play, a bad
line named on stderr; W held through a switch of keyboard layout lets go; a moved and resized window reopens as
left, a --fullscreen run between keeping it; a window kept off the display opens centred; a window file wider
than any window gives the menu in a window that fits, also with --fullscreen; a full-screen run keeps the
window's size."""
import time

import harness
from harness import check
from test_play import columns, play

KEYS = "[keys]\nW = Up\nS = Down\nA = Left\nBogus = Up\n"
LEVELS = {1: dict(kind=1, colours=0, stones=0, speed=150, min_blocks=3, quota=1, fill=99, title="One Line")}
BAD_LINE = 'keys.conf, line 5: "Bogus" is not a key name SDL knows; the line is skipped'


def journey():
    with harness.Game("keys_and_window", keys=KEYS, levels=LEVELS) as game:
        game.until(lambda: BAD_LINE in game.output("game"), what="the bad line on stderr")
        game.menu()
        layout_switch(game)
        game.go_to(3, key="s")
        game.go_to(1, key="w")
        game.hold("Return", lambda: game.shows("SELECT LEVEL", None, 40), "the level select")
        play(game, 1, "One Line", 1)
        game.until(lambda: columns(game) == {5}, what="a bar in column 5")
        game.tap("a", lambda: columns(game) in ({4}, {3}), "the bar to move left on A")

        check(game.frame == (0, 0, 640, 480), "the first start is not full screen: %r" % (game.frame,))
        game.key("F11")
        game.until(lambda: game.geometry() != game.frame and fits(*game.geometry()),
                   what="a window that fits the screen, its frame too, on F11")
        game.run("xdotool", "windowsize", game.window, "400", "300", "windowmove", game.window, "60", "40")
        left = game.until(lambda: game.geometry()[2:] == (400, 300) and game.geometry(), what="the window at 400x300")
        game.close()
        game.launch("--fullscreen")
        check(game.frame == (0, 0, 640, 480), "--fullscreen gives %r" % (game.frame,))
        game.close()
        game.launch()
        check(game.frame == left, "the window left at %r opens at %r" % (left, game.frame))
        game.close()

        with open(game.state_path, "w") as f:  # its monitor unplugged
            f.write("window 2000 1500 400 300\n")
        game.launch()
        x, y, w, h = game.frame
        check((w, h) == (400, 300) and abs(x + w / 2 - 320) < 30 and abs(y + h / 2 - 240) < 30,
              "a window kept off the display opens at %r, not centred" % (game.frame,))
        game.close()
        window_file(game)


W_KEY, FR_W_KEY = "25", "52"  # X key codes: W on a us layout is Z on fr, and fr's W is us's Z


def layout_switch(game):
    """W (Up, from keys.conf) held on a us layout moves the menu marker on and on; switched to fr, the same key
    says Z as it comes up, and the Up it held must let go all the same."""
    game.run("xdotool", "keydown", W_KEY)
    game.until(lambda: game.marker(160, 5) not in (None, 1), what="the marker to move while W is held")
    game.run("setxkbmap", "fr")
    game.run("xdotool", "keyup", W_KEY)
    time.sleep(0.3)
    seen = set()
    for _ in range(10):
        seen.add(game.until(lambda: game.marker(160, 5), what="the menu marker"))
        time.sleep(0.15)
    check(len(seen) == 1, "the marker goes on moving after W came up on another layout: %r" % seen)
    # The game sees the new layout: fr's W is Up now.
    now = seen.pop()
    game.hold(FR_W_KEY, lambda: game.marker(160, 5) == (now - 2) % 5 + 1, "the marker to move up on fr's W")
    game.run("setxkbmap", "us")
    game.go_to(1)


def window_place(game):
    """The kept line: mode and x, y, width, height."""
    with open(game.state_path) as f:
        mode, *numbers = f.read().split()
    return mode, tuple(int(n) for n in numbers)


def fits(x, y, w, h):
    """Whether a window of that place and size is at least 320x240 and wholly on the 640x480 screen."""
    return 320 <= w and 240 <= h and 0 <= x and 0 <= y and x + w <= 640 and y + h <= 480


def window_file(game):
    for args in ((), ("--fullscreen",)):
        with open(game.state_path, "w") as f:  # stretched over several monitors
            f.write("window 0 0 20000 300\n")
        game.launch(*args)
        game.menu()
        if args:
            check(game.frame == (0, 0, 640, 480), "%s gives %r" % (args, game.frame))
        else:
            check(game.frame[3] == 300 and fits(*game.frame), "a window kept at 20000x300 opens at %r" % (game.frame,))
        game.close()
        check("cannot open" not in game.output("game"), "%s: %s" % (args, game.output("game")))
        mode, place = window_place(game)
        check(mode == "window" and fits(*place), "%s leaves the window kept as %s %r" % (args, mode, place))

    with open(game.state_path, "w") as f:
        f.write("fullscreen 50 40 400 300\n")
    game.launch()
    check(game.frame == (0, 0, 640, 480), "a full-screen start gives %r" % (game.frame,))
    game.menu()
    game.close()
    check(window_place(game) == ("fullscreen", (50, 40, 400, 300)),
          "a full-screen run keeps %r" % (window_place(game),))
    game.launch("--windowed")
    check(game.frame[2:] == (400, 300), "the window kept through a full-screen run opens at %r" % (game.frame,))
    game.close()


if __name__ == "__main__":
    harness.run(journey)
