"""CPU use of the game per screen, its wake-ups, its memory and its
start-up time, in a virtual X server (Xvfb with openbox, as the end-to-end
tests run it).

    python3 bench/cpu_per_screen.py <path to zintari> <build folder> [seconds] [--before <another zintari>]

On a 640x480 screen (one screen pixel per game pixel) and on a 1280x960 one
(the picture scaled twice), it runs the normal game, the game with
ZINTARI_YIELD_SPINS=1 (its yield never sleeps: the baseline of a loop that
spins) and the game on SDL's software renderer (SDL_RENDER_DRIVER=software:
the renderer, as on Wayland or a 16-bit display, instead of the window's
own surface); on a 3840x2160 screen the normal game alone. At the first
two sizes it also runs the game on Wayland, as a client of weston nested in
the X server with an output of that size (see harness.WaylandGame), where
SDL 2.26 gives a window no surface of its own and the game draws through a
renderer: the one SDL picks, OpenGL ES 2 and SDL's software renderer (which
draws into a surface that SDL keeps through OpenGL there); without weston
those runs are skipped and said to be. With --before,
another build of the game (say, of the main branch) runs as the normal one
does on each screen, in the same run and under the same load. Each run
walks with real keys to the main menu, into level 1 while a piece falls,
and through a trivial level 30 to the finale, and on each of those screens
reads over a few seconds of wall time the game process's utime + stime from
/proc/<pid>/stat (the share of one core it used) and its main thread's
voluntary context switches from /proc/<pid>/task/<pid>/status (how often it
went to sleep and woke up). The resident memory is read on the menu and in
play: VmRSS, split into anonymous, file-backed and shared memory (the
window's surface, shared with the X server; on Wayland the buffers
shared with weston), with the largest parts of
/proc/<pid>/smaps, and whether an OpenGL library is mapped.

Start-up is timed from just before the process is spawned until the credit
text first shows, the first picture the game draws itself (late by at most
one screenshot).

Goals, in the normal runs: the menu at most 1 % of one core, play 2.5 %,
the finale 10 %, and the main thread at most 100 wake-ups a second on the
menu; the menu at 1280x960 at most 56 MiB resident, no OpenGL library
mapped, and level 1 at most 2 MiB above the menu. The exit status is 1 when
one is missed."""
import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))

import harness  # noqa: E402

GOALS = {"menu": 1.0, "play": 2.5, "finale": 10.0}  # % of one core
GOAL_WAKEUPS = 100  # a second, main thread, menu
GOAL_MENU_MIB = 56.0  # resident, normal run, 1280x960
GOAL_PLAY_ABOVE_MENU_MIB = 2.0
GL_LIBRARIES = ("libGL", "libLLVM", "swrast_dri")
SCREENS = [(640, 480), (1280, 960), (3840, 2160)]
RUNS = [("normal", {}), ("ZINTARI_YIELD_SPINS=1", {"ZINTARI_YIELD_SPINS": "1"}),
        ("SDL_RENDER_DRIVER=software", {"SDL_RENDER_DRIVER": "software"}),
        # A Wayland session: the game as a client of weston, drawing through a renderer.
        ("wayland", {}), ("wayland SDL_RENDER_DRIVER=opengles2", {"SDL_RENDER_DRIVER": "opengles2"}),
        ("wayland SDL_RENDER_DRIVER=software", {"SDL_RENDER_DRIVER": "software"})]
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
CREDIT = "This game was created by Doran Velisk."
# Level 30 made trivial (wild bars, one line to clear), reached from level 25.
LEVELS = {25: dict(title="Quarter"), 30: dict(kind=1, colours=0, stones=0, speed=60, min_blocks=3, quota=1, fill=99,
                                              title="Last Line")}


def task_cpu(pid):
    """utime + stime in seconds of each thread of a process, by thread id,
    with the thread's name."""
    out = {}
    for tid in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/stat" % (pid, tid)) as f:
                text = f.read()
        except OSError:  # the thread ended meanwhile
            continue
        name = text[text.index("(") + 1:text.rindex(")")]
        fields = text.rsplit(")", 1)[1].split()
        out[int(tid)] = (name, (int(fields[11]) + int(fields[12])) / CLOCK_TICKS)
    return out


def wakeups(pid):
    """Voluntary context switches of the main thread so far: each is a sleep
    that ended in a wake-up."""
    with open("/proc/%d/task/%d/status" % (pid, pid)) as f:
        for line in f:
            if line.startswith("voluntary_ctxt_switches:"):
                return int(line.split()[1])
    return 0


def memory(pid):
    """Resident MiB {"total", "anonymous", "file", "shared"}, the resident MiB
    of the mappings grouped by file, largest first (anonymous memory as one
    group), and the OpenGL libraries mapped."""
    groups, name = {}, None
    with open("/proc/%d/smaps" % pid) as f:
        for line in f:
            head = line.split()
            if not head[0].endswith(":"):  # a mapping's first line: range perms offset dev inode [path]
                name = os.path.basename(head[5]) if len(head) > 5 else "anonymous"
                if name.startswith("["):
                    name = "anonymous" if name in ("[heap]", "[anon]") else name
            elif head[0] == "Rss:":
                groups[name] = groups.get(name, 0) + int(head[1]) / 1024.0
    with open("/proc/%d/status" % pid) as f:
        status = dict(line.split(":", 1) for line in f)
    fields = (("total", "VmRSS"), ("anonymous", "RssAnon"), ("file", "RssFile"), ("shared", "RssShmem"))
    rss = {key: int(status[field].split()[0]) / 1024.0 for key, field in fields}
    with open("/proc/%d/maps" % pid) as f:
        maps = f.read()
    return rss, sorted(groups.items(), key=lambda kv: -kv[1]), [name for name in GL_LIBRARIES if name in maps]


def cpu_percent(pid, seconds):
    """The share of one core a process used over the next `seconds`: the
    whole process, its main thread, and its sound threads (SDL's audio
    thread, where the mixing and the synthesiser run); and the main
    thread's wake-ups a second."""
    c0, w0, t0 = task_cpu(pid), wakeups(pid), time.monotonic()
    time.sleep(seconds)
    c1, w1, t1 = task_cpu(pid), wakeups(pid), time.monotonic()
    wall = t1 - t0
    used = {tid: c1[tid][1] - c0.get(tid, (None, 0.0))[1] for tid in c1}
    total = sum(used.values())
    sound = sum(v for tid, v in used.items() if c1[tid][0].startswith("SDLAudio"))
    return {"total": 100.0 * total / wall, "main": 100.0 * used.get(pid, 0.0) / wall,
            "sound": 100.0 * sound / wall, "wakeups": (w1 - w0) / wall}


def describe(cpu):
    return "%(total).2f %% (main thread %(main).2f, sound %(sound).2f), %(wakeups).0f wake-ups/s" % cpu


def split(rss):
    return "%(total).1f (%(anonymous).1f/%(file).1f/%(shared).1f)" % rss


def describe_memory(mem):
    rss, groups, gl = mem
    return "%s MiB resident (anonymous/file/shared): %s; OpenGL: %s" % (
        split(rss), ", ".join("%s %.1f" % kv for kv in groups[:8]), ", ".join(gl) or "none")


def measure(exe, screen, env, seconds, log, wayland=False):
    """One run on a screen of the given size, under openbox or, wayland true,
    as a Wayland client of weston with an output of that size: the start-up
    time, the CPU use on the menu, in play and in the finale, and the memory
    on the menu and in play. Returns a dict of figures."""
    figures = {}
    harness.EXE = exe
    if wayland:
        game = harness.WaylandGame("bench", output=screen, prefs=dict(unlocked=30), levels=LEVELS)
    else:
        game = harness.Game("bench", screen=screen, prefs=dict(unlocked=30), levels=LEVELS)
    game.env.update(env)
    started = time.monotonic()
    with game:
        game.wait_text(CREDIT, None, 230, 60)
        figures["credit"] = time.monotonic() - started
        pid = game.game.pid

        def sample(key, label, settle_s, with_memory=True):
            time.sleep(settle_s)
            figures[key] = cpu_percent(pid, seconds)
            log("  %s: %s" % (label, describe(figures[key])))
            if with_memory:
                figures[key + " memory"] = memory(pid)
                log("  %s: %s" % (label, describe_memory(figures[key + " memory"])))

        game.menu()
        sample("menu", "main menu", 1.0)

        # Level 1 with its first piece falling.
        game.hold("Return", lambda: game.shows("SELECT LEVEL", None, 40), "the level select")
        game.hold("Return", lambda: game.shows("Level 1", None, 210), "the intro of level 1")
        game.key("Escape")
        game.until(lambda: game.shows("Score : 0", 20, 230), what="the playing screen")
        sample("play", "level 1, a piece falling", 0.5)

        # Back to the menu, then level 30, finished with one bar, and the finale.
        game.tap("Escape", lambda: game.shows("exit to Main Menu? Y/N", None, 240), "the exit question")
        game.tap("y", lambda: game.shows("MAIN MENU", 260, 120), "the main menu")
        game.menu()
        game.hold("Return", lambda: game.shows("SELECT LEVEL", None, 40), "the level select")
        game.hold("Down", lambda: game.shows("Level 25 Quarter", None, 65), "level 25 chosen")
        game.hold("Right", lambda: game.shows("Level 30 Last Line", None, 65), "level 30 chosen")
        game.hold("Return", lambda: game.shows("Last Line", None, 230), "the intro of level 30")
        game.key("Escape")
        game.until(lambda: game.shows("Lines left : 1", 20, 110), what="the playing screen")
        game.hold("space", lambda: game.shows("Enter=Next level", 210, 330), "the level complete screen")
        game.hold("Return", lambda: game.shows("CONGRATULATIONS!", 10, 10), "the finale")
        sample("finale", "finale", 1.0, with_memory=False)
        game.close()
    return figures


def main():
    args = sys.argv[1:]
    before = None
    if "--before" in args:
        at = args.index("--before")
        before = os.path.abspath(args[at + 1])
        del args[at:at + 2]
    if len(args) < 2:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    exe, harness.BUILD = os.path.abspath(args[0]), os.path.abspath(args[1])
    seconds = float(args[2]) if len(args) > 2 else 5.0

    def log(text):
        print(text, flush=True)

    load_before = os.getloadavg()
    results, skipped = {}, None
    for screen in SCREENS:
        runs = [(name, exe, env) for name, env in RUNS if name == "normal" or screen[0] < 3840]
        if before:
            runs.append(("before", before, {}))
        for name, path, env in runs:
            key = "%dx%d %s" % (screen[0], screen[1], name)
            if name.startswith("wayland") and skipped:
                continue
            log("%s run (%s):" % (key, path))
            try:
                results[key] = measure(path, screen, env, seconds, log, name.startswith("wayland"))
            except harness.Skipped as why:
                skipped = "the Wayland runs are skipped: %s" % why
                log(skipped)
    load_after = os.getloadavg()

    print()
    print("CPU of the game process, %% of one core over %.0f s (utime + stime; main thread / sound thread),"
          " and wake-ups of the main thread a second" % seconds)
    print("%-36s %24s %24s %24s %8s" % ("run", "menu", "play (level 1)", "finale", "credit"))
    for name, f in results.items():
        def cpu(k):
            return "%6.2f (%5.2f/%4.2f) %4.0f/s" % (f[k]["total"], f[k]["main"], f[k]["sound"], f[k]["wakeups"])
        print("%-36s %24s %24s %24s %8s" % (name, cpu("menu"), cpu("play"), cpu("finale"), "%.2f s" % f["credit"]))
    print("credit: from the launch to the first screenshot with the credit text")
    print()
    print("Resident memory, MiB: all (anonymous/file-backed/shared)")
    print("%-36s %26s %26s %8s  %s" % ("run", "menu", "play (level 1)", "play-menu", "OpenGL libraries on the menu"))
    for name, f in results.items():
        if "SPINS" in name or name.startswith("3840"):
            continue
        menu, play = f["menu memory"][0], f["play memory"][0]
        print("%-36s %26s %26s %8.1f  %s" % (name, split(menu), split(play), play["total"] - menu["total"],
                                            ", ".join(f["menu memory"][2]) or "none"))
    if skipped:
        print(skipped)
    print("load average %.2f before, %.2f after; %d cores" % (load_before[0], load_after[0], os.cpu_count()))
    missed = []
    for name, f in results.items():
        if not name.endswith(" normal"):
            continue
        missed += ["%s %s %.2f %%" % (name, k, f[k]["total"]) for k, goal in GOALS.items() if f[k]["total"] > goal]
        if f["menu"]["wakeups"] > GOAL_WAKEUPS:
            missed.append("%s menu %.0f wake-ups/s" % (name, f["menu"]["wakeups"]))
        menu, play = f["menu memory"][0]["total"], f["play memory"][0]["total"]
        if name.startswith("1280x960") and menu > GOAL_MENU_MIB:
            missed.append("%s menu %.1f MiB" % (name, menu))
        if not name.startswith("3840") and play - menu > GOAL_PLAY_ABOVE_MENU_MIB:
            missed.append("%s play %.1f MiB above the menu" % (name, play - menu))
        if f["menu memory"][2]:
            missed.append("%s maps %s" % (name, ", ".join(f["menu memory"][2])))
    if missed:
        print("GOAL MISSED: " + "; ".join(missed))
        return 1
    print("goals met, in the normal runs: menu <= %(menu)g %%, play <= %(play)g %%, finale <= %(finale)g %% of one core"
          % GOALS + ", menu <= %d wake-ups/s; menu at 1280x960 <= %g MiB, no OpenGL library, play <= %g MiB above it"
          % (GOAL_WAKEUPS, GOAL_MENU_MIB, GOAL_PLAY_ABOVE_MENU_MIB))
    return 0


if __name__ == "__main__":
    sys.exit(main())
