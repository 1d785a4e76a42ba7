"""What the desktop cases share: an X server of their own, a story made on
the spot, the player started in it, screenshots read by regions and the
window's geometry read with xwininfo. Every process a case starts is ended
by its id when the case ends."""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "support"))
import checks  # noqa: E402
import xvfb  # noqa: E402
from checks import Failure  # noqa: E402,F401

SKIP = xvfb.SKIP
WAIT_S = 15.0


def check(condition, what):
    checks.check(condition, what, indent="  ")


class Processes:
    """The processes a case started, ended in reverse order by their ids."""

    def __init__(self):
        self.started = []

    def start(self, argv, **kwargs):
        kwargs.setdefault("stdout", subprocess.DEVNULL)
        kwargs.setdefault("stderr", subprocess.DEVNULL)
        proc = subprocess.Popen(argv, start_new_session=True, **kwargs)
        self.started.append(proc)
        return proc

    def end_all(self):
        for proc in reversed(self.started):
            if proc.poll() is None:
                # The group of a process started in a session of its own
                # (its children too); the process alone otherwise.
                try:
                    leader = os.getpgid(proc.pid) == proc.pid
                    (os.killpg if leader else os.kill)(proc.pid, signal.SIGTERM)
                    try:
                        proc.wait(timeout=5)
                    except subprocess.TimeoutExpired:
                        (os.killpg if leader else os.kill)(proc.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass  # it ended meanwhile
                proc.wait()
        self.started = []


def start_xvfb(procs, screens):
    """An Xvfb with one screen per (width, height); returns its display
    name, e.g. ":99"."""
    try:
        server, display = xvfb.start_xvfb(*screens[0], more_screens=screens[1:])
    except RuntimeError as e:
        raise Failure(str(e))
    procs.started.append(server)
    return display


def make_story(folder):
    """A story of two pages; the player copied beside its dat folder."""
    os.makedirs(os.path.join(folder, "dat"), exist_ok=True)
    lines = ["最初のページの一行目です。", "二行目もあります。", ">p", "二ページ目です。"]
    with open(os.path.join(folder, "dat", "opn.dat"), "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp932"))
    return os.path.join(folder, "dat")


def player_env(display, **extra):
    env = dict(os.environ, SDL_AUDIODRIVER="dummy")
    env.pop("WAYLAND_DISPLAY", None)
    if display is not None:
        env["DISPLAY"] = display
    env.update(extra)
    return env


class Screen:
    """Screenshots of one X screen's root window as raw RGB."""

    def __init__(self, display, width, height):
        self.env = dict(os.environ, DISPLAY=display)
        self.w, self.h = width, height
        self.pixels = b""

    def grab(self):
        out = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"],
                             env=self.env, capture_output=True, timeout=30)
        if out.returncode != 0 or len(out.stdout) != self.w * self.h * 3:
            raise Failure("screenshot failed: " + out.stderr.decode(errors="replace"))
        self.pixels = out.stdout
        return self

    def save(self, path):
        subprocess.run(["import", "-window", "root", path], env=self.env, timeout=30)

    def box(self, fx0, fy0, fx1, fy1):
        return (int(fx0 * self.w), int(fy0 * self.h), int(fx1 * self.w), int(fy1 * self.h))

    def count(self, box, test):
        x0, y0, x1, y1 = box
        n = 0
        for y in range(y0, y1):
            row = self.pixels[(y * self.w + x0) * 3:(y * self.w + x1) * 3]
            for i in range(0, len(row), 3):
                if test(row[i], row[i + 1], row[i + 2]):
                    n += 1
        return n

    def click(self, fx, fy):
        # xdotool moves the pointer on the screen it is on unless told.
        number = self.env["DISPLAY"].rpartition(":")[2].partition(".")[2] or "0"
        subprocess.run(["xdotool", "mousemove", "--screen", number, str(int(fx * self.w)),
                        str(int(fy * self.h)), "click", "1"], env=self.env, check=True, timeout=20)


def white(r, g, b):
    return r > 200 and g > 200 and b > 200


# Where the layout puts things, as fractions of the window.
TEXT = (0.01, 0.52, 0.86, 0.9)
CLICKME = (0.875, 0.955, 0.965, 0.975)
END = (0.06, 0.035)


def first_page_shown(s):
    """Text in the text area and the ClickMe box white at its place, both
    where a full-screen window puts them."""
    x0, y0, x1, y1 = s.box(*CLICKME)
    clickme = s.count((x0, y0, x1, y1), white) > 0.7 * (x1 - x0) * (y1 - y0)
    return clickme and s.count(s.box(*TEXT), white) > 50


def wait_for(what, condition, within=WAIT_S):
    deadline = time.monotonic() + within
    while True:
        value = condition()
        if value:
            print("  ok:", what, flush=True)
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out waiting: " + what)
        time.sleep(0.2)


def wait_first_page(screen):
    return wait_for("the first page fills the screen",
                    lambda: first_page_shown(screen.grab()))


def player_windows(display):
    """The player's windows on the screen of display: (id, x, y, w, h) of
    each, its position relative to the root window."""
    out = subprocess.run(["xwininfo", "-root", "-tree"], env=dict(os.environ, DISPLAY=display),
                         capture_output=True, text=True, timeout=20)
    found = []
    for line in out.stdout.splitlines():
        if '("yomite" "yomite")' not in line:
            continue
        m = re.search(r"^\s*(0x[0-9a-f]+) .*\s(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)",
                      line)
        if m:
            found.append((int(m.group(1), 16), int(m.group(4)), int(m.group(5)),
                          int(m.group(2)), int(m.group(3))))
    return found


def covers(display, w, h):
    """The player's window lies over the whole screen, nothing above or
    left of it (no title bar, no offset)."""
    return any(g[1:] == (0, 0, w, h) for g in player_windows(display))


def end_with_end_button(screen, proc, what="End ends the player with status 0"):
    screen.click(*END)
    try:
        status = proc.wait(timeout=WAIT_S)
    except subprocess.TimeoutExpired:
        raise Failure("End did not end the player")
    check(status == 0, "%s (got %s)" % (what, status))


def run_cases(cases, player, names):
    """Runs the named cases, each in its own scratch folder (kept when it
    fails), ending what it started; returns the exit status."""
    failed = []
    started = time.monotonic()
    for name in names:
        case = cases[name]
        work = tempfile.mkdtemp(prefix="yomite-desktop-%s-" % name)
        procs = Processes()
        t0 = time.monotonic()
        print("case %s:" % name, flush=True)
        try:
            case(player, work, procs)
        except Failure as e:
            print("  FAIL: %s (files in %s)" % (e, work), flush=True)
            failed.append(name)
        finally:
            procs.end_all()
        if name not in failed:
            print("  passed in %.1f s" % (time.monotonic() - t0), flush=True)
            if not os.environ.get("YOMITE_DESKTOP_KEEP"):
                shutil.rmtree(work, ignore_errors=True)
            else:
                print("  files in", work)
    print("%d case(s) in %.1f s, %d failed %s" % (len(names), time.monotonic() - started,
                                                   len(failed), " ".join(failed)))
    return 1 if failed else 0
