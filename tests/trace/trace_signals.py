#!/usr/bin/env python3
"""SIGTERM, SIGINT and SIGHUP end yomite-trace promptly, with exit status
128 + the signal and a transcript of whole lines: while an event plays (a
long run of fast-forwards over a cycle of jumps) and while it waits for
the next event on a pipe.

usage: trace_signals.py YOMITE_TRACE

Prints how long each signal took to end it (a generous bound is checked,
to catch a trace that runs on, not to time it).
"""

import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

END_WITHIN_S = 2.0


sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "support"))
from checks import Failure, check  # noqa: E402


def write_story(dat):
    """A prose line, then ten scripts that only jump on, in a cycle: each
    right-click fast-forwards through 50,000 of them before it stops."""
    os.makedirs(dat)
    scripts = {"opn.dat": ["跳ぶ前の行です。", ">ive>j0"]}
    for i in range(10):
        scripts["j%d.dat" % i] = [">ive>j%d" % (i + 1) if i < 9 else ">ive>opn"]
    for name, lines in scripts.items():
        with open(os.path.join(dat, name), "wb") as f:
            f.write(b"".join(line.encode("cp932") + b"\r\n" for line in lines))


def whole_lines(out, what):
    """Every line of the transcript is a whole JSON object; returns them."""
    check(out.endswith(b"\n"), what + ": the transcript ends with a whole line")
    events = []
    for line in out.splitlines():
        try:
            events.append(json.loads(line))
        except ValueError:
            raise Failure(what + ": a line that is no JSON object: %r" % line[:200])
    check(len(events) >= 1 and events[0]["event"] == "start",
          what + ": the transcript begins with the start")
    return events


def ends_on(proc, number, what):
    sent = time.monotonic()
    proc.send_signal(number)
    try:
        proc.wait(timeout=30)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
        raise Failure(what + ": signal %d did not end the trace within 30 s" % number)
    took = time.monotonic() - sent
    out = proc.stdout.read()
    proc.stdout.close()
    print("measured: %s: signal %d to exit %.1f ms" % (what, number, took * 1000))
    check(proc.returncode == 128 + number,
          what + ": exit status %d (got %s)" % (128 + number, proc.returncode))
    check(took < END_WITHIN_S, what + ": ends within %.0f s" % END_WITHIN_S)
    return out


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    trace = os.path.abspath(sys.argv[1])
    work = tempfile.mkdtemp(prefix="yomite-trace-signals-")
    try:
        dat = os.path.join(work, "dat")
        write_story(dat)
        # Some minutes of fast-forwards, one after another.
        events = os.path.join(work, "events.txt")
        with open(events, "w") as f:
            f.write("rclick lbl\n" * 500)
        for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            what = "a long trace, signal %d" % number
            proc = subprocess.Popen([trace, dat, events], stdout=subprocess.PIPE,
                                    stderr=subprocess.DEVNULL)
            time.sleep(1.0)  # some events played, one playing
            check(proc.poll() is None, what + ": the trace still runs")
            out = ends_on(proc, number, what)
            played = whole_lines(out, what)
            check(len(played) < 501, what + ": it stopped before its events ran out")
            check(all("error" not in e for e in played), what + ": no event ended in an error")
        # Waiting for events on a pipe that stays open.
        for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            what = "a trace waiting for events, signal %d" % number
            proc = subprocess.Popen([trace, dat, "-"], stdin=subprocess.PIPE,
                                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            proc.stdin.write(b"click lbl\n")
            proc.stdin.flush()
            time.sleep(0.5)  # both written, the next awaited
            check(proc.poll() is None, what + ": the trace waits")
            out = ends_on(proc, number, what)
            proc.stdin.close()
            played = whole_lines(out, what)
            check([e["event"] for e in played] == ["start", "click lbl"],
                  what + ": the start and the click are written, nothing else")
    except Failure as e:
        print("FAIL:", e, "(files in %s)" % work)
        return 1
    shutil.rmtree(work, ignore_errors=True)
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
