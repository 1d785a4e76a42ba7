#!/usr/bin/env python3
"""The real player in a real X server: a story made here (Shift-JIS
scripts, a JPEG made with ImageMagick), clicked through with xdotool, with
the screen's pixels checked after every step.

usage: player_e2e.py PLAYER

Exits 0 when every check passes, 1 on the first failure, 77 (skipped) when
there is no Xvfb to run it in.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "support"))
import xvfb  # noqa: E402
from checks import Failure, check  # noqa: E402,F401

W, H = 1024, 768
# The screen as laid out on a 100 by 100 grid, in pixels of 1024x768.
IMG = (256, 0, 1024, 384)             # the picture area: x0, y0, x1, y1
TEXT = (11, 400, 880, 700)            # where the first lines of text go
CLICKME = (int(0.87 * W) + 2, int(0.95 * H) + 2, int(0.97 * W) - 2, int(0.98 * H) - 2)
END_BUTTON = (int(0.06 * W), int(0.035 * H))
FIRST_CHOICE = (int(0.06 * W), int(0.065 * H))
WAIT_S = 10.0


def sjis_script(lines):
    return ("\r\n".join(lines) + "\r\n").encode("cp932")


class Screen:
    """Screenshots of the root window as raw RGB."""

    def __init__(self, display):
        self.env = dict(os.environ, DISPLAY=display)
        self.pixels = b""

    def grab(self):
        out = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"],
                             env=self.env, capture_output=True, timeout=20)
        if out.returncode != 0 or len(out.stdout) != W * H * 3:
            raise Failure("screenshot failed: " + out.stderr.decode(errors="replace"))
        self.pixels = out.stdout
        return self

    def save(self, path):
        subprocess.run(["import", "-window", "root", path], env=self.env, timeout=20)

    def at(self, x, y):
        i = (y * W + x) * 3
        return tuple(self.pixels[i:i + 3])

    def count(self, box, test):
        x0, y0, x1, y1 = box
        n = 0
        for y in range(y0, y1):
            row = self.pixels[(y * W + x0) * 3:(y * W + x1) * 3]
            for i in range(0, len(row), 3):
                if test(row[i], row[i + 1], row[i + 2]):
                    n += 1
        return n

    def crop(self, box):
        x0, y0, x1, y1 = box
        return b"".join(self.pixels[(y * W + x0) * 3:(y * W + x1) * 3] for y in range(y0, y1))

    def find_band(self, colour, min_run, box=(0, 0, W, H)):
        """The bounding box of the runs of at least min_run pixels of exactly
        this colour (a button's face, not the odd pixel of a glyph's edge)."""
        x0, y0, x1, y1 = box
        want = bytes(colour) * min_run
        found = None
        for y in range(y0, y1):
            row = self.pixels[(y * W + x0) * 3:(y * W + x1) * 3]
            start = row.find(want)
            while start >= 0 and start % 3:
                start = row.find(want, start + 1)
            if start < 0:
                continue
            x = x0 + start // 3
            if found is None:
                found = [x, y, x + min_run, y]
            found[0] = min(found[0], x)
            found[2] = max(found[2], x + min_run)
            found[3] = y
        return found

    def click(self, x, y, button=1):
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", str(button)],
                       env=self.env, check=True, timeout=20)


def near(pixel, want, tolerance=24):
    return all(abs(a - b) <= tolerance for a, b in zip(pixel, want))


def white(r, g, b):
    return r > 200 and g > 200 and b > 200


def clickme_shown(s):
    """The ClickMe box white at its place: the text waits for a click."""
    area = (CLICKME[2] - CLICKME[0]) * (CLICKME[3] - CLICKME[1])
    return s.count(CLICKME, white) > 0.9 * area * 0.8


TITLE_BAR = (32, 64, 128)
OK_FACE = (225, 225, 225)


def box_shown(s):
    """Our message box: its title bar is a wide band of one colour (a few
    pixels of that colour may also occur where the picture's colours blend)."""
    return s.count((0, 0, W, H), lambda r, g, b: (r, g, b) == TITLE_BAR) > 2000


def wait_for(screen, what, condition):
    """Polls screenshots until condition(screen) holds."""
    deadline = time.monotonic() + WAIT_S
    while True:
        screen.grab()
        if condition(screen):
            print("ok:", what, flush=True)
            return screen
        if time.monotonic() > deadline:
            raise Failure("timed out waiting: " + what)
        time.sleep(0.1)


def start_xvfb():
    try:
        return xvfb.start_xvfb(W, H)
    except RuntimeError as e:
        raise Failure(str(e))


def install_player(player, folder, scripts, pictures):
    """The player copied into folder with a dat folder of its own beside it
    (a copy, not a link: the player finds dat beside its real path)."""
    os.makedirs(os.path.join(folder, "dat"))
    exe = os.path.join(folder, "yomite")
    shutil.copy2(player, exe)
    for name, lines in scripts.items():
        with open(os.path.join(folder, "dat", name), "wb") as f:
            f.write(sjis_script(lines))
    for name, make in pictures.items():
        make(os.path.join(folder, "dat", name))
    return exe


def four_quadrants(path):
    # Red and green above, blue and white below, 400x200, no chroma
    # subsampling so the edges between the colours stay sharp.
    subprocess.run(["convert", "-size", "200x100", "xc:#FF0000", "-size", "200x100",
                    "xc:#00FF00", "+append", "(", "-size", "200x100", "xc:#0000FF", "-size",
                    "200x100", "xc:#FFFFFF", "+append", ")", "-append", "-sampling-factor",
                    "1x1", "-quality", "95", path], check=True, timeout=30)


def run_player(exe, display, log):
    env = dict(os.environ, DISPLAY=display, SDL_AUDIODRIVER="dummy")
    # Memory the system's libraries keep to the end is not the player's leak;
    # the suppressions name functions, which needs whole stacks.
    supp = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "lsan.supp")
    env["LSAN_OPTIONS"] = "suppressions=%s:print_suppressions=0:fast_unwind_on_malloc=0" % supp
    return subprocess.Popen([exe], env=env, stderr=log)


def play_story(player, display, work):
    exe = install_player(player, os.path.join(work, "story"), {
        "opn.dat": ["最初の行です。", ">img>quad", "二ページ目の一行目です。", "二ページ目の二行目です。"],
        "0_0.dat": ["お兄さんの場面です。", ">p", "続きです。"],
        "1_0.dat": ["柚木さんの場面です。"],
    }, {"quad.jpg": four_quadrants})
    screen = Screen(display)
    err_path = os.path.join(work, "story.err")
    with open(err_path, "wb") as log:
        proc = run_player(exe, display, log)
    try:
        s = wait_for(screen, "white text in the text area after the first step",
                     lambda s: s.count(TEXT, white) > 50)
        first_page = s.crop(TEXT)
        s = wait_for(screen, "the ClickMe box white at its place while the text waits",
                     clickme_shown)
        check(s.count((IMG[0], IMG[1], IMG[2], IMG[3]), lambda r, g, b: r + g + b > 30) == 0,
              "the picture area is black before the first picture")

        screen.click((CLICKME[0] + CLICKME[2]) // 2, (CLICKME[1] + CLICKME[3]) // 2)
        s = wait_for(screen, "the picture appears after a click",
                     lambda s: near(s.at(260, 4), (255, 0, 0)))
        samples = {
            "top left red": ((260, 4), (255, 0, 0)),
            "top right green": ((1020, 4), (0, 255, 0)),
            "bottom left blue": ((260, 380), (0, 0, 255)),
            "bottom right white": ((1020, 380), (255, 255, 255)),
            "red up to the middle": ((628, 180), (255, 0, 0)),
            "green from the middle": ((652, 180), (0, 255, 0)),
            "blue from half height": ((628, 204), (0, 0, 255)),
        }
        for name, ((x, y), want) in samples.items():
            check(near(s.at(x, y), want), "picture %s at %d,%d: %s" % (name, x, y, s.at(x, y)))
        check(near(s.at(256, 100), (255, 0, 0)) and near(s.at(255, 100), (0, 0, 0), 8),
              "the picture starts at x 256")
        check(near(s.at(500, 383), (0, 0, 255)) and near(s.at(500, 385), (0, 0, 0), 8),
              "the picture ends at y 384")
        check(s.crop(TEXT) != first_page and s.count(TEXT, white) > 50,
              "the click advanced the text to a new page")

        s = wait_for(screen, "the choice buttons appear at the end of the scene",
                     lambda s: near(s.at(FIRST_CHOICE[0] - 40, FIRST_CHOICE[1]),
                                    (255, 255, 255), 0))
        before_box = s.crop(IMG)

        screen.click(400, 100)
        s = wait_for(screen, "the About box appears on a click on the picture",
                     box_shown)
        ok = s.find_band(OK_FACE, 30)
        check(ok is not None and ok[2] - ok[0] > 20, "the About box has its OK button")
        check(near(s.at(260, 4), (255, 0, 0)) and near(s.at(1020, 380), (255, 255, 255)),
              "the picture is still drawn around the box")
        screen.save(os.path.join(work, "about.png"))
        screen.click((ok[0] + ok[2]) // 2, (ok[1] + ok[3]) // 2)
        s = wait_for(screen, "the About box closes with its OK button",
                     lambda s: not box_shown(s))
        check(s.crop(IMG) == before_box, "the picture is intact after the box")
        check(proc.poll() is None, "the player runs on after the box")

        choice_text = s.crop(TEXT)
        time.sleep(0.6)  # not a double click with the click on OK
        screen.click(*FIRST_CHOICE)
        s = wait_for(screen, "a click on the first choice opens the next scene",
                     lambda s: s.crop(TEXT) != choice_text and s.count(TEXT, white) > 50 and
                     not near(s.at(FIRST_CHOICE[0] - 40, FIRST_CHOICE[1]), (255, 255, 255), 0))
        screen.save(os.path.join(work, "scene.png"))

        screen.click(*END_BUTTON)
        try:
            status = proc.wait(timeout=WAIT_S)
        except subprocess.TimeoutExpired:
            raise Failure("the End button did not end the player")
        check(status == 0, "the End button ends the player with status 0 (got %s)" % status)
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
        with open(err_path, "rb") as f:
            sys.stdout.write(f.read().decode(errors="replace"))


def run_time_error(player, display, work):
    exe = install_player(player, os.path.join(work, "broken"), {
        "opn.dat": ["一行目です。", ">ive>nothere"],
    }, {})
    screen = Screen(display)
    err_path = os.path.join(work, "broken.err")
    with open(err_path, "wb") as log:
        proc = run_player(exe, display, log)
    try:
        s = wait_for(screen, "the first line is shown", lambda s: s.count(TEXT, white) > 20)
        time.sleep(0.2)
        screen.click((CLICKME[0] + CLICKME[2]) // 2, (CLICKME[1] + CLICKME[3]) // 2)
        s = wait_for(screen, "the run-time error box appears",
                     box_shown)
        check(s.find_band(OK_FACE, 30) is not None, "the error box has its OK button")
        screen.save(os.path.join(work, "error.png"))
        # Enter closes it as OK does.
        subprocess.run(["xdotool", "key", "Return"], env=screen.env, check=True, timeout=20)
        try:
            status = proc.wait(timeout=WAIT_S)
        except subprocess.TimeoutExpired:
            raise Failure("the player did not end when Enter closed the error box")
        check(status == 1, "a run-time error ends the player with status 1 (got %s)" % status)
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
    with open(err_path, "rb") as f:
        err = f.read().decode(errors="replace")
    sys.stdout.write(err)
    check("yomite: Run-time error 53: File not found: nothere.dat (in opn.dat, line 2)" in err,
          "standard error names the error and where it happened")


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    player = os.path.abspath(sys.argv[1])
    missing = xvfb.missing_tools(("xdotool", "import", "convert"))
    if missing is not None:
        return missing
    return run_cases(player, [play_story, run_time_error], "yomite-e2e-")


def run_cases(player, cases, prefix):
    """Runs each case(player, display, work) on one X server, in a scratch
    folder that is kept when a case fails; returns the exit status."""
    started = time.monotonic()
    server, display = start_xvfb()
    work = tempfile.mkdtemp(prefix=prefix)
    try:
        for case in cases:
            case(player, display, work)
    except Failure as e:
        print("FAIL:", e, "(files in %s)" % work)
        return 1
    finally:
        server.terminate()
        server.wait()
    shutil.rmtree(work, ignore_errors=True)
    print("passed in %.1f s" % (time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
