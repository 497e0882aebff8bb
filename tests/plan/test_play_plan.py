"""What `make play` asks for holds nothing that only the tests, the benchmarks, the fuzzing build or the package
use: the packages scripts/setup.sh lists for play, the commands `make -n play` would run, and every command ninja
would run to build the game and its data from nothing.

    python3 tests/plan/test_play_plan.py <source folder> <build folder>"""
import os
import subprocess
import sys

# Packages that only the tests, the benchmarks, the fuzzing build and the package use.
TEST_ONLY_PACKAGES = {"libgtest-dev", "libbenchmark-dev", "clang", "libclang-rt-14-dev", "python3", "xvfb", "openbox",
                      "xdotool", "xclip", "x11-utils", "imagemagick", "weston", "desktop-file-utils", "appstream",
                      "dpkg-dev", "file", "lintian", "man-db"}
# Some of what building the game and playing it do need.
PLAY_PACKAGES = {"g++", "cmake", "ninja-build", "libsdl2-dev", "timgm6mb-soundfont", "libdecor-0-plugin-1-cairo"}
# How building or running a test, a benchmark, a fuzzer or the package shows in a command.
TEST_ONLY_WORDS = ("tests/", "bench/", "fuzz", "-fsanitize", "gtest", "benchmark", "ctest", "unit_tests", "soak",
                   "pacing", "level_curve", "replay_bench", "lintian", "--target deb", "setup.sh test")


def lines(*command, cwd):
    return subprocess.run(command, cwd=cwd, capture_output=True, text=True, check=True).stdout.splitlines()


def test_only(commands, source, build):
    """The commands that name something only the tests use (the folders' own paths left out)."""
    found = []
    for command in commands:
        plain = command.replace(build, "build").replace(source, ".")
        found += ["%s (%s)" % (command[:200], word) for word in TEST_ONLY_WORDS if word in plain]
    return found


def main():
    source, build = (os.path.abspath(a) for a in sys.argv[1:3])
    failures = []
    setup = os.path.join(source, "scripts", "setup.sh")
    play, test = (set(lines(setup, name, "--list", cwd=source)) for name in ("play", "test"))
    if play & TEST_ONLY_PACKAGES:
        failures.append("setup.sh play installs test-only packages: %s" % sorted(play & TEST_ONLY_PACKAGES))
    if PLAY_PACKAGES - play:
        failures.append("setup.sh play misses %s" % sorted(PLAY_PACKAGES - play))
    if not (play | TEST_ONLY_PACKAGES) <= test:
        failures.append("setup.sh test misses %s" % sorted((play | TEST_ONLY_PACKAGES) - test))

    made = lines("make", "--no-print-directory", "-n", "play", "BUILD=" + build, cwd=source)
    failures += ["make play: " + f for f in test_only(made, source, build)]
    builds = [c for c in made if c.startswith("cmake --build")]
    if not builds or any(not c.endswith("--target zintari") for c in builds):
        failures.append("make play builds more than the game: %s" % builds)
    if "scripts/setup.sh play" not in made or not made[-1].endswith("/game/zintari"):
        failures.append("make play does not set up for play, build and start the game: %s" % made)

    ninja = lines("ninja", "-C", build, "-t", "commands", "zintari", cwd=source)
    failures += ["building the game: " + f for f in test_only(ninja, source, build)]
    if not any("contentgen" in c for c in ninja):
        failures.append("building the game does not generate its data")

    for failure in failures:
        print(failure)
    print("%d checks failed" % len(failures) if failures else
          "make play: %d packages, %d commands, %d to build the game: none only for the tests"
          % (len(play), len(made), len(ninja)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
