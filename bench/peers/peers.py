#!/usr/bin/env python3
"""Side by side with other story players packaged by Debian: the opening
page of the bundled story (its first eight lines of prose, white on black)
in yomite, onscripter and instead, each started in turn on one Xvfb at
1920x1080, RUNS rounds. One external measure for all: an Xlib probe
(first_text_probe.c, built here) started with the player watches the
screen above its bottom 80 rows for the first frame with text on it, and prints the milliseconds
from the start of the process. Also the peak resident memory (VmHWM) of
each player 3 s after its text appeared.

usage: peers.py YOMITE [RUNS]      (installs onscripter and instead with apt-get)
With PEERS_SHOTS=DIR, a screenshot of each player 3 s after its text is
saved there, to check that what the probe saw was the text.

Prints a Markdown table. renpy is not run: as packaged in Debian 12 it
needs a compatibility patch for Python 3.11 in the game folder.
"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))
import xvfb  # noqa: E402

W, H = 1920, 1080
TEXT_BOTTOM = 1000


def opening_lines(count=8):
    lines = []
    with open(os.path.join(ROOT, "demo", "dat", "opn.dat"), "rb") as f:
        for raw in f.read().split(b"\r\n"):
            text = raw.decode("cp932")
            if text and not text.startswith(">"):
                lines.append(text)
            if len(lines) == count:
                break
    return lines


def japanese_font():
    out = subprocess.run(["fc-match", "-f", "%{file}", "sans-serif:lang=ja"], capture_output=True,
                         text=True)
    return out.stdout.strip()


def make_yomite(work, player, lines):
    folder = os.path.join(work, "yomite")
    os.makedirs(os.path.join(folder, "dat"))
    shutil.copy2(player, os.path.join(folder, "yomite"))
    with open(os.path.join(folder, "dat", "opn.dat"), "wb") as f:
        f.write(("\r\n".join(lines + [">p", "おわり"]) + "\r\n").encode("cp932"))
    return [os.path.join(folder, "yomite")], {"SDL_AUDIODRIVER": "dummy"}


def make_onscripter(work, lines):
    folder = os.path.join(work, "onscripter")
    os.makedirs(folder)
    os.symlink(japanese_font(), os.path.join(folder, "default.ttf"))
    # White text on the black page, all lines at once, then a click wait.
    script = ["*define", "game", "*start"]
    script += [line + "@" if i == len(lines) - 1 else line for i, line in enumerate(lines)]
    script += ["end"]
    with open(os.path.join(folder, "0.txt"), "wb") as f:
        f.write(("\r\n".join(script) + "\r\n").encode("cp932"))
    return ["/usr/games/onscripter", "-r", folder, "--window"], {"SDL_AUDIODRIVER": "dummy"}


def make_instead(work, lines):
    games = os.path.join(work, "instead")
    folder = os.path.join(games, "opening")
    os.makedirs(folder)
    text = "^".join(lines).replace("]]", "")
    with open(os.path.join(folder, "main3.lua"), "w", encoding="utf-8") as f:
        f.write("--$Name: opening$\n--$Version: 1$\n--$Author: yomite bench$\n"
                "room {\n  nam = 'main';\n  disp = 'yomite';\n  decor = [[" + text + "]];\n}\n")
    # The default theme's fonts have no Japanese: the system's, as for the others.
    os.symlink(japanese_font(), os.path.join(folder, "ja.ttf"))
    with open(os.path.join(folder, "theme.ini"), "w") as f:
        f.write("scr.w = %d\nscr.h = %d\nscr.col.bg = black\nscr.gfx.bg =\n"
                "win.x = 40\nwin.y = 40\nwin.w = %d\nwin.h = %d\nwin.col.fg = white\n"
                "win.fnt.name = ja.ttf\nwin.fnt.size = 28\n" % (W, H, W - 80, H - 80))
    home = os.path.join(work, "instead-home")
    os.makedirs(home, exist_ok=True)
    return (["/usr/games/sdl-instead", "-gamespath", games, "-game", "opening", "-owntheme",
             "-window", "-mode", "%dx%d" % (W, H), "-nosound", "-noautosave"],
            {"HOME": home, "SDL_AUDIODRIVER": "dummy"})


def vm_hwm_mb(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1]) / 1024.0
    except OSError:
        pass
    return None


def one_run(display, probe, command, env):
    env = dict(os.environ, DISPLAY=display, **env)
    started_us = time.time_ns() // 1000
    proc = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # Above yomite's indicator box, which is white too.
    out = subprocess.run([probe, "0", "0", str(W), str(TEXT_BOTTOM), str(started_us), "50", "20"],
                         env=env, capture_output=True, text=True, timeout=60)
    ms = float(out.stdout.strip() or -1)
    time.sleep(3)
    shots = os.environ.get("PEERS_SHOTS")
    if shots:  # to look at what each player showed
        name = os.path.basename(command[0]) + ".png"
        subprocess.run(["import", "-window", "root", os.path.join(shots, name)], env=env,
                       timeout=30)
    memory = vm_hwm_mb(proc.pid)
    proc.terminate()
    try:
        proc.wait(timeout=5)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
    time.sleep(1)  # the server finishes with the window before the next start
    return (ms if ms >= 0 else None), memory


def version(package):
    out = subprocess.run(["dpkg-query", "-W", "-f", "${Version}", package], capture_output=True,
                         text=True)
    return out.stdout.strip() or "?"


def main():
    if len(sys.argv) not in (2, 3):
        print(__doc__)
        return 2
    player = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) == 3 else 7
    missing = [p for p in ("onscripter", "instead") if not shutil.which("/usr/games/" + (
        "sdl-instead" if p == "instead" else p))]
    if missing:
        subprocess.run(["apt-get", "install", "-y", "-qq", "--no-install-recommends"] + missing,
                       check=True)
    work = tempfile.mkdtemp(prefix="yomite-peers-")
    probe = os.path.join(work, "first_text_probe")
    subprocess.run(["cc", "-O2", os.path.join(HERE, "first_text_probe.c"), "-o", probe, "-lX11"],
                   check=True)
    lines = opening_lines()
    players = {
        "yomite": make_yomite(work, player, lines),
        "onscripter %s" % version("onscripter"): make_onscripter(work, lines),
        "instead %s" % version("instead"): make_instead(work, lines),
    }
    results = {name: ([], []) for name in players}
    server, display = xvfb.start_xvfb(W, H)
    try:
        for run in range(runs):
            for name, (command, env) in players.items():
                ms, memory = one_run(display, probe, command, env)
                results[name][0].append(ms)
                results[name][1].append(memory)
                print("run %d, %s: first text %s ms, peak %s MB" % (run + 1, name, ms, memory),
                      file=sys.stderr, flush=True)
    finally:
        server.terminate()
        server.wait()
        shutil.rmtree(work, ignore_errors=True)
    print("| Player | start to first text (median of %d, min–max) | peak memory 3 s after |" % runs)
    print("|---|---|---|")
    for name, (times, memories) in results.items():
        seen = [t for t in times if t is not None]
        mem = [m for m in memories if m is not None]
        cell = ("%.0f ms (%.0f–%.0f)" % (statistics.median(seen), min(seen), max(seen))
                if seen else "no text seen")
        if len(seen) < len(times):
            cell += ", %d of %d runs without text" % (len(times) - len(seen), len(times))
        print("| %s | %s | %s |" % (name, cell,
                                    "%.1f MB" % statistics.median(mem) if mem else "—"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
