"""Keys of one's own and the window as it was left: W, S and A from keys.conf in the menu and in play, a bad
line named on stderr; a moved and resized window reopens as left, a --fullscreen run between keeping it; a
window kept off the display opens centred."""
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
        game.go_to(3, key="s")
        game.go_to(1, key="w")
        game.hold("Return", lambda: game.shows("SELECT LEVEL", None, 40), "the level select")
        play(game, 1, "One Line", 1)
        game.until(lambda: columns(game) == {5}, what="a bar in column 5")
        game.tap("a", lambda: columns(game) in ({4}, {3}), "the bar to move left on A")

        check(game.frame == (0, 0, 640, 480), "the first start is not full screen: %r" % (game.frame,))
        game.key("F11")
        game.until(lambda: game.geometry() != game.frame, what="a window on F11")
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


if __name__ == "__main__":
    harness.run(journey)
