#!/usr/bin/env python3
"""The real player in a real X server on data made to hurt it: music that
floods the synthesizer, a picture that repeats its scans, a page that is
never cleared, a prose line of 200 MB. Each must end by itself with its
error, or play on and still end at once on End; none may end by a signal.

usage: hostile_e2e.py PLAYER

Exits 0 when every check passes, 1 on the first failure, 77 (skipped) when
there is no Xvfb to run it in. Prints what it measured (End latency, time
to the error, peak memory).
"""

import os
import resource
import struct
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import player_e2e as e2e  # noqa: E402

# The address space the player gets: what a small machine would give it.
ADDRESS_LIMIT = 3 << 30
# Generous bounds, to catch hangs, not to time anything.
ERROR_WITHIN_S = 10.0
END_WITHIN_S = 2.0


def note_flood(notes):
    """A MIDI file of one track holding notes note events, all at time 0."""
    events = bytearray(b"\x00\x90\x3c\x64")
    pair = b"\x00\x3c\x00\x00\x3c\x64"  # off and on again, in running status
    events += pair * ((notes - 1) // 2)
    if (notes - 1) % 2:
        events += b"\x00\x3c\x00"
    events += b"\x00\xff\x2f\x00"
    return (b"MThd" + struct.pack(">IHHH", 6, 0, 1, 480) + b"MTrk" +
            struct.pack(">I", len(events)) + bytes(events))


def sanitized(exe):
    """AddressSanitizer reserves terabytes of address space for its own
    bookkeeping: a player built with it cannot run under the limit."""
    with open(exe, "rb") as f:
        return b"__asan_init" in f.read()


def limited():
    resource.setrlimit(resource.RLIMIT_AS, (ADDRESS_LIMIT, ADDRESS_LIMIT))


def start(exe, display, log, env=None):
    run_env = dict(os.environ, DISPLAY=display, SDL_AUDIODRIVER="dummy")
    run_env.update(env or {})
    return subprocess.Popen([exe], env=run_env, stderr=log,
                            preexec_fn=None if sanitized(exe) else limited)


def launch(exe, display, work, name):
    """Starts an installed player with its standard error in work/NAME.err;
    returns the process and that file's path."""
    err_path = os.path.join(work, name + ".err")
    with open(err_path, "wb") as log:
        proc = start(exe, display, log)
    proc.display = display
    return proc, err_path


def first_page(screen, what):
    return e2e.wait_for(screen, what + ": the first page",
                        lambda s: s.count(e2e.TEXT, e2e.white) > 20)


def stderr_of(err_path):
    with open(err_path, "rb") as f:
        return f.read().decode(errors="replace")


def peak_mb(proc):
    try:
        with open("/proc/%d/status" % proc.pid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1]) / 1024
    except OSError:
        pass
    return -1


def cpu_ticks(proc):
    with open("/proc/%d/stat" % proc.pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # user and system time


def wait_idle(proc, what, within=120.0):
    """Waits until the player has used less than a tenth of a core for half
    a second: whatever a click started has been done and drawn."""
    deadline = time.monotonic() + within
    tick = os.sysconf("SC_CLK_TCK")
    while time.monotonic() < deadline:
        before = cpu_ticks(proc)
        time.sleep(0.5)
        if cpu_ticks(proc) - before < 0.05 * tick:
            return
    raise e2e.Failure(what + ": the player was still busy after %.0f s" % within)


def stop(proc):
    if proc.poll() is None:
        proc.kill()
        proc.wait()


def end_at_once(proc, screen, what):
    """Clicks End and returns how long the player took to exit."""
    e2e.check(proc.poll() is None, what + ": the player still runs")
    peak = peak_mb(proc)
    clicked = time.monotonic()
    screen.click(*e2e.END_BUTTON)
    try:
        status = proc.wait(timeout=30)
    except subprocess.TimeoutExpired:
        raise e2e.Failure(what + ": End did not end the player within 30 s")
    took = time.monotonic() - clicked
    print("measured: %s: End took %.0f ms, peak memory %.0f MB" % (what, took * 1000, peak))
    e2e.check(status == 0, what + ": End exits with status 0 (got %s)" % status)
    e2e.check(took < END_WITHIN_S, what + ": End within %.0f s" % END_WITHIN_S)
    return took


def destroyed_at_once(proc, screen, what):
    """Destroys the player's window from another client (as a task manager
    does) and returns how long the player took to exit: with status 0, as
    on a close."""
    e2e.check(proc.poll() is None, what + ": the player still runs")
    env = screen.env
    found = subprocess.run(["xdotool", "search", "--class", "yomite"], env=env,
                           capture_output=True, text=True, timeout=20).stdout.split()
    e2e.check(len(found) >= 1, what + ": the window is found")
    sent = time.monotonic()
    subprocess.run(["xdotool", "windowclose", found[0]], env=env, check=True, timeout=20)
    try:
        status = proc.wait(timeout=30)
    except subprocess.TimeoutExpired:
        raise e2e.Failure(what + ": the player ran on 30 s without its window")
    took = time.monotonic() - sent
    print("measured: %s: exit %.0f ms after it was destroyed" % (what, took * 1000))
    e2e.check(status == 0, what + ": exits with status 0 (got %s)" % status)
    e2e.check(took < END_WITHIN_S, what + ": exits within %.0f s" % END_WITHIN_S)
    return took


def error_ends(proc, err_path, number, what, within=ERROR_WITHIN_S):
    """Waits for the run-time error box, closes it, and checks the report."""
    started = time.monotonic()
    screen = e2e.Screen(proc.display)
    deadline = started + within
    while not e2e.box_shown(screen.grab()):
        if proc.poll() is not None or time.monotonic() > deadline:
            break
        time.sleep(0.1)
    took = time.monotonic() - started
    cpu = -1.0
    if proc.poll() is None:
        e2e.check(e2e.box_shown(screen), what + ": the error box within %.0f s" % within)
        peak = peak_mb(proc)
        cpu = cpu_ticks(proc) / os.sysconf("SC_CLK_TCK")
        subprocess.run(["xdotool", "key", "Return"], env=screen.env, check=True, timeout=20)
    else:
        peak = -1
    try:
        status = proc.wait(timeout=ERROR_WITHIN_S)
    except subprocess.TimeoutExpired:
        raise e2e.Failure(what + ": the player did not end after its error")
    print("measured: %s: error shown after %.1f s (%.1f s of CPU since the start), peak memory "
          "%.0f MB" % (what, took, cpu, peak))
    e2e.check(status == 1, what + ": exits with status 1, not a signal (got %s)" % status)
    err = stderr_of(err_path)
    e2e.check("yomite: Run-time error %d:" % number in err,
              what + ": standard error names error %d (%s)" % (number, err.strip()[-300:]))


def music_flood(player, display, work):
    # The most notes the reader takes, all due at once, restarted for ever:
    # the synthesizer gets its budget each block and End still ends at once.
    exe = e2e.install_player(player, os.path.join(work, "flood"), {
        "opn.dat": ["音楽が鳴っています。", "まだ鳴っています。"],
    }, {})
    with open(os.path.join(work, "flood", "dat", "bgm.mid"), "wb") as f:
        f.write(note_flood(999_999))
    screen = e2e.Screen(display)
    proc, err_path = launch(exe, display, work, "flood")
    try:
        first_page(screen, "flood")
        time.sleep(2.0)  # the music starts after the first page, then floods
        end_at_once(proc, screen, "flood")
    finally:
        stop(proc)
    err = stderr_of(err_path)
    e2e.check(err.count("music plays without some of its events") == 1,
              "flood: one line on standard error says events were dropped (%s)" % err.strip())


def huge_music_file(player, display, work):
    # 60 MB of notes: refused unread beyond its size, the story plays silent.
    exe = e2e.install_player(player, os.path.join(work, "huge"), {
        "opn.dat": ["音楽のない話です。"],
    }, {})
    with open(os.path.join(work, "huge", "dat", "bgm.mid"), "wb") as f:
        f.write(note_flood(20_000_000))
    screen = e2e.Screen(display)
    proc, err_path = launch(exe, display, work, "huge")
    try:
        first_page(screen, "huge music")
        time.sleep(1.0)
        end_at_once(proc, screen, "60 MB of music")
    finally:
        stop(proc)
    err = stderr_of(err_path)
    e2e.check("music is silent" in err, "huge music: one line says the music is silent (%s)" %
              err.strip())


def scan_bomb(path):
    """A progressive picture of one colour whose last scan is written 20,000
    times: a pass over the whole picture each."""
    plain = path + ".plain.jpg"
    subprocess.run(["convert", "-size", "1920x1080", "xc:#336699", "-interlace", "JPEG",
                    "-quality", "90", plain], check=True, timeout=60)
    with open(plain, "rb") as f:
        data = f.read()
    os.remove(plain)
    last = data.rfind(b"\xff\xda")
    end = data.rfind(b"\xff\xd9")
    with open(path, "wb") as f:
        f.write(data[:end] + data[last:end] * 20_000 + data[end:])


def picture_bomb(player, display, work):
    exe = e2e.install_player(player, os.path.join(work, "bomb"), {
        "opn.dat": ["絵が出ます。", ">img>bomb", "出ません。"],
    }, {"bomb.jpg": scan_bomb})
    screen = e2e.Screen(display)
    proc, err_path = launch(exe, display, work, "bomb")
    try:
        first_page(screen, "bomb")
        time.sleep(0.2)
        screen.click((e2e.CLICKME[0] + e2e.CLICKME[2]) // 2, (e2e.CLICKME[1] + e2e.CLICKME[3]) // 2)
        error_ends(proc, err_path, 481, "scan bomb")
    finally:
        stop(proc)


def endless_page(player, display, work):
    # An empty line at the first place of every page keeps the page from
    # being cleared: a right click runs 100,000 lines onto one caption, a
    # click adds more, and End, clicked while that is drawn, ends at once.
    block = ["この頁は消されずに伸び続けます。"] * 10 + [""]
    exe = e2e.install_player(player, os.path.join(work, "page"), {
        "opn.dat": [">p"] + block * 9_200 + ["最後の行です。"],
    }, {})
    screen = e2e.Screen(display)
    proc, _ = launch(exe, display, work, "page")
    try:
        # The whole first page: its lines come one a tick, and the second
        # reaches into the band below.
        s = e2e.wait_for(screen, "page: the first page, waiting for a click", e2e.clickme_shown)
        # The top line, which a page that is never cleared keeps.
        top = (e2e.TEXT[0], e2e.TEXT[1], e2e.TEXT[2], e2e.TEXT[1] + 24)
        first = s.crop(top)
        clicked = time.monotonic()
        screen.click(400, 500, button=3)  # fast-forward: 100,000 lines at most
        wait_idle(proc, "page")
        print("measured: fast-forwarding 100,000 lines and drawing them took %.0f ms" %
              ((time.monotonic() - clicked - 0.5) * 1000))
        e2e.check(screen.grab().crop(top) == first, "page: the top line never changed")
        # One page more: how long it keeps the player busy is how late End
        # would answer.
        clicked = time.monotonic()
        screen.click(400, 500)
        wait_idle(proc, "page")
        print("measured: a click on a page of 100,000 lines keeps the player busy %.0f ms" %
              ((time.monotonic() - clicked - 0.5) * 1000))
        screen.click(400, 500)  # and once more, with End right after it
        time.sleep(0.05)
        end_at_once(proc, screen, "100,000 lines on one page")
    finally:
        stop(proc)


def huge_line(player, display, work):
    # One prose line of 200 MB: memory runs out somewhere on its way to the
    # screen, and that is the run-time error report, not an abort.
    folder = os.path.join(work, "line")
    exe = e2e.install_player(player, folder, {"opn.dat": ["最初の行です。"]}, {})
    with open(os.path.join(folder, "dat", "opn.dat"), "ab") as f:
        chunk = "長".encode("cp932") * (1 << 20)
        for _ in range(100):
            f.write(chunk)
        f.write(b"\r\n")
    proc, err_path = launch(exe, display, work, "line")
    try:
        # The text runs on to it by itself. Reading and converting 200 MB
        # take most of the time.
        error_ends(proc, err_path, 7, "200 MB prose line", within=60)
    finally:
        stop(proc)


# --- One action bounded as a whole, and ending never late.

def ends_on_signal(proc, number, what, within=END_WITHIN_S):
    """Sends the signal and returns how long the player took to exit; it
    must exit with 128 + the signal, after its own clean-up."""
    peak = peak_mb(proc)
    sent = time.monotonic()
    proc.send_signal(number)
    try:
        status = proc.wait(timeout=30)
    except subprocess.TimeoutExpired:
        raise e2e.Failure(what + ": signal %d did not end the player within 30 s" % number)
    took = time.monotonic() - sent
    print("measured: %s: signal %d to exit %.0f ms, peak memory %.0f MB" %
          (what, number, took * 1000, peak))
    e2e.check(status == 128 + number,
              what + ": exits with status %d (got %s)" % (128 + number, status))
    e2e.check(took < within, what + ": ends within %.0f s of the signal" % within)
    return took


def busy_for(proc, what, clicked):
    wait_idle(proc, what)
    took = time.monotonic() - clicked - 0.5
    print("measured: %s: the action took %.0f ms (%.1f s of CPU since the start), peak memory "
          "%.0f MB" % (what, took * 1000, cpu_ticks(proc) / os.sysconf("SC_CLK_TCK"),
                        peak_mb(proc)))
    return took


def jump_scripts(n):
    """A prose line and n scripts that only jump on, in a cycle: one
    right-click opened 1.1 million scripts with n = 10."""
    scripts = {"opn.dat": ["跳ぶ前の行です。", ">ive>j0"]}
    for i in range(n):
        scripts["j%d.dat" % i] = [">ive>j%d" % (i + 1) if i + 1 < n else ">ive>opn"]
    return scripts


def jumps_under_right_click(player, display, work):
    import signal
    exe = e2e.install_player(player, os.path.join(work, "jumps"), jump_scripts(10), {})
    screen = e2e.Screen(display)
    for number in (None, "End", signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        what = "10 jump scripts, right-click" + (
            "" if number is None else ", End" if number == "End" else ", signal %d" % number)
        proc, _ = launch(exe, display, work, "jumps")
        try:
            first_page(screen, what)
            clicked = time.monotonic()
            screen.click(400, 500, button=3)
            if number is None:
                busy_for(proc, what, clicked)  # stops quietly at its bound
                end_at_once(proc, screen, what)
            elif number == "End":
                time.sleep(0.1)  # in the middle of the fast-forward
                end_at_once(proc, screen, what)
            else:
                time.sleep(0.1)  # in the middle of the fast-forward
                ends_on_signal(proc, number, what)
        finally:
            stop(proc)


def picture_cycle(player, display, work):
    # A jump cycle that shows a full-screen picture each time round: error
    # 28 once the action has decoded and painted its budget of pixels.
    def picture(path):
        subprocess.run(["convert", "-size", "1920x1080", "plasma:", "-quality", "80", path],
                       check=True, timeout=60)
    exe = e2e.install_player(player, os.path.join(work, "pcycle"), {
        "opn.dat": [">img>p", ">ive>opn"]}, {"p.jpg": picture})
    proc, err_path = launch(exe, display, work, "pcycle")
    try:
        error_ends(proc, err_path, 28, "a jump cycle with a picture each", within=60)
    finally:
        stop(proc)


def slow_pictures(player, display, work):
    # 20 pictures of 100 scans each in a chain: the budget ends it with
    # error 28 after a few; End clicked meanwhile ends the player first.
    def slow(path):
        plain = path + ".plain.jpg"
        subprocess.run(["convert", "-size", "2000x2000", "plasma:", "-interlace", "JPEG",
                        "-sampling-factor", "1x1", "-quality", "90", plain],
                       check=True, timeout=120)
        with open(plain, "rb") as f:
            data = f.read()
        os.remove(plain)
        last, end = data.rfind(b"\xff\xda"), data.rfind(b"\xff\xd9")
        scans = data.count(b"\xff\xda")
        with open(path, "wb") as f:
            f.write(data[:end] + data[last:end] * (100 - scans) + data[end:])
    lines = ["遅い絵が続きます。"] + [">img>s"] * 20 + ["終わり"]
    exe = e2e.install_player(player, os.path.join(work, "slow"), {"opn.dat": lines},
                             {"s.jpg": slow})
    screen = e2e.Screen(display)
    # The chain played to its error, then cut short by End and by the
    # window's destruction, each in a player of its own.
    endings = [
        ("slow pictures", 0,
         lambda proc, err_path: error_ends(proc, err_path, 28, "20 slow pictures in a chain",
                                           within=60)),
        ("slow pictures, End", 0.3,
         lambda proc, err_path: end_at_once(proc, screen, "End during 20 slow pictures")),
        ("slow pictures, window destroyed", 0.3,
         lambda proc, err_path: destroyed_at_once(
             proc, screen, "the window destroyed during 20 slow pictures")),
    ]
    for what, wait, ending in endings:
        proc, err_path = launch(exe, display, work, "slow")
        try:
            first_page(screen, what)
            time.sleep(0.2)
            screen.click(400, 500)
            time.sleep(wait)
            ending(proc, err_path)
        finally:
            stop(proc)


def sparse_lines(path, first, count, fill):
    """A script whose first line is first, then a new page of count lines of
    16 MB less two bytes of fill (a hole in the file when fill is NUL; a
    fill of two bytes is one double-byte character)."""
    size = (16 << 20) - 2
    with open(path, "wb") as f:
        f.write(first.encode("cp932") + b"\r\n>p\r\n")  # waits for a click
        for _ in range(count):
            if fill == b"\0":
                f.seek(size, os.SEEK_CUR)
            else:
                f.write(fill * (size // len(fill)))
            f.write(b"\r\n")


def long_lines(player, display, work):
    # Fast-forward over a page of 16 MB lines (of letters, then of NULs):
    # the characters it may read stop it quietly, and End answers while the
    # text runs on, each tick reading one such line. End is clicked several
    # times, at different moments of a tick (HOSTILE_END_RUNS, default 3).
    # Kanji are the slowest to decode: one such line took a second.
    runs = int(os.environ.get("HOSTILE_END_RUNS", "3"))
    for fill, what in ((b"a", "16 MB lines"), (b"\0", "16 MB NUL lines"),
                       ("漢".encode("cp932"), "16 MB lines of kanji")):
        folder = os.path.join(work, "long")
        if os.path.exists(folder):
            subprocess.run(["rm", "-rf", folder], check=True)
        exe = e2e.install_player(player, folder, {"opn.dat": []}, {})
        # Three lines: a page of more would pass the page's limit (error 7).
        sparse_lines(os.path.join(folder, "dat", "opn.dat"), "長い行の前です。", 3, fill)
        screen = e2e.Screen(display)
        took, busy = [], []
        for run in range(runs):
            proc, _ = launch(exe, display, work, "long")
            try:
                e2e.wait_for(screen, what + ": the first line waits", e2e.clickme_shown)
                # The text runs on by itself after the fast-forward: End is
                # clicked while it does.
                screen.click(400, 500, button=3)
                time.sleep(0.8 + 0.037 * run)
                # How busy the player is just before End: End is to come
                # while a step reads a line, not after.
                before = cpu_ticks(proc)
                time.sleep(0.2)
                busy.append((cpu_ticks(proc) - before) / (0.2 * os.sysconf("SC_CLK_TCK")))
                took.append(end_at_once(proc, screen, "End after a fast-forward over " + what))
            finally:
                stop(proc)
        took.sort()
        print("measured: End after a fast-forward over %s, %d runs: median %.0f ms, max %.0f ms; "
              "the player busy %.0f%% of the 200 ms before End (median)" %
              (what, runs, 1000 * took[len(took) // 2], 1000 * took[-1],
               100 * sorted(busy)[len(busy) // 2]))
    # A signal while a line of kanji is decoded is answered as End is.
    import signal
    proc, _ = launch(exe, display, work, "long")
    try:
        e2e.wait_for(screen, what + ", SIGTERM: the first line waits", e2e.clickme_shown)
        screen.click(400, 500, button=3)
        time.sleep(0.5)
        ends_on_signal(proc, signal.SIGTERM, "a fast-forward over " + what)
    finally:
        stop(proc)


def empty_line_cycle(player, display, work):
    # 10,000 empty lines that jump to their own start: error 28 at once
    # (the lines it may execute), and SIGTERM while the box is up ends it.
    import signal
    exe = e2e.install_player(player, os.path.join(work, "empty"), {
        "opn.dat": [""] * 10_000 + [">ive>opn"]}, {})
    proc, err_path = launch(exe, display, work, "empty")
    try:
        started = time.monotonic()
        screen = e2e.Screen(display)
        e2e.wait_for(screen, "empty cycle: the error box", e2e.box_shown)
        print("measured: a cycle of 10,000 empty lines: error box after %.1f s" %
              (time.monotonic() - started))
        ends_on_signal(proc, signal.SIGTERM, "SIGTERM at the error of an empty-line cycle")
    finally:
        stop(proc)
    e2e.check("Run-time error 28:" in stderr_of(err_path),
              "empty cycle: error 28 on standard error")


def huge_name(player, display, work):
    # A picture named by 3 million characters: error 53 at once, its name
    # cut short in the message.
    exe = e2e.install_player(player, os.path.join(work, "name"), {
        "opn.dat": [">img>" + "名" * 3_000_000]}, {})
    proc, err_path = launch(exe, display, work, "name")
    try:
        error_ends(proc, err_path, 53, "a picture name of 3 million characters")
    finally:
        stop(proc)
    err = stderr_of(err_path)
    e2e.check(len(err) < 2000, "huge name: the message is cut short (%d bytes)" % len(err))


def growing_page(player, display, work):
    # 16 MB lines of NULs from a sparse file, one a tick onto one page: the
    # page's limit ends it with error 7 after a few, not at 2.7 GB.
    folder = os.path.join(work, "grow")
    exe = e2e.install_player(player, folder, {"opn.dat": []}, {})
    sparse_lines(os.path.join(folder, "dat", "opn.dat"), "伸びる頁の前です。", 10, b"\0")
    screen = e2e.Screen(display)
    proc, err_path = launch(exe, display, work, "grow")
    try:
        e2e.wait_for(screen, "growing page: the first line waits", e2e.clickme_shown)
        screen.click((e2e.CLICKME[0] + e2e.CLICKME[2]) // 2, (e2e.CLICKME[1] + e2e.CLICKME[3]) // 2)
        error_ends(proc, err_path, 7, "a page of 16 MB NUL lines that grows", within=60)
    finally:
        stop(proc)


def not_the_story(player, display, work):
    # opn.dat a FIFO: error 75 as the tools say, not "no story to play";
    # then a picture linked to a file outside the story folder: error 75,
    # and nothing of that file is shown.
    folder = os.path.join(work, "fifo")
    exe = e2e.install_player(player, folder, {}, {})
    os.mkfifo(os.path.join(folder, "dat", "opn.dat"))
    proc, err_path = launch(exe, display, work, "fifo")
    try:
        error_ends(proc, err_path, 75, "opn.dat a FIFO")
    finally:
        stop(proc)
    e2e.check("opn.dat is a FIFO" in stderr_of(err_path), "FIFO: named as a FIFO")

    folder = os.path.join(work, "link")
    exe = e2e.install_player(player, folder, {
        "opn.dat": [">img>outside", "見えません。"]}, {})
    with open(os.path.join(work, "outside.jpg"), "wb") as f:
        f.write(b"\xff\xd8 not the story's")
    os.symlink(os.path.join(work, "outside.jpg"), os.path.join(folder, "dat", "outside.jpg"))
    proc, err_path = launch(exe, display, work, "link")
    try:
        error_ends(proc, err_path, 75, "a picture linked out of the story folder")
    finally:
        stop(proc)
    e2e.check("outside.jpg leads outside the story folder" in stderr_of(err_path),
              "link: says it leads outside")


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    player = os.path.abspath(sys.argv[1])
    missing = e2e.xvfb.missing_tools(("xdotool", "import", "convert"))
    if missing is not None:
        return missing
    cases = [music_flood, huge_music_file, picture_bomb, endless_page, jumps_under_right_click,
             picture_cycle, slow_pictures, long_lines, empty_line_cycle, huge_name,
             not_the_story, growing_page]
    if sanitized(player):
        print("note: the player is built with AddressSanitizer: no address limit, and no 200 MB line")
    else:
        cases.append(huge_line)
    wanted = os.environ.get("HOSTILE_CASES")
    if wanted:
        cases = [c for c in cases if c.__name__ in wanted.split(",")]
    return e2e.run_cases(player, cases, "yomite-hostile-")


if __name__ == "__main__":
    sys.exit(main())
