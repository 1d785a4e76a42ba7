#!/usr/bin/env python3
"""Figures of the real player and of yomite-trace; prints one JSON object.

usage:
  player_bench.py startup PLAYER [RUNS] [AUDIO]
                                              process start to first prose frame
  player_bench.py idle-cpu PLAYER [SECONDS] [AUDIO] [SETTLE]
                                              CPU while waiting for a click,
                                              SETTLE s after the first frame
  player_bench.py x-playthrough PLAYER        peak memory, played with xdotool
  player_bench.py trace-playthrough TRACE DAT peak memory, played by yomite-trace

PLAYER must be built with -DYOMITE_STARTUP_STAMP=ON (scripts/bench.sh
does): the packaged player has no start-up stamp. The player runs in its
own Xvfb at 1920x1080 and plays the story in the
folder dat beside it. AUDIO is SDL's audio driver, "dummy" by default: the
machine has no sound card, and the dummy driver still pulls every sample,
so the synthesizer does all its work; "" leaves SDL to look for a device,
which here finds none, and the story plays in silence. Nothing here judges
a figure.
"""

import json
import os
import re
import resource
import signal
import statistics
import subprocess
import sys
import tempfile
import time

W, H = 1920, 1080
# Control centres on a 1920x1080 screen (the layout's 100 by 100 grid).
TEXT = (960, 700)
CLICKME = (int(0.92 * W), int(0.965 * H))
CHOICES = [(int(0.06 * W), int(0.065 * H)), (int(0.06 * W), int(0.095 * H))]
# A point of the first choice button's face, off its caption.
CHOICE_FACE = (int(0.015 * W), int(0.055 * H))
# The picks of a game that reaches the good ending of the demo story.
GOOD_PATH = [0, 0, 1, 1, 0, 0, 0, 1]
STAMP = re.compile(r"first prose frame ([0-9.]+) ms after main, at ([0-9]+) us")


class Xvfb:
    """A display of our own, with no window manager on it."""

    def __init__(self):
        self.display = None
        self.proc = None

    def __enter__(self):
        for n in range(90, 120):
            if os.path.exists("/tmp/.X11-unix/X%d" % n) or os.path.exists("/tmp/.X%d-lock" % n):
                continue
            self.proc = subprocess.Popen(
                ["Xvfb", ":%d" % n, "-screen", "0", "%dx%dx24" % (W, H), "-nolisten", "tcp"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.display = ":%d" % n
            env = dict(os.environ, DISPLAY=self.display)
            for _ in range(100):
                if subprocess.run(["xdpyinfo"], env=env, capture_output=True).returncode == 0:
                    return self
                if self.proc.poll() is not None:
                    break
                time.sleep(0.05)
            self.proc.kill()
            self.proc.wait()
        raise RuntimeError("no Xvfb display could be started")

    def __exit__(self, *exc):
        if self.proc:
            self.proc.terminate()
            self.proc.wait()

    def env(self, **extra):
        env = dict(os.environ, DISPLAY=self.display)
        env.update(extra)
        return env


class Player:
    """The player with its start-up stamp on; stderr is read for it."""

    def __init__(self, player, x, audio="dummy"):
        extra = {"YOMITE_BENCH_STARTUP": "1"}
        if audio:
            extra["SDL_AUDIODRIVER"] = audio
        self.log = tempfile.TemporaryFile()
        self.started_us = time.time_ns() // 1000
        self.proc = subprocess.Popen([player], env=x.env(**extra), stdout=subprocess.DEVNULL,
                                     stderr=self.log)

    def wait_for_stamp(self, timeout=20.0):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            self.log.seek(0)
            m = STAMP.search(self.log.read().decode(errors="replace"))
            if m:
                return float(m.group(1)), int(m.group(2))
            if self.proc.poll() is not None:
                break
            time.sleep(0.005)
        self.log.seek(0)
        raise RuntimeError("no start-up stamp (is the player built with "
                           "-DYOMITE_STARTUP_STAMP=ON?); the player said: " +
                           self.log.read().decode(errors="replace")[-2000:])

    def cpu_seconds(self):
        """CPU time of every thread by name, in seconds: the scheduler's own
        nanosecond count, where the clock ticks of /proc/PID/stat would
        give a tenth of a percent in 10 s as 0 or 1 tick."""
        by_name = {}
        task_dir = "/proc/%d/task" % self.proc.pid
        for tid in os.listdir(task_dir):
            try:
                with open(os.path.join(task_dir, tid, "schedstat")) as f:
                    ns = int(f.read().split()[0])
                with open(os.path.join(task_dir, tid, "comm")) as f:
                    name = f.read().strip()
            except OSError:
                continue  # a thread that ended meanwhile
            by_name[name] = by_name.get(name, 0.0) + ns / 1e9
        return by_name

    def status(self, key):
        with open("/proc/%d/status" % self.proc.pid) as f:
            for line in f:
                if line.startswith(key + ":"):
                    return int(line.split()[1])
        return None

    def open_script(self):
        """The script file the player has open, from its file descriptors."""
        fd_dir = "/proc/%d/fd" % self.proc.pid
        for fd in os.listdir(fd_dir):
            try:
                target = os.readlink(os.path.join(fd_dir, fd))
            except OSError:
                continue
            if target.endswith(".dat"):
                return os.path.basename(target)
        return None

    def threads(self):
        return len(os.listdir("/proc/%d/task" % self.proc.pid))

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


def settle(x):
    """Waits until the X server has finished with the last run: closing a
    full-screen window has it repaint the screen beneath, 30 to 50 ms of its
    time, which a start right after would wait for. A user starts the player
    once, on a server at rest."""
    subprocess.run(["xdpyinfo"], env=x.env(), capture_output=True)
    time.sleep(0.3)


def startup(player, runs=10, audio="dummy"):
    since_start, since_main = [], []
    with Xvfb() as x:
        for _ in range(runs):
            settle(x)
            p = Player(player, x, audio)
            try:
                main_ms, wall_us = p.wait_for_stamp()
            finally:
                p.stop()
            since_start.append((wall_us - p.started_us) / 1000.0)
            since_main.append(main_ms)
    return {"runs": runs, "audio": audio or "default",
            "median_ms": statistics.median(since_start), "min_ms": min(since_start),
            "max_ms": max(since_start), "main_median_ms": statistics.median(since_main)}


def idle_cpu(player, seconds=10.0, audio="dummy", settle=3.0):
    """CPU over seconds, settle seconds after the first frame. The opening
    page runs on one line per 100 ms until its first pause, 3 s in; the
    music is synthesized the first time through (48 s) and replayed after."""
    with Xvfb() as x:
        p = Player(player, x, audio)
        try:
            p.wait_for_stamp()
            time.sleep(settle)
            t0, c0 = time.monotonic(), p.cpu_seconds()
            time.sleep(seconds)
            t1, c1 = time.monotonic(), p.cpu_seconds()
            threads = p.threads()
        finally:
            p.stop()
    wall = t1 - t0
    per_thread = {name: round(100.0 * (c1[name] - c0.get(name, 0.0)) / wall, 3) for name in c1}
    return {"seconds": round(wall, 2), "settle_seconds": settle, "audio": audio or "default",
            "cpu_percent_of_one_core": sum(per_thread.values()),
            "per_thread_percent": per_thread, "threads": threads}


def screen_pixel(x, point):
    out = subprocess.run(["import", "-window", "root", "-crop", "1x1+%d+%d" % point, "-depth", "8",
                          "rgb:-"], env=x.env(), capture_output=True, timeout=20)
    return tuple(out.stdout[:3]) if len(out.stdout) >= 3 else (0, 0, 0)


def xdotool(x, *args):
    subprocess.run(["xdotool"] + [str(a) for a in args], env=x.env(), check=True)


def click(x, point, button=1):
    xdotool(x, "mousemove", point[0], point[1], "click", button)


def x_playthrough(player, path=GOOD_PATH, max_rounds=400):
    """Plays a whole game with the mouse: right clicks on the text run on to
    the next stop, left clicks on the indicator go on, and at each menu the
    next pick of the path is made; after the last pick it plays on until the
    menu of the next game, which the ending leads to."""
    with Xvfb() as x:
        p = Player(player, x)
        picks = 0
        scripts = []
        try:
            p.wait_for_stamp()
            time.sleep(0.5)  # the first page settled
            first_page_kb = p.status("VmHWM")
            xdotool(x, "mousemove", TEXT[0], TEXT[1])
            for _ in range(max_rounds):
                script = p.open_script()
                if script and (not scripts or scripts[-1] != script):
                    scripts.append(script)
                menu = sum(screen_pixel(x, CHOICE_FACE)) > 600
                if menu:
                    if picks >= len(path):
                        break  # the menu of the game after the ending
                    click(x, CHOICES[path[picks]])
                    picks += 1
                    time.sleep(0.3)
                    continue
                click(x, TEXT, 3)
                time.sleep(0.05)
                click(x, CLICKME)
                time.sleep(0.15)
            peak_kb = p.status("VmHWM")
            now_kb = p.status("VmRSS")
        finally:
            p.stop()
    # A fast-forward can run through a script between two looks; the demo's
    # opening leads to mata.dat only once the ending has set its flag.
    return {"picks": picks, "peak_rss_mb": peak_kb / 1024.0, "final_rss_mb": now_kb / 1024.0,
            "first_page_peak_rss_mb": first_page_kb / 1024.0,
            "scripts_seen": scripts,
            "reached_ending": "end.dat" in scripts or "mata.dat" in scripts}


def trace_playthrough(trace, dat, path=GOOD_PATH):
    """The same game through yomite-trace, deciding each event from the
    transcript; ends when the ending has opened the next game's opening."""
    proc = subprocess.Popen([trace, "--screen", "%dx%d" % (W, H), dat], stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, text=True, bufsize=1)
    opened, picks, events = [], 0, 0
    state = None

    def read():
        line = proc.stdout.readline()
        if not line:
            return None
        o = json.loads(line)
        opened.extend(e[5:] for e in o["log"] if e.startswith("open "))
        return o

    state = read()
    while state is not None and "error" not in state and events < 20000:
        if state["qst_mode"]:
            if picks >= len(path):
                break  # the menu of the game after the ending
            event = "click qst%d" % path[picks]
            picks += 1
        elif state["timer"]:
            event = "run"
        else:
            event = "click clickme"
        proc.stdin.write(event + "\n")
        proc.stdin.flush()
        events += 1
        state = read()
    proc.stdin.close()
    proc.wait()
    peak_kb = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
    return {"events": events, "picks": picks, "scripts_opened": len(opened),
            "reached_ending": "end.dat" in opened, "peak_rss_mb": peak_kb / 1024.0,
            "error": state.get("error") if state else None}


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    what = argv[1]
    if what == "startup":
        result = startup(argv[2], int(argv[3]) if len(argv) > 3 else 10,
                         argv[4] if len(argv) > 4 else "dummy")
    elif what == "idle-cpu":
        result = idle_cpu(argv[2], float(argv[3]) if len(argv) > 3 else 10.0,
                          argv[4] if len(argv) > 4 else "dummy",
                          float(argv[5]) if len(argv) > 5 else 3.0)
    elif what == "x-playthrough":
        result = x_playthrough(argv[2])
    elif what == "trace-playthrough":
        result = trace_playthrough(argv[2], argv[3])
    else:
        sys.stderr.write(__doc__)
        return 2
    print(json.dumps(result))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
