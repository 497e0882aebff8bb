"""The command line of the real program: --help, --version, an unknown
option, an empty or missing replay, and a start without a display (no
DISPLAY, WAYLAND_DISPLAY or SDL_VIDEODRIVER, as over ssh; the message names
the driver for a console without a desktop), and a player's folder that
cannot be made. Each ends at once, without a window, and writes nothing: not
the player's folder, not a temporary folder."""
import os
import re
import subprocess
import sys
import tempfile

USAGE = ("Usage: zintari", "falling-block puzzle", "--fullscreen", "--windowed", "--version", "--replay", "--check",
         "--no-record", r"\$XDG_DATA_HOME/zintari", "~/.local/share/zintari", r"\$XDG_CONFIG_HOME/zintari/keys\.conf",
         r"\$XDG_STATE_HOME/zintari/window")
NO_DISPLAY = r"[^\n]*no display[^\n]*SDL_VIDEODRIVER=kmsdrm[^\n]*\n$"  # and how to play on a console
# arguments, exit status, what stdout must hold (nothing when none), what stderr must begin with, environment
CASES = [(["--help"], 0, USAGE, r"$"), (["-h"], 0, USAGE, r"$"), (["--windowed", "--help"], 0, USAGE, r"$"),
         (["--version"], 0, (r"^zintari \d+\.\d+(\.\d+)?\n$",), r"$"),
         (["--bogus"], 2, (), r"zintari: unknown option --bogus\nUsage: zintari"),
         (["--replay", ""], 2, (), r"zintari: --replay needs a file\nUsage: zintari"),
         (["--replay", "/nowhere/run.zrp"], 1, (), r"zintari: /nowhere/run\.zrp: missing\n$", {"SDL_VIDEODRIVER": "dummy"}),
         ([], 1, (), NO_DISPLAY), (["--windowed"], 1, (), NO_DISPLAY),
         ([], 1, (), r"zintari: no folder for your files[^\n]*\n$",
          {"SDL_VIDEODRIVER": "dummy", "XDG_DATA_HOME": "", "HOME": ""})]


def main(exe):
    for args, status, words, said, *extra in CASES:
        with tempfile.TemporaryDirectory() as home:
            env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": home, "TMPDIR": home,
                   "XDG_DATA_HOME": os.path.join(home, "data"), "SDL_AUDIODRIVER": "dummy", **dict(*extra)}
            done = subprocess.run([exe, *args], env=env, capture_output=True, text=True, timeout=20)  # a hang fails
            assert os.listdir(home) == [], "written by %r" % args
        assert done.returncode == status, "%r: exit status %d" % (args, done.returncode)
        assert re.match(said, done.stderr), "%r said %r" % (args, done.stderr)
        assert all(re.search(w, done.stdout) for w in words) and (words or not done.stdout), \
            "%r printed %r" % (args, done.stdout)
    print("%d cases passed" % len(CASES))


if __name__ == "__main__":
    main(os.path.abspath(sys.argv[1]))
