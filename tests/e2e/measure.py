#!/usr/bin/env python3
"""Figures of the real player under Xvfb, printed, not checked:

  - start-up: from starting the process to the first frame that shows a
    line of prose (the player stamps it when YOMITE_BENCH_STARTUP=1, if it
    was built with -DYOMITE_STARTUP_STAMP=ON);
  - idle CPU: the player's own CPU time over 10 s while it waits for a
    click, from /proc/PID/stat, as a share of one core.

usage: measure.py PLAYER [DATDIR]   (DATDIR defaults to demo/dat)

Run it on a quiet machine; other work on the machine slows the start-up.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import player_e2e as e2e  # noqa: E402


def cpu_seconds(pid, task=None):
    path = "/proc/%d/stat" % pid if task is None else "/proc/%d/task/%d/stat" % (pid, task)
    with open(path) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    # utime and stime are fields 14 and 15 of the whole line.
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def main():
    if len(sys.argv) not in (2, 3):
        print(__doc__)
        return 2
    player = os.path.abspath(sys.argv[1])
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    dat = os.path.abspath(sys.argv[2] if len(sys.argv) == 3 else os.path.join(root, "demo", "dat"))
    xvfb, display = e2e.start_xvfb()
    work = tempfile.mkdtemp(prefix="yomite-measure-")
    try:
        exe = os.path.join(work, "yomite")
        shutil.copy2(player, exe)
        os.symlink(dat, os.path.join(work, "dat"))
        env = dict(os.environ, DISPLAY=display, SDL_AUDIODRIVER="dummy", YOMITE_BENCH_STARTUP="1")
        err_path = os.path.join(work, "err.log")
        with open(err_path, "wb") as log:
            started_us = time.time_ns() // 1000
            proc = subprocess.Popen([exe], env=env, stderr=log)
        screen = e2e.Screen(display)
        e2e.wait_for(screen, "the text waits for a click",
                     lambda s: s.count(e2e.CLICKME, e2e.white) > 500)
        stamp = None
        with open(err_path) as f:
            for line in f:
                if "first prose frame" in line:
                    stamp = line
        if stamp:
            after_main = float(stamp.split("frame ")[1].split(" ms")[0])
            wall_us = int(stamp.split("at ")[1].split(" us")[0])
            print("start-up: first prose frame %.0f ms after the process was started "
                  "(%.0f ms after main began)" % ((wall_us - started_us) / 1000, after_main))
        time.sleep(1.0)
        before, t0 = cpu_seconds(proc.pid), time.monotonic()
        main_before = cpu_seconds(proc.pid, proc.pid)
        time.sleep(10.0)
        after, t1 = cpu_seconds(proc.pid), time.monotonic()
        main_after = cpu_seconds(proc.pid, proc.pid)
        print("idle CPU while waiting for a click: %.2f%% of one core over %.1f s "
              "(the event loop's thread: %.2f%%, others such as the audio thread: %.2f%%)" %
              (100.0 * (after - before) / (t1 - t0), t1 - t0,
               100.0 * (main_after - main_before) / (t1 - t0),
               100.0 * ((after - before) - (main_after - main_before)) / (t1 - t0)))
        with open(err_path) as f:
            for line in f:
                if "first prose frame" not in line:
                    print("player:", line.rstrip())
        proc.terminate()
        proc.wait(timeout=10)
    finally:
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
