"""The window: the game starts full screen; F11 switches to a window of
twice the picture's size and back, the picture following; closing the
window (Alt+F4 to the window manager) at the main menu ends the game."""
import harness
from harness import check

SCREEN = (1600, 1200)


def switch(game, frame, what):
    """F11; then the window takes its new place, which must pass frame(x, y, w, h), and shows the menu."""
    game.key("F11")
    game.frame = game.until(lambda: frame(*game.geometry()) and game.geometry(), what="the window " + what)
    game.menu()


def windowed(x, y, w, h):
    return (w, h) == (1280, 960) and x >= 0 and y >= 0 and x + w <= SCREEN[0] and y + h <= SCREEN[1]


def full(*frame):
    return frame == (0, 0) + SCREEN


def journey():
    with harness.Game("window", screen=SCREEN) as game:
        check(full(*game.frame), "the window %r does not cover the screen" % (game.frame,))
        game.menu()
        switch(game, windowed, "to be 1280x960, all of it on the screen")
        switch(game, full, "to cover the screen again")
        seconds = game.close()
        check(seconds < 1.5, "the game took %.1f s to end after its window was closed" % seconds)


if __name__ == "__main__":
    harness.run(journey)
