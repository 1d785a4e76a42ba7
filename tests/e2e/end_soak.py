#!/usr/bin/env python3
"""Starts the player again and again in one X server and clicks End, at a
different moment each time (before the first page, while the music starts,
later): every run must exit with status 0 and say nothing of X errors.

usage: end_soak.py PLAYER [RUNS]

The player plays the story in the dat folder beside it. Prints the count of
runs in a row that ended well; exits 1 at the first that did not, 77 when
there is no Xvfb.
"""

import os
import random
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "support"))
import xvfb  # noqa: E402

W, H = 1024, 768
END_BUTTON = (int(0.06 * W), int(0.035 * H))


def one_run(player, env, delay):
    proc = subprocess.Popen([player], env=env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE)
    try:
        # The window is there once the player has mapped it.
        subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid", str(proc.pid)],
                       env=env, stdout=subprocess.DEVNULL, timeout=20)
        time.sleep(delay)
        subprocess.run(["xdotool", "mousemove", str(END_BUTTON[0]), str(END_BUTTON[1]), "click",
                        "1"], env=env, check=True, timeout=20)
        _, err = proc.communicate(timeout=20)
    except subprocess.TimeoutExpired:
        proc.kill()
        _, err = proc.communicate()
        return "did not end", err
    return proc.returncode, err


def main():
    if len(sys.argv) not in (2, 3):
        print(__doc__)
        return 2
    player = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) == 3 else 1000
    missing = xvfb.missing_tools()
    if missing is not None:
        return missing
    # One server for every run, as a desktop has for every program it starts.
    server, display = xvfb.start_xvfb(W, H)
    env = dict(os.environ, DISPLAY=display, SDL_AUDIODRIVER=os.environ.get("SDL_AUDIODRIVER",
                                                                            "dummy"))
    rng = random.Random(2026)
    started = time.monotonic()
    try:
        for n in range(runs):
            delay = rng.choice([0.0, 0.0, 0.02, 0.05, 0.1, 0.2, 0.4, 0.8])
            status, err = one_run(player, env, delay)
            text = err.decode(errors="replace")
            if status != 0 or "X Error" in text or "BadWindow" in text:
                print("FAIL: run %d (End %.2f s after the map) ended with %s after %d good runs:"
                      % (n + 1, delay, status, n))
                print(text)
                return 1
            if (n + 1) % 100 == 0:
                print("%d runs in a row ended with status 0 (%.0f s)" %
                      (n + 1, time.monotonic() - started), flush=True)
    finally:
        server.terminate()
        server.wait()
    print("passed: End exited 0 in %d runs in a row, %.0f s" % (runs, time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
