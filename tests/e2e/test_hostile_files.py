"""The worst keys.conf files on the real game: one of 56 MB, a pipe and a link to /dev/zero each give the main
menu as promptly as a usual one, with one line on stderr that names the file, and the game's peak memory
(VmHWM) near its usual figure."""
import os
import time

import harness
from harness import check

SLACK_KIB = 8 << 10
USUAL_KEYS = "[keys]\nW = Up\n"


def write(text):
    return lambda path: open(path, "w").write(text)


def huge(path):
    with open(path, "w") as f:
        for _ in range(56 << 10):  # 56 MB of lines that would each bind a key
            f.write("W = Up\n" * 146 + "\n")


CASES = [  # what keys.conf is, how it is made, what stderr says of it
    ("usual", write(USUAL_KEYS), None),
    ("56 MB", huge, "keys.conf: longer than 65536 bytes; the usual keys serve"),
    ("a pipe", os.mkfifo, "keys.conf: not a regular file (a pipe or a device); the usual keys serve"),
    ("a link to /dev/zero", lambda path: os.symlink("/dev/zero", path),
     "keys.conf: not a regular file (a pipe or a device); the usual keys serve"),
]


def memory_kib(pid):
    """The process's peak and present resident memory."""
    with open("/proc/%d/status" % pid) as f:
        fields = dict(line.split(":", 1) for line in f)
    return int(fields["VmHWM"].split()[0]), int(fields["VmRSS"].split()[0])


def journey():
    with harness.Game("hostile_files", keys=USUAL_KEYS) as game:
        path = os.path.join(game.tmp, "config", "zintari", "keys.conf")
        usual = None
        for name, make, said in CASES:
            if game.alive():
                game.close()
            os.remove(path)
            make(path)
            start = time.monotonic()
            game.launch()
            game.menu()
            seconds = time.monotonic() - start
            peak, resident = memory_kib(game.game.pid)
            print("%s: the menu after %.1f s, VmHWM %.1f MiB, VmRSS %.1f MiB" % (name, seconds, peak / 1024,
                                                                               resident / 1024))
            lines = game.output("game").splitlines()
            if said is None:
                usual = (seconds, peak)
                check(lines == [], "a usual keys.conf gives %r" % lines)
                continue
            check(len(lines) == 1 and lines[0].endswith(said), "%s: stderr says %r" % (name, lines))
            check(peak <= usual[1] + SLACK_KIB, "%s: VmHWM %d KiB against the usual %d" % (name, peak, usual[1]))
            check(seconds < usual[0] + 5, "%s: the menu took %.1f s, the usual %.1f" % (name, seconds, usual[0]))
        game.close()


if __name__ == "__main__":
    harness.run(journey)
