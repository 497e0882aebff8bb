"""A run played in the window is recorded and played again. Level 1 (wild
bars, runs of two) charges the meter: Sweep is fired with 2 and the level
is cleared; level 2 (stones) is played to game over and a name typed. The
run's replay, kept in the player's folder, is checked (--check: the same
end) and watched at 8x, to the best players and its end, with the REPLAY
mark. A run killed in play leaves a replay that plays up to its last
flush."""
import glob
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

import harness
from harness import check
from test_play import darkened, name_box

LEVELS = {1: dict(kind=1, colours=0, stones=0, speed=150, min_blocks=2, quota=3, fill=99, title="Two by Two"),
          2: dict(kind=1, colours=0, stones=101, speed=60, min_blocks=3, quota=5, fill=99, title="Stone Wall")}
TABLE = [("Nobody", -1)] * 10  # any score beats these


def start_level(game, number, title, lines):
    game.hold("Return", lambda: game.shows(title, None, 230), "the intro of level %d" % number)
    game.key("Escape")
    game.until(lambda: game.shows("Lines left : %d" % lines, 20, 110), what="the playing screen")


def check_replay(exe, replay, env):
    return subprocess.run([exe, "--replay", replay, "--check"], env=env, capture_output=True, text=True, timeout=60)


def journey():
    keep = tempfile.mkdtemp(prefix="zintari-replays-")
    try:
        with harness.Game("replay", levels=LEVELS, scores=TABLE) as game:
            game.menu()
            game.hold("Return", lambda: game.shows("SELECT LEVEL", None, 40), "the level select")
            start_level(game, 1, "Two by Two", 3)
            game.tap("Left", lambda: True, "a move")
            time.sleep(3)  # enough play for the run to be kept: 5 s
            game.hold("space", lambda: game.shows("Lines left : 1", 20, 110), "two bars cleared")
            game.tap("2", lambda: game.shows("Sweep", 200, 447), "Sweep fired")
            game.hold("space", lambda: game.shows("Enter=Next level", 210, 330), "the level complete screen")
            start_level(game, 2, "Stone Wall", 5)
            game.hold("space", lambda: darkened(game), "the game over")
            game.hold("Escape", lambda: name_box(game.shot()), "the name entry")
            game.run("xdotool", "type", "--delay", "150", "Ada")
            game.hold("Return", lambda: game.shows("BEST PLAYERS (Esc=Main Menu)", None, 25), "the best players")
            time.sleep(4)  # long enough to be seen at 8x
            game.close()
            kept = glob.glob(os.path.join(game.data_dir, "replays", "*.zrp"))
            check(len(kept) == 1 and re.search(r"/\d{8}-\d{6}-level02-\d+\.zrp$", kept[0]), "kept: %r" % kept)
            replay = shutil.copy(kept[0], keep)
            done = check_replay(game.exe, replay, game.env)
            check(done.returncode == 0 and re.match(r"level 2, score \d+, lines [3-9]\d*, [\d.]+ s of play, ended: "
                                                    r"closed\n$", done.stdout), "--check: %r %r" % (done, done.stderr))

        # Watched in a window of its own, with the same game files.
        with harness.Game("replay-watch", levels=LEVELS, args=["--replay", replay]) as viewer:
            for _ in range(3):
                viewer.key("Right")  # 2x, 4x, 8x
            mark = lambda: sum(1 for x in range(560, 636) if min(viewer.shot().at(x, 12)) > 200) > 10
            viewer.until(mark, what="the REPLAY mark")
            viewer.until(lambda: viewer.shows("BEST PLAYERS (Esc=Main Menu)", None, 25), 60, "the best players")
            check(viewer.game.wait(30) == 0, "the replay did not end by itself")

        # Killed in play: the replay left plays up to its last flush.
        with harness.Game("replay-killed", levels=LEVELS) as game:
            game.menu()
            game.hold("Return", lambda: game.shows("SELECT LEVEL", None, 40), "the level select")
            start_level(game, 1, "Two by Two", 3)
            time.sleep(4)
            game.game.send_signal(signal.SIGKILL)
            game.game.wait()
            left = glob.glob(os.path.join(game.data_dir, "replays", "*.zrp"))
            check(len(left) == 1, "left: %r" % left)
            done = check_replay(game.exe, left[0], game.env)
            tick = re.match(r"cut short at tick (\d+): ", done.stdout)
            check(done.returncode == 1 and tick and int(tick.group(1)) > 4000, "--check: %r" % done)
    finally:
        shutil.rmtree(keep, ignore_errors=True)


if __name__ == "__main__":
    harness.run(journey)
