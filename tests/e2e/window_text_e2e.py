#!/usr/bin/env python3
"""The real player in a real X server on the things a desktop gives it
besides the mouse: a font set without Japanese, no font at all, the
keyboard, and window sizes another client forces on it (a portrait window,
16384 x 16384).

usage: window_text_e2e.py PLAYER

Exits 0 when every check passes, 1 on the first failure, 77 (skipped) when
there is no Xvfb to run it in. Prints what it measured (peak memory, the
time from a key to the exit).
"""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "support"))
import fontsets  # noqa: E402
import hostile_e2e as hostile  # noqa: E402
import player_e2e as e2e  # noqa: E402

STORY = {"opn.dat": ["最初の行です。", "二行目です。"]}
END_FACE = (100, 100, 255)


def launch(player, display, work, name, env=None):
    exe = e2e.install_player(player, os.path.join(work, name), STORY, {})
    err_path = os.path.join(work, name + ".err")
    with open(err_path, "wb") as log:
        proc = hostile.start(exe, display, log, env)
    proc.display = display
    return proc, err_path


def xdotool(display, *args):
    return subprocess.run(["xdotool"] + list(args), env=dict(os.environ, DISPLAY=display),
                          capture_output=True, text=True, timeout=20)


def player_window(display):
    out = xdotool(display, "search", "--sync", "--onlyvisible", "--class", "yomite")
    ids = out.stdout.split()
    e2e.check(bool(ids), "the player's window is found")
    return ids[0]


def window_size(display, wid):
    out = xdotool(display, "getwindowgeometry", "--shell", wid)
    fields = dict(line.split("=", 1) for line in out.stdout.split() if "=" in line)
    return int(fields.get("WIDTH", -1)), int(fields.get("HEIGHT", -1))


def ends_with(proc, status, what, within=hostile.END_WITHIN_S * 5):
    try:
        got = proc.wait(timeout=within)
    except subprocess.TimeoutExpired:
        raise e2e.Failure(what + ": the player did not end within %.0f s" % within)
    e2e.check(got == status, what + ": exit status %d (got %s)" % (status, got))


def no_japanese_font(player, display, work):
    # Only DejaVu: fontconfig answers Japanese with a Latin font. The story
    # plays on, and one line names the font and the package to install.
    conf = fontsets.fontconfig_file(work, "dejavu", fontsets.LATIN_ONLY)
    proc, err_path = launch(player, display, work, "dejavu", {"FONTCONFIG_FILE": conf})
    screen = e2e.Screen(display)
    try:
        # The Japanese text may not show at all: the choice buttons do.
        e2e.wait_for(screen, "no Japanese font: the menu at the end of the script",
                     lambda s: e2e.white(*s.at(*e2e.FIRST_CHOICE)))
        hostile.end_at_once(proc, screen, "no Japanese font")
    finally:
        hostile.stop(proc)
    err = hostile.stderr_of(err_path)
    lines = fontsets.no_japanese_lines(err)
    e2e.check(len(lines) == 1, "no Japanese font: said once (%s)" % err.strip())
    e2e.check(fontsets.names_font_and_package(lines[0]),
              "no Japanese font: the line names the font and the package (%s)" % lines[0])


def no_font_at_all(player, display, work):
    # No font: the About box is our own box (its title bar), not SDL's
    # dialog, and its text is said on standard error.
    conf = fontsets.fontconfig_file(work, "none", [os.path.join(work, "no-such-folder")])
    proc, err_path = launch(player, display, work, "nofont", {"FONTCONFIG_FILE": conf})
    screen = e2e.Screen(display)
    try:
        e2e.wait_for(screen, "no font: the window is laid out",
                     lambda s: s.count((0, 0, 120, 40), lambda r, g, b: (r, g, b) == END_FACE) > 100)
        screen.click(600, 100)  # the picture area
        e2e.wait_for(screen, "no font: our own About box", e2e.box_shown)
        xdotool(display, "key", "Return")
        e2e.wait_for(screen, "no font: the box closed on Return", lambda s: not e2e.box_shown(s))
        hostile.end_at_once(proc, screen, "no font")
    finally:
        hostile.stop(proc)
    err = hostile.stderr_of(err_path)
    e2e.check("no Japanese font found" in err, "no font: said on standard error (%s)" % err)
    about = [line for line in err.splitlines() if line.startswith("yomite: ミモザ")]
    e2e.check(len(about) == 1, "no font: the About box's text on standard error (%s)" % err)


def keyboard(player, display, work):
    # Tab from the picture area to End shows the focus mark on it; Space
    # presses it as a click does and the player ends.
    proc, err_path = launch(player, display, work, "keys")
    screen = e2e.Screen(display)
    try:
        hostile.first_page(screen, "keyboard")
        face = (int(0.01 * e2e.W) + 4, int(0.02 * e2e.H) + 3, int(0.11 * e2e.W) - 4,
                int(0.05 * e2e.H) - 3)
        dark = lambda r, g, b: r + g + b < 100  # noqa: E731
        before = screen.grab().count(face, dark)
        player_window(display)
        xdotool(display, "key", "Tab")
        s = e2e.wait_for(screen, "keyboard: the focus mark on End after Tab",
                         lambda s: s.count(face, dark) > before + 20)
        e2e.check(e2e.near(s.at(int(0.03 * e2e.W), int(0.035 * e2e.H)), END_FACE),
                  "keyboard: End keeps its face")
        pressed = time.monotonic()
        xdotool(display, "key", "space")
        ends_with(proc, 0, "keyboard: Space on End")
        print("measured: Space on End to exit %.0f ms" % ((time.monotonic() - pressed) * 1000))
    finally:
        hostile.stop(proc)


def resized(player, display, work, name, width, height, case):
    """Starts the player, waits for its first page, has xdotool size its
    window, and runs case(proc, screen, wid, peak memory before the resize)."""
    proc, err_path = launch(player, display, work, name)
    screen = e2e.Screen(display)
    try:
        hostile.first_page(screen, name)
        wid = player_window(display)
        before = hostile.peak_mb(proc)
        xdotool(display, "windowsize", wid, str(width), str(height))
        case(proc, screen, wid, before)
    finally:
        hostile.stop(proc)


def portrait_window(player, display, work):
    # Another client makes the window taller than wide: the picture area
    # reaches over the button column, and a click on End still ends.
    def case(proc, screen, wid, before):
        e2e.wait_for(screen, "portrait: laid out again at 600x760",
                     lambda s: s.count((0, 0, 100, 40), lambda r, g, b: (r, g, b) == END_FACE) > 50
                     and s.count((610, 0, 1024, 768), lambda r, g, b: r + g + b > 30) == 0)
        screen.click(int(0.06 * 600), int(0.035 * 760))
        ends_with(proc, 0, "portrait: End clicked")

    resized(player, display, work, "portrait", 600, 760, case)


def huge_window(player, display, work):
    # 16384 x 16384 forced on the window: it is asked back to the bounded
    # size, memory stays at a few hundred MB, and End still ends.
    def case(proc, screen, wid, before):
        time.sleep(1.0)
        hostile.wait_idle(proc, "huge window", within=60)
        size = window_size(display, wid)
        peak = hostile.peak_mb(proc)
        print("measured: window forced to 16384x16384: now %dx%d, peak memory %.0f MB "
              "(%.0f MB before)" % (size[0], size[1], peak, before))
        e2e.check(size[0] <= 8192 and size[1] <= 8192, "huge window: asked back (%s)" % (size,))
        if not hostile.sanitized(player):  # its shadow memory and quarantine add their own
            e2e.check(peak < 700, "huge window: peak memory %.0f MB under 700 MB" % peak)
        # The window is now larger than the screen: End lies at the same
        # place in units of the bounded size.
        screen.click(int(0.06 * size[0]), int(0.035 * size[1]))
        ends_with(proc, 0, "huge window: End clicked")

    resized(player, display, work, "huge window", 16384, 16384, case)


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    player = os.path.abspath(sys.argv[1])
    missing = e2e.xvfb.missing_tools(("xdotool", "import"))
    if missing is not None:
        return missing
    return e2e.run_cases(player, [no_japanese_font, no_font_at_all, keyboard, portrait_window,
                                  huge_window], "yomite-window-e2e-")


if __name__ == "__main__":
    sys.exit(main())
