"""Two levels played with real keys: level 1 (wild bars, one run finishes
it) from the level select; its piece moved, paused with P and by the window
losing the focus, the exit question answered N; the level complete screen
with level 2 open on disk; level 2 (stones) played to game over; a name
typed into the best players, saved on disk."""
import os

import harness
from harness import check, read_plain

TABLE = [("Mirela Voss", 100), ("Tobin Hale", 90), ("Ines Arkady", 80), ("Quill", 70), ("Oskar Brandt", 60),
         ("Nadia Fern", 50), ("Pip", 40), ("Lorcan Moss", 30), ("Sable", 20), ("Emery Finch", 10)]
NAME = "Ada Quist"
LEVELS = {1: dict(kind=1, colours=0, stones=0, speed=150, min_blocks=3, quota=1, fill=99, title="One Line"),
          2: dict(kind=1, colours=0, stones=101, speed=60, min_blocks=3, quota=5, fill=99, title="Stone Wall")}


def cells(game):
    """The (column, row) of the well that show a block, without the rows the pause text covers."""
    shot = game.shot()
    return {(c, r) for c in range(10) for r in range(16) if r not in (7, 8) and sum(
        1 for dx in range(6, 18) for dy in range(6, 18) if any(shot.at(200 + 24 * c + dx, 50 + 24 * r + dy))) >= 36}


def darkened(game):
    """Whether the game over has darkened the stone at the bottom of column 5: black even rows."""
    shot = game.shot()
    rows = [[shot.at(x, y) for x in range(320, 344)] for y in range(410, 434)]
    return not any(any(p) for row in rows[::2] for p in row) and any(any(p) for row in rows[1::2] for p in row)


def name_box(shot):
    """Whether the white name box shows."""
    return sum(1 for x in range(16, 226) if min(shot.at(x, 68)) > 240) > 150


def columns(game):
    return {c for c, _r in cells(game)}


def play(game, level, title, lines):
    """From the level select: Enter, the level's intro, Escape to the playing screen."""
    game.hold("Return", lambda: game.shows("Level %d" % level, None, 210) and game.shows(title, None, 230),
              "the intro of level %d" % level)
    # One tap: a second one would ask to leave the level. A missed one lets the intro run its 4.8 s.
    game.key("Escape")
    game.until(lambda: game.shows("Lines left : %d" % lines, 20, 110), what="the playing screen")


def journey():
    with harness.Game("play", levels=LEVELS, scores=TABLE) as game:
        prefs = os.path.join(game.data_dir, "prefs.znd")
        game.menu()
        game.hold("Return", lambda: game.shows("SELECT LEVEL", None, 40), "the level select")
        play(game, 1, "One Line", 1)
        game.until(lambda: columns(game) == {5}, what="a bar in column 5")
        game.tap("Left", lambda: columns(game) in ({4}, {3}), "the bar to move left")
        game.tap("p", lambda: game.shows("PAUSED", None, 230), "PAUSED on P")
        game.tap("p", lambda: not game.shows("PAUSED", None, 230), "play again on P")
        game.run("xdotool", "windowfocus", "--sync", game.run("xdotool", "search", "--maxdepth", "0", "").strip())
        game.until(lambda: game.shows("PAUSED", None, 230), what="PAUSED when the window lost the focus")
        game.run("xdotool", "windowactivate", "--sync", game.window)
        game.tap("p", lambda: not game.shows("PAUSED", None, 230), "play again on P")
        game.hold("Escape", lambda: game.shows("exit to Main Menu? Y/N", None, 240), "the exit question")
        game.hold("n", lambda: not game.shows("exit to Main Menu? Y/N", None, 240), "play again on N")

        game.hold("space", lambda: game.shows("Enter=Next level", 210, 330), "the level complete screen")
        check(game.shows("Total : 50", 210, 240) and game.shows("Level auto-saved", 210, 300), "level complete")
        check(read_plain(prefs) == harness.prefs_text(unlocked=2), "level 2 is not open on disk")
        play(game, 2, "Stone Wall", 5)
        check(game.shows("Score : 50", 20, 230), "the score did not carry over")
        game.hold("space", lambda: darkened(game), "the game over")
        # Escape counts once the skull rests: 50 beats the tenth best.
        game.hold("Escape", lambda: name_box(game.shot()), "the name entry")
        game.run("xdotool", "type", "--delay", "150", NAME)
        game.hold("Return", lambda: game.shows("BEST PLAYERS (Esc=Main Menu)", None, 25), "the best players")
        check(read_plain(os.path.join(game.data_dir, "scores.znd"))
              == harness.scores_text(TABLE[:5] + [(NAME, 50)] + TABLE[5:9]), "the best players on disk")
        game.hold("Escape", lambda: game.shows("MAIN MENU", 260, 120), "the main menu")


if __name__ == "__main__":
    harness.run(journey)
