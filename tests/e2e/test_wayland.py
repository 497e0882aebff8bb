"""The game as a native Wayland client of weston (nested in the X server, kiosk-shell, two outputs of
960x600, where the picture lies scaled 1.25 times between black bars): the main menu, its marker moved; level 1
from the level select, its piece moved and dropped; paused when another client, on the second output, takes the
focus; F11 to a window and back to full screen, as the protocol shows; the exit question answered Y, then Exit.
No word from libdecor on the game's output: its decoration plugin is installed. The window file left there is
taken without a complaint by the next start on Wayland and on X11."""
import os
import re

import harness
from harness import check
from test_play import columns, play

LEVELS = {1: dict(kind=1, colours=0, stones=0, speed=150, min_blocks=3, quota=3, fill=99, title="Three Bars")}
# What SDL's Wayland driver prints without a decoration plugin.
LIBDECOR_LINES = ("Couldn't open plugin directory", "No plugins found, falling back on no decorations")
FULL_SCREEN_REQUESTS = re.compile(r"-> xdg_toplevel@\d+\.(set_fullscreen|unset_fullscreen)\(")


def requests(game):
    """The full-screen requests the game has made, in order (WAYLAND_DEBUG=client logs its protocol)."""
    return FULL_SCREEN_REQUESTS.findall(game.output("game"))


def quiet(game):
    """The game's output without the protocol log: nothing the game or SDL said."""
    return "\n".join(line for line in game.output("game").splitlines() if not line.startswith("["))


def journey():
    game = harness.WaylandGame("wayland", output=(960, 600), outputs=2, levels=LEVELS)
    game.env["WAYLAND_DEBUG"] = "client"
    with game:
        game.menu()
        game.go_to(3)
        game.go_to(1, key="Up")
        game.hold("Return", lambda: game.shows("SELECT LEVEL", None, 40), "the level select")
        play(game, 1, "Three Bars", 3)
        game.until(lambda: columns(game) == {5}, what="a bar in column 5")
        game.tap("Left", lambda: columns(game) in ({4}, {3}), "the bar to move left")

        other = game.other_client()
        game.until(lambda: game.shows("PAUSED", None, 230), what="PAUSED when another client took the focus")
        other.terminate()
        other.wait(10)
        game.run("xdotool", "click", "1")  # the pointer rests on the game: a click gives it the focus back
        game.tap("p", lambda: not game.shows("PAUSED", None, 230), "play again on P once the focus is back")
        game.hold("space", lambda: game.shows("Lines left : 2", 20, 110), "the bar dropped and cleared")

        # kiosk-shell makes every window full screen, and SDL takes it so: F11 asks for a window, F11 again
        # for full screen. The picture fills the output either way.
        before = len(requests(game))
        game.key("F11")
        game.until(lambda: requests(game)[before:] == ["unset_fullscreen"], what="a window asked for on F11")
        game.key("F11")
        game.until(lambda: requests(game)[before:] == ["unset_fullscreen", "set_fullscreen"],
                   what="full screen asked for on F11")
        game.until(lambda: game.shows("Lines left : 2", 20, 110), what="the playing screen, drawn again")

        game.hold("Escape", lambda: game.shows("exit to Main Menu? Y/N", None, 240), "the exit question")
        game.hold("y", lambda: game.shows("MAIN MENU", 260, 120), "the main menu on Y")
        game.go_to(5, key="Up")
        game.hold("Return", lambda: not game.alive(), "the game to end on Exit")
        check(game.game.returncode == 0, "exit status %d after Exit" % game.game.returncode)
        said = quiet(game)
        check(not any(line in said for line in LIBDECOR_LINES), "libdecor had no plugin:\n" + said)
        check(said == "", "the game said:\n" + said)
        with open(game.state_path) as f:
            kept = f.read()
        check(re.fullmatch(r"fullscreen -?\d+ -?\d+ \d+ \d+\n", kept), "the window file holds %r" % kept)

        game.launch()
        game.menu()
        game.close()
        check(quiet(game) == "", "the next start on Wayland said:\n" + quiet(game))

    x11 = harness.Game("wayland-then-x11")
    os.makedirs(os.path.dirname(x11.state_path))
    with open(x11.state_path, "w") as f:
        f.write(kept)
    with x11:
        check(x11.frame == (0, 0, 640, 480), "the window file opens %r on X11, not full screen" % (x11.frame,))
        x11.menu()
        x11.close()
        check(x11.output("game") == "", "the next start on X11 said:\n" + x11.output("game"))


if __name__ == "__main__":
    harness.run(journey)
