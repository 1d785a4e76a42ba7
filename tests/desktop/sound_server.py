#!/usr/bin/env python3
"""The player's music through a real PulseAudio server of the test's own, on
a null sink whose monitor the test records:

  1. the music is heard;
  2. the server is killed: the player says so in one line and plays on;
     while no server is there, the player's CPU is measured;
  3. the server is started again: the music comes back (the time from the
     server's return to the music heard is printed);
  4. End: the program exits at once with status 0, and the sound fades out
     (the level of the last 10 ms and of the last 1 ms before silence);
  5. a second run starts the player before any server exists: once one
     starts, the music is heard.

usage: sound_server.py PLAYER

Exits 0 when all of it holds, 1 when not, 77 (skipped) when Xvfb or
PulseAudio is not installed.
"""

import array
import math
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "support"))
import xvfb  # noqa: E402

W, H = 1024, 768
END_BUTTON = (int(0.06 * W), int(0.035 * H))
RATE = 44100
SINK = "yomite_test"
# Sound below this RMS (of full scale) counts as silence; the bundled piece
# plays some 20 dB above it.
HEARD = 0.01


class Server:
    """A PulseAudio daemon on a null sink, in the test's own runtime folder."""

    def __init__(self, env):
        self.env = env
        self.proc = None

    def start(self):
        self.proc = subprocess.Popen(
            ["pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "-n", "--use-pid-file=no",
             "--disable-shm=yes", "--load=module-native-protocol-unix auth-anonymous=1",
             "--load=module-null-sink sink_name=%s" % SINK, "--log-target=stderr",
             "--log-level=error"],
            env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            ok = subprocess.run(["pactl", "info"], env=self.env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL).returncode == 0
            if ok:
                return time.monotonic()
            if self.proc.poll() is not None:
                break
            time.sleep(0.05)
        raise RuntimeError("PulseAudio did not start")

    def kill(self):
        if self.proc is not None and self.proc.poll() is None:
            self.proc.send_signal(signal.SIGKILL)
            self.proc.wait()
        self.proc = None


class Recorder:
    """parec on the sink's monitor: RMS of every 10 ms, with the time each
    arrived."""

    def __init__(self, env):
        self.env = env
        self.levels = []  # (monotonic time, rms)
        self.samples = array.array("h")
        self.proc = None
        self.thread = None

    def start(self):
        self.proc = subprocess.Popen(
            ["parec", "-d", SINK + ".monitor", "--raw", "--format=s16le", "--rate=%d" % RATE,
             "--channels=2", "--latency-msec=10"],
            env=self.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.thread = threading.Thread(target=self._read, args=(self.proc,), daemon=True)
        self.thread.start()

    def _read(self, proc):
        block = RATE // 100 * 4
        while True:
            data = proc.stdout.read(block)
            if not data or len(data) < block:
                return
            frames = array.array("h", data)
            self.samples.extend(frames)
            total = sum((frames[i] + frames[i + 1]) ** 2 for i in range(0, len(frames), 2))
            rms = math.sqrt(total / (len(frames) // 2)) / 65536.0
            self.levels.append((time.monotonic(), rms))

    def stop(self):
        if self.proc is not None:
            self.proc.terminate()
            self.proc.wait()
            self.thread.join(timeout=5)
        self.proc = None

    def heard_since(self, since):
        return [t for t, rms in self.levels if t >= since and rms > HEARD]

    def wait_heard(self, since, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            heard = self.heard_since(since)
            if heard:
                return heard[0]
            time.sleep(0.02)
        return None


def cpu_seconds(pid):
    """The CPU time of all the process's threads, to the nanosecond
    (schedstat), where /proc/PID/stat counts in 10 ms ticks."""
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/schedstat" % (pid, task)) as f:
                total += int(f.read().split()[0])
        except OSError:
            pass  # a thread that ended meanwhile
    return total / 1e9


def fade_levels(samples):
    """dBFS of the last 10 ms and of the last 1 ms before the recording falls
    silent for good."""
    mono = [(samples[i] + samples[i + 1]) / 65536.0 for i in range(0, len(samples) - 1, 2)]
    last = len(mono) - 1
    while last >= 0 and abs(mono[last]) < 2.0 / 32768:
        last -= 1

    def db(count):
        part = mono[max(0, last - count + 1):last + 1]
        rms = math.sqrt(sum(v * v for v in part) / max(1, len(part)))
        return 20 * math.log10(rms) if rms > 0 else -200.0
    return db(RATE // 100), db(RATE // 1000), last


def start_player(player, env):
    proc = subprocess.Popen([player], env=env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE)
    subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid", str(proc.pid)],
                   env=env, stdout=subprocess.DEVNULL, timeout=30)
    return proc


def click_end(proc, env):
    clicked = time.monotonic()
    subprocess.run(["xdotool", "mousemove", str(END_BUTTON[0]), str(END_BUTTON[1]), "click", "1"],
                   env=env, check=True, timeout=20)
    _, err = proc.communicate(timeout=20)
    return time.monotonic() - clicked, proc.returncode, err.decode(errors="replace")


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    player = os.path.abspath(sys.argv[1])
    missing = xvfb.missing_tools(["xdotool"])
    if missing is not None:
        return missing
    if shutil.which("pulseaudio") is None or shutil.which("parec") is None:
        print("SKIP: PulseAudio is not installed (scripts/setup.sh --tests installs it)")
        return xvfb.SKIP

    failures = []

    def check(ok, what):
        print(("ok: " if ok else "FAIL: ") + what, flush=True)
        if not ok:
            failures.append(what)

    home = tempfile.mkdtemp(prefix="yomite-sound-")
    runtime = os.path.join(home, "run")
    os.makedirs(runtime, mode=0o700)
    x, display = xvfb.start_xvfb(W, H)
    env = dict(os.environ, HOME=home, XDG_RUNTIME_DIR=runtime,
               PULSE_RUNTIME_PATH=os.path.join(runtime, "pulse"), DISPLAY=display,
               SDL_AUDIODRIVER="pulseaudio")
    env.pop("PULSE_SERVER", None)
    server = Server(env)
    recorder = Recorder(env)
    proc = None
    try:
        # 1. Heard.
        server.start()
        recorder.start()
        proc = start_player(player, env)
        started = time.monotonic()
        check(recorder.wait_heard(started, 10) is not None, "the music is heard")

        # 2. The server dies; nothing of the player waits for it.
        recorder.stop()
        server.kill()
        lost_at = time.monotonic()
        time.sleep(0.5)
        cpu0, t0 = cpu_seconds(proc.pid), time.monotonic()
        time.sleep(3.0)
        cpu = (cpu_seconds(proc.pid) - cpu0) / (time.monotonic() - t0)
        print("figure: the player without a sound server: %.1f %% of a core (3 s)" % (100 * cpu))
        check(proc.poll() is None, "the player plays on without a sound server")

        # 3. The server returns.
        back_at = server.start()
        recorder = Recorder(env)
        recorder.start()
        heard = recorder.wait_heard(back_at, 10)
        check(heard is not None, "the music is heard again after the server returned")
        if heard is not None:
            print("figure: music heard again %.0f ms after the server's return (server lost for "
                  "%.1f s)" % (1000 * (heard - back_at), back_at - lost_at))

        # 4. End fades out and ends the program.
        time.sleep(1.0)
        took, status, err = click_end(proc, env)
        proc = None
        check(status == 0, "End exits with status 0 (%s)" % status)
        time.sleep(0.3)
        recorder.stop()
        print("figure: End answered %.0f ms after the click (xdotool included)" % (1000 * took))
        lines = [line for line in err.splitlines() if line]
        check(any("audio device was lost" in line for line in lines),
              "the loss is said on standard error")
        check(len([line for line in lines if "audio device was lost" in line]) == 1,
              "the loss is said once")
        ten, one, last = fade_levels(recorder.samples)
        print("figure: the last 10 ms before silence at %.1f dBFS, the last 1 ms at %.1f dBFS"
              % (ten, one))
        check(last > 0 and one < ten - 6, "the sound fades out at the end instead of stopping")
        check(took < 5.0, "End ends the program at once (a hang bound)")

        # 5. A server that starts after the player.
        server.kill()
        recorder = Recorder(env)
        proc = start_player(player, env)
        time.sleep(1.5)
        came_at = server.start()
        recorder.start()
        heard = recorder.wait_heard(came_at, 10)
        check(heard is not None, "a server that starts after the player is used")
        if heard is not None:
            print("figure: a late server heard %.0f ms after it started" %
                  (1000 * (heard - came_at)))
        took, status, err = click_end(proc, env)
        proc = None
        check(status == 0 and took < 5.0, "End ends the program at once with a late server")
    finally:
        if proc is not None:
            proc.kill()
            proc.wait()
        recorder.stop()
        server.kill()
        x.terminate()
        x.wait()
        shutil.rmtree(home, ignore_errors=True)
    if failures:
        print("FAILED: %d checks" % len(failures))
        return 1
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
