"""The command line of the real program: --help, --version, an unknown option,
and a start without a display. Each ends at once, without a window, and
writes nothing: not the player's folder, not a temporary folder."""
import os
import subprocess
import sys
import tempfile
import unittest

EXE = None


class CommandLine(unittest.TestCase):
    def run_game(self, *args):
        # No DISPLAY, WAYLAND_DISPLAY or SDL_VIDEODRIVER: as over ssh.
        with tempfile.TemporaryDirectory() as home:
            env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": home, "TMPDIR": home,
                   "XDG_DATA_HOME": os.path.join(home, "data"), "SDL_AUDIODRIVER": "dummy"}
            done = subprocess.run([EXE, *args], env=env, capture_output=True, text=True, timeout=20)  # a start that hangs fails here
            self.assertEqual(os.listdir(home), [], "written by %r" % (args,))
            return done

    def test_help_and_version(self):
        for args in (["--help"], ["-h"], ["--windowed", "--help"]):
            done = self.run_game(*args)
            self.assertEqual((done.returncode, done.stderr), (0, ""), args)
            for words in ("Usage: zintari", "falling-block puzzle", "--windowed", "--version",
                          "$XDG_DATA_HOME/zintari", "~/.local/share/zintari"):
                self.assertIn(words, done.stdout)
        done = self.run_game("--version")
        self.assertEqual((done.returncode, done.stderr), (0, ""))
        self.assertRegex(done.stdout, r"^zintari \d+\.\d+(\.\d+)?\n$")

    def test_unknown_option(self):
        done = self.run_game("--bogus")
        self.assertEqual((done.returncode, done.stdout), (2, ""))
        self.assertTrue(done.stderr.startswith("zintari: unknown option --bogus\nUsage: zintari"), done.stderr)

    def test_no_display_stops_at_once(self):
        for args in ([], ["--windowed"]):
            done = self.run_game(*args)
            self.assertEqual((done.returncode, done.stdout), (1, ""), args)
            self.assertEqual(done.stderr.count("\n"), 1, done.stderr)
            self.assertIn("no display", done.stderr)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit("usage: %s <path to zintari> <build folder>" % sys.argv[0])
    EXE = os.path.abspath(sys.argv[1])
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:], verbosity=2)
