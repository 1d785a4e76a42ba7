#!/usr/bin/env python3
"""Installs the build into a temporary prefix and checks what a user gets:
every file in its place, the desktop entry and metainfo accepted by their
validators, the installed programs' versions, the player's exit without a
display, and, under Xvfb, the installed player started from / playing the
bundled story in a window of class "yomite", and another story named on its
command line.

usage: install_test.py CMAKE BUILD_DIR VERSION
"""

import gzip
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "support"))
import xvfb  # noqa: E402

W, H = 1024, 768
IMG = (256, 0, 1024, 384)   # the picture area in pixels of 1024x768
TEXT = (11, 400, 880, 700)  # where the first lines of text go
WAIT_S = 15.0
failures = []


def check(condition, what):
    print(("ok: " if condition else "FAILED: ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def without_display(env):
    env = dict(env)
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"):
        env.pop(name, None)
    return env


def installed_files(prefix):
    files = set()
    for root, _, names in os.walk(prefix):
        for n in names:
            files.add(os.path.relpath(os.path.join(root, n), prefix))
    return files


def grab(env):
    out = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"], env=env,
                         capture_output=True, timeout=20)
    return out.stdout if out.returncode == 0 and len(out.stdout) == W * H * 3 else b""


def count(pixels, box, test):
    x0, y0, x1, y1 = box
    n = 0
    for y in range(y0, y1, 2):
        row = pixels[(y * W + x0) * 3:(y * W + x1) * 3]
        for i in range(0, len(row), 6):
            if test(row[i], row[i + 1], row[i + 2]):
                n += 1
    return n


def wait_for_screen(env, what, condition):
    deadline = time.monotonic() + WAIT_S
    while time.monotonic() < deadline:
        pixels = grab(env)
        if pixels and condition(pixels):
            return check(True, what)
        time.sleep(0.2)
    return check(False, what)


def window_of_class(env, name):
    deadline = time.monotonic() + WAIT_S
    while time.monotonic() < deadline:
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--classname", name],
                             env=env, capture_output=True, text=True, timeout=20)
        if out.stdout.split():
            return out.stdout.split()[0]
        time.sleep(0.1)
    return None


def play(exe, args, env, log_path, what, on_screen):
    """Starts the installed player from /, checks its window and what it
    shows, then ends it the way a desktop's logout would (SIGTERM)."""
    with open(log_path, "wb") as log:
        proc = subprocess.Popen([exe] + args, cwd="/", env=env, stderr=log)
    try:
        window = window_of_class(env, "yomite")
        if check(window is not None, what + ": a window of class yomite is shown"):
            props = subprocess.run(["xprop", "-id", window, "WM_CLASS", "WM_NAME"], env=env,
                                   capture_output=True, text=True, timeout=20).stdout
            check('WM_CLASS(STRING) = "yomite", "yomite"' in props,
                  what + ": WM_CLASS is yomite (" + props.splitlines()[0] + ")")
            name = [l.split("=", 1)[1].strip() for l in props.splitlines()
                    if l.startswith("WM_NAME(") and "=" in l]
            check(name in ([], [""], ['""']),
                  what + ": the title stays empty")
        wait_for_screen(env, what, on_screen)
    finally:
        proc.terminate()
        try:
            proc.wait(timeout=20)
            ended = True
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
            ended = False
    with open(log_path, "rb") as f:
        err = f.read().decode(errors="replace")
    # The exit status after the window is gone is the end-to-end test's
    # concern; here the player must not outlive the request to end.
    check(ended, what + ": ends on SIGTERM (status %s; stderr %r)" % (proc.returncode, err))


def main():
    cmake, build, version = sys.argv[1:4]
    work = tempfile.mkdtemp(prefix="yomite-install-")
    try:
        prefix = os.path.join(work, "prefix")
        out = subprocess.run([cmake, "--install", build, "--prefix", prefix],
                             capture_output=True, text=True, timeout=60)
        if not check(out.returncode == 0, "cmake --install succeeds"):
            print(out.stdout + out.stderr)
            return 1

        files = installed_files(prefix)
        wanted = ["bin/yomite", "bin/yomite-check", "bin/yomite-trace",
                  "share/yomite/dat/opn.dat", "share/yomite/dat/bgm.mid",
                  "share/applications/org.example.yomite.desktop",
                  "share/metainfo/org.example.yomite.metainfo.xml",
                  "share/man/man6/yomite.6.gz", "share/man/man1/yomite-check.1.gz",
                  "share/man/man1/yomite-trace.1.gz", "share/man/man5/yomite-story.5.gz",
                  "share/doc/yomite/story-format.md", "share/doc/yomite/demo-story.md",
                  "share/doc/yomite/LICENSE", "share/doc/yomite/copyright"]
        wanted += ["share/icons/hicolor/%dx%d/apps/yomite.png" % (s, s)
                   for s in (16, 22, 24, 32, 48, 64, 128, 256)]
        for f in wanted:
            check(f in files, "installed: " + f)
        demo = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(
            os.path.abspath(__file__)))), "demo", "dat")
        check(sorted(f for f in files if f.startswith("share/yomite/dat/")) ==
              sorted("share/yomite/dat/" + n for n in os.listdir(demo)),
              "the installed story is the bundled one, file for file")
        for page, head in (("man6/yomite.6.gz", b".TH YOMITE 6 "),
                           ("man1/yomite-check.1.gz", b".TH YOMITE-CHECK 1 ")):
            path = os.path.join(prefix, "share/man", page)
            if os.path.exists(path):
                with gzip.open(path) as f:
                    text = f.read()
                check(text.startswith(head) and b"@PROJECT_VERSION@" not in text,
                      "the manual page %s unpacks to the page" % page)
        with open(os.path.join(prefix, "share/icons/hicolor/48x48/apps/yomite.png"), "rb") as f:
            png = f.read()
        check(png[:8] == b"\x89PNG\r\n\x1a\n" and int.from_bytes(png[16:20], "big") == 48
              and int.from_bytes(png[20:24], "big") == 48, "the 48x48 icon is a 48x48 PNG")

        desktop = os.path.join(prefix, "share/applications/org.example.yomite.desktop")
        with open(desktop, encoding="utf-8") as f:
            entry = f.read()
        check("\nStartupWMClass=yomite\n" in entry and "\nExec=yomite\n" in entry,
              "the desktop entry runs yomite and names its window class")
        if shutil.which("desktop-file-validate"):
            v = subprocess.run(["desktop-file-validate", desktop], capture_output=True, text=True)
            check(v.returncode == 0 and not v.stdout.strip(),
                  "desktop-file-validate accepts the entry " + v.stdout + v.stderr)
        else:
            print("skipped: desktop-file-validate is not installed")
        if shutil.which("appstreamcli"):
            v = subprocess.run(["appstreamcli", "validate", "--no-net", "--pedantic", os.path.join(
                prefix, "share/metainfo/org.example.yomite.metainfo.xml")],
                capture_output=True, text=True)
            check(v.returncode == 0, "appstreamcli validate accepts the metainfo " + v.stdout)
        else:
            print("skipped: appstreamcli is not installed")

        for name in ("yomite", "yomite-check", "yomite-trace"):
            v = subprocess.run([os.path.join(prefix, "bin", name), "--version"],
                               capture_output=True, text=True, timeout=20)
            check(v.returncode == 0 and v.stdout == "%s %s\n" % (name, version),
                  "%s --version prints %r (got %r)" % (name, version, v.stdout))

        home = os.path.join(work, "home")
        os.makedirs(home)
        env = dict(os.environ, HOME=home, SDL_AUDIODRIVER="dummy")
        env.pop("XDG_DATA_HOME", None)
        # Nothing in the system's data folders: the story must come from the
        # prefix the player is installed under.
        env["XDG_DATA_DIRS"] = os.path.join(work, "nothing")
        exe = os.path.join(prefix, "bin", "yomite")

        start = time.monotonic()
        v = subprocess.run([exe], cwd="/", env=without_display(env), capture_output=True,
                           text=True, timeout=20)
        took = time.monotonic() - start
        lines = v.stderr.splitlines()
        check(v.returncode == 1 and len(lines) == 1 and "no display" in lines[0],
              "without a display: status 1 and one line (%s, %r)" % (v.returncode, v.stderr))
        check(took < 5, "without a display it exits at once (%.2f s)" % took)

        v = subprocess.run([exe], cwd="/", env=dict(without_display(env), DISPLAY=":64999"),
                           capture_output=True, text=True, timeout=20)
        lines = v.stderr.splitlines()
        check(v.returncode == 1 and len(lines) == 1 and ":64999" in lines[0],
              "an X server that cannot be reached: status 1 and one line (%s, %r)"
              % (v.returncode, v.stderr))

        v = subprocess.run([exe, os.path.join(work, "nowhere")], cwd="/",
                           env=without_display(env), capture_output=True, text=True, timeout=20)
        check(v.returncode == 1 and os.path.join(work, "nowhere", "dat") in v.stderr,
              "a folder without a story: status 1, the places looked at named")

        if not shutil.which("Xvfb") or not shutil.which("xdotool") or not shutil.which("xprop"):
            print("skipped: the windowed checks need Xvfb, xdotool and xprop")
        else:
            server, display = xvfb.start_xvfb(W, H)
            shown = dict(env, DISPLAY=display)
            try:
                play(exe, [], shown, os.path.join(work, "bundled.err"),
                     "the bundled story from the prefix",
                     lambda p: count(p, TEXT, lambda r, g, b: r > 200 and g > 200 and b > 200)
                     > 20)
                # Another story: a red picture first, which the bundled story
                # does not have.
                mine = os.path.join(work, "stories", "mine", "dat")
                os.makedirs(mine)
                with open(os.path.join(mine, "opn.dat"), "wb") as f:
                    f.write("\r\n".join([">img>red", "赤い絵の物語です。", ""]).encode("cp932"))
                subprocess.run(["convert", "-size", "64x64", "xc:#FF0000",
                                os.path.join(mine, "red.jpg")], check=True, timeout=30)
                play(exe, [os.path.dirname(mine)], shown, os.path.join(work, "mine.err"),
                     "the story named on the command line",
                     lambda p: count(p, IMG, lambda r, g, b: r > 200 and g < 60 and b < 60)
                     > 0.8 * count(p, IMG, lambda r, g, b: True))
                # A copy under another name, finding the story through
                # XDG_DATA_DIRS: the window's class does not come from the
                # file name.
                copy = os.path.join(work, "elsewhere", "renamed-player")
                os.makedirs(os.path.dirname(copy))
                shutil.copy2(exe, copy)
                play(copy, [], dict(shown, XDG_DATA_DIRS=os.path.join(prefix, "share")),
                     os.path.join(work, "renamed.err"), "a renamed copy",
                     lambda p: count(p, TEXT, lambda r, g, b: r > 200 and g > 200 and b > 200)
                     > 20)
            finally:
                server.terminate()
                server.wait()
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        print("%d check(s) failed" % len(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
