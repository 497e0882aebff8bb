"""The player's folder on a full disk (a small tmpfs; mounting needs root,
and the journey is skipped where it is not allowed): a game over with a
qualifying score reaches name entry, and the best players screen says the
entry was not saved; the file on disk is as it was."""
import os
import subprocess
import sys

import harness
from harness import check, read_plain, write_plain
from test_play import darkened, name_box, play

LEVELS = {1: dict(kind=1, colours=0, stones=101, speed=60, min_blocks=3, quota=5, fill=99, title="Stone Wall")}
TABLE = [("Nobody", -1)] * 10  # any score beats these
SKIPPED = 77  # CTest's SKIP_RETURN_CODE for the end-to-end journeys


def journey():
    game = harness.Game("full_disk", levels=LEVELS)
    os.makedirs(game.data_dir)
    mount = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", game.data_dir], capture_output=True,
                           text=True)
    if mount.returncode != 0:
        game.__exit__(None, None, None)
        print("skipped: a tmpfs cannot be mounted here (%s)" % mount.stderr.strip())
        sys.exit(SKIPPED)
    scores = os.path.join(game.data_dir, "scores.znd")
    try:
        write_plain(scores, harness.scores_text(TABLE))
        with open(os.path.join(game.data_dir, "filler"), "wb", buffering=0) as f:  # the rest of the disk
            try:
                while f.write(b"x" * 4096):
                    pass
            except OSError:
                pass
        with game:
            game.menu()
            game.hold("Return", lambda: game.shows("SELECT LEVEL", None, 40), "the level select")
            play(game, 1, "Stone Wall", 5)
            game.hold("space", lambda: darkened(game), "the game over")
            game.hold("Escape", lambda: name_box(game.shot()), "the name entry")
            game.run("xdotool", "type", "--delay", "150", "Ada")
            game.hold("Return", lambda: game.shows("BEST PLAYERS (Esc=Main Menu)", None, 25), "the best players")
            game.wait_text("Not saved: disk full", None, 440)
            check(read_plain(scores) == harness.scores_text(TABLE), "the scores file changed")
            check("No space left on device" in game.output("game"), "stderr does not say why")
    finally:
        subprocess.run(["umount", "-l", game.data_dir])


if __name__ == "__main__":
    harness.run(journey)
