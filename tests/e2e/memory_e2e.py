#!/usr/bin/env python3
"""The real player's memory while it shows one large picture after another:
eight different 1920x1080 JPEGs, one per click, on a 1920x1080 screen. The
hidden picture box holds one decoded picture and the picture area its own
painted pixels, so the peak resident memory (VmHWM) after the eighth
picture must stay within 12 MB of the peak after the first.

usage: memory_e2e.py PLAYER

Exits 0 when it holds, 1 when it does not, 77 (skipped) without Xvfb.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import player_e2e as e2e  # noqa: E402

W, H = 1920, 1080
PICTURES = 8
GROWTH_LIMIT_MB = 12.0
# The picture area on this screen: 1080x540 at the top right.
PROBE = (840 + 540, 270)
CLICKME = (int(0.87 * W) + 2, int(0.95 * H) + 2, int(0.97 * W) - 2, int(0.98 * H) - 2)
WAIT_S = 60


def colour(i):
    # Far apart from one picture to the next, never black.
    return ((60 + 97 * i) % 256, (200 + 53 * i) % 256, (120 + 151 * i) % 256)


def make_picture(path, i):
    # Detail everywhere (noise over a flat colour), as in a photograph, and
    # a flat patch in the middle to tell the pictures apart on the screen.
    fill = "rgb(%d,%d,%d)" % colour(i)
    subprocess.run(["convert", "-size", "%dx%d" % (W, H), "xc:" + fill, "-seed", str(i + 1),
                    "+noise", "Gaussian", "-fill", fill, "-draw", "rectangle 760,340 1160,740",
                    "-quality", "90", path], check=True, timeout=120)


def pixel(env, point):
    out = subprocess.run(["import", "-window", "root", "-crop", "1x1+%d+%d" % point, "-depth", "8",
                          "rgb:-"], env=env, capture_output=True, timeout=20)
    return tuple(out.stdout[:3]) if len(out.stdout) >= 3 else (0, 0, 0)


def wait_until(what, condition):
    deadline = time.monotonic() + WAIT_S
    while not condition():
        if time.monotonic() > deadline:
            raise e2e.Failure("timed out waiting: " + what)
        time.sleep(0.1)


def vm_kb(pid, field):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    raise e2e.Failure("no %s for the player" % field)


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    missing = e2e.xvfb.missing_tools(("xdotool", "import", "convert"))
    if missing is not None:
        return missing
    player = os.path.abspath(sys.argv[1])
    work = tempfile.mkdtemp(prefix="yomite-memory-")
    lines = ["最初のページです。"]
    for i in range(PICTURES):
        lines += [">img>p%d" % i, "%d 枚目の絵です。" % (i + 1)]
    lines += [">p", "おわり。"]  # the text waits after the last picture too
    pictures = {"p%d.jpg" % i: (lambda path, i=i: make_picture(path, i)) for i in range(PICTURES)}
    exe = e2e.install_player(player, work, {"opn.dat": lines}, pictures)
    server, display = e2e.xvfb.start_xvfb(W, H)
    env = dict(os.environ, DISPLAY=display)
    err_path = os.path.join(work, "err.log")
    proc = None
    try:
        with open(err_path, "wb") as log:
            proc = e2e.run_player(exe, display, log)
        clickme = ((CLICKME[0] + CLICKME[2]) // 2, (CLICKME[1] + CLICKME[3]) // 2)
        face = (CLICKME[0] + 6, clickme[1])  # beside its caption
        wait_until("the first page waits for a click",
                   lambda: e2e.white(*pixel(env, face)))
        peaks = []
        for i in range(PICTURES):
            subprocess.run(["xdotool", "mousemove", str(clickme[0]), str(clickme[1]), "click",
                            "1"], env=env, check=True, timeout=20)
            wait_until("picture %d on the screen" % (i + 1),
                       lambda: e2e.near(pixel(env, PROBE), colour(i), 40))
            time.sleep(0.5)  # the timer's tick that shows the indicator again
            wait_until("the text waits after picture %d" % (i + 1),
                       lambda: e2e.white(*pixel(env, face)))
            peaks.append(vm_kb(proc.pid, "VmHWM") / 1024.0)
            print("after picture %d: peak %.1f MB, now %.1f MB" %
                  (i + 1, peaks[-1], vm_kb(proc.pid, "VmRSS") / 1024.0), flush=True)
        growth = peaks[-1] - peaks[0]
        e2e.check(growth <= GROWTH_LIMIT_MB,
                  "the peak grew by %.1f MB from the first picture to the %dth (at most %.0f)" %
                  (growth, PICTURES, GROWTH_LIMIT_MB))
    except e2e.Failure as e:
        shot = os.path.join(work, "failed.png")
        subprocess.run(["import", "-window", "root", shot], env=env, timeout=30)
        with open(err_path, "rb") as f:
            sys.stdout.write(f.read().decode(errors="replace"))
        print("FAIL:", e, "(screenshot: %s)" % shot)
        return 1
    finally:
        if proc is not None and proc.poll() is None:
            proc.terminate()
            try:
                proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
        server.terminate()
        server.wait()
    shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
