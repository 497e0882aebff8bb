"""Two levels played with real keys, and the run played again. Level 1 (wild
bars, runs of two, each bar a line) from the level select: its piece moved,
paused with P and by the window losing the focus, the exit question answered
N, Sweep fired with 2 once two lines have charged the meter; the level
complete screen with level 2 open on disk; level 2 (stones) played to game
over; a name typed into the best players, saved on disk. The run's replay,
kept in the player's folder, is checked (--check: the same end) and watched
at 8x to the best players and its end, with the REPLAY mark. With a link
loop and files that cannot be read in the game's folder, the game comes to
its menu, a run killed in play leaves a replay that plays up to its last
flush, and one killed 1 s after its start a replay that checks as cut
short."""
import glob
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

import harness
from harness import check, read_plain

TABLE = [("Mirela Voss", 100), ("Tobin Hale", 90), ("Ines Arkady", 80), ("Quill", 70), ("Oskar Brandt", 60),
         ("Nadia Fern", 50), ("Pip", 40), ("Lorcan Moss", 30), ("Sable", 20), ("Emery Finch", 10)]
NAME = "Ada Quist"
LEVELS = {1: dict(kind=1, colours=0, stones=0, speed=150, min_blocks=2, quota=3, fill=99, title="Two by Two"),
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


def check_replay(game, replay):
    return subprocess.run([game.exe, "--replay", replay, "--check"], env=game.env, capture_output=True, text=True,
                          timeout=60)


def journey():
    keep = tempfile.mkdtemp(prefix="zintari-replays-")
    try:
        replay = played(keep)
        # Watched in a window of its own, with the same game files.
        with harness.Game("replay-watch", levels=LEVELS, args=["--replay", replay]) as viewer:
            for _ in range(3):
                viewer.key("Right")  # 2x, 4x, 8x
            mark = lambda: sum(1 for x in range(560, 636) if min(viewer.shot().at(x, 12)) > 200) > 10
            viewer.until(mark, what="the REPLAY mark")
            viewer.until(lambda: viewer.shows("BEST PLAYERS (Esc=Main Menu)", None, 25), 60, "the best players")
            check(viewer.game.wait(30) == 0, "the replay did not end by itself")
        # Killed in play: the replay left plays up to its last flush.
        game = harness.Game("replay-killed", levels=LEVELS)
        odd = os.path.dirname(game.exe)  # the game's folder, a scratch copy
        os.symlink("loop", os.path.join(odd, "loop"))
        os.mkfifo(os.path.join(odd, "pipe"))
        open(os.path.join(odd, "unreadable"), "w").close()
        os.chmod(os.path.join(odd, "unreadable"), 0)
        with game:
            game.menu()
            game.hold("Return", lambda: game.shows("SELECT LEVEL", None, 40), "the level select")
            play(game, 1, "Two by Two", 3)
            time.sleep(4)
            game.game.send_signal(signal.SIGKILL)
            game.game.wait()
            left = glob.glob(os.path.join(game.data_dir, "replays", "*.zrp"))
            done = check_replay(game, left[0])
            tick = re.match(r"cut short at tick (\d+): ", done.stdout)
            check(done.returncode == 1 and tick and int(tick.group(1)) > 4000, "--check: %r" % done)
            # Killed 1 s after its start: cut short, not damaged.
            started = time.monotonic()
            early = game.spawn([game.exe])
            harness.wait_until(lambda: len(glob.glob(os.path.join(game.data_dir, "replays", "*.zrp"))) == 2, 5,
                               "the replay of the second run")
            time.sleep(max(0.0, started + 1 - time.monotonic()))
            early.kill()
            early.wait()
            second = (set(glob.glob(os.path.join(game.data_dir, "replays", "*.zrp"))) - set(left)).pop()
            done = check_replay(game, second)
            check(done.returncode == 1 and re.match(r"cut short at tick \d+: ", done.stdout), "--check: %r" % done)
    finally:
        shutil.rmtree(keep, ignore_errors=True)


def played(keep):
    """The two levels; returns the run's replay, copied into keep, once checked."""
    with harness.Game("play", levels=LEVELS, scores=TABLE) as game:
        prefs = os.path.join(game.data_dir, "prefs.znd")
        game.menu()
        game.hold("Return", lambda: game.shows("SELECT LEVEL", None, 40), "the level select")
        play(game, 1, "Two by Two", 3)
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
        game.hold("space", lambda: game.shows("Lines left : 1", 20, 110), "two bars cleared")
        game.tap("2", lambda: game.shows("Sweep", 200, 447), "Sweep fired")

        game.hold("space", lambda: game.shows("Enter=Next level", 210, 330), "the level complete screen")
        check(game.shows("Total : 300", 210, 240) and game.shows("Level auto-saved", 210, 300), "level complete")
        check(read_plain(prefs) == harness.prefs_text(unlocked=2), "level 2 is not open on disk")
        play(game, 2, "Stone Wall", 5)
        check(game.shows("Score : 300", 20, 230), "the score did not carry over")
        game.hold("space", lambda: darkened(game), "the game over")
        # Escape counts once the skull rests: 300 beats the tenth best.
        game.hold("Escape", lambda: name_box(game.shot()), "the name entry")
        game.run("xdotool", "type", "--delay", "150", NAME)
        game.hold("Return", lambda: game.shows("BEST PLAYERS (Esc=Main Menu)", None, 25), "the best players")
        check(read_plain(os.path.join(game.data_dir, "scores.znd"))
              == harness.scores_text([(NAME, 300)] + TABLE[:9]), "the best players on disk")
        time.sleep(4)  # long enough to be seen at 8x
        game.hold("Escape", lambda: game.shows("MAIN MENU", 260, 120), "the main menu")
        game.close()
        kept = glob.glob(os.path.join(game.data_dir, "replays", "*.zrp"))
        check(len(kept) == 1 and re.search(r"/0001-\d{8}-\d{6}-level02-300\.zrp$", kept[0]), "kept: %r" % kept)
        done = check_replay(game, kept[0])
        check(done.returncode == 0 and re.match(r"level 2, score 300, lines 3, [\d.]+ s of play, ended: closed\n$",
                                                done.stdout), "--check: %r" % done)
        return shutil.copy(kept[0], keep)


if __name__ == "__main__":
    harness.run(journey)
