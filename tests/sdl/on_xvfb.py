#!/usr/bin/env python3
"""Runs a test program on an X server of its own: Xvfb at 1024x768, with no
window manager. Exits 77 (skipped) where Xvfb is not installed.

usage: on_xvfb.py PROGRAM [ARGS...]
"""

import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "support"))
from xvfb import start_xvfb  # noqa: E402


def main(argv):
    if shutil.which("Xvfb") is None:
        print("on_xvfb: no Xvfb; skipped", file=sys.stderr)
        return 77
    try:
        server, display = start_xvfb(1024, 768)
    except RuntimeError as e:
        print("on_xvfb:", e, file=sys.stderr)
        return 1
    try:
        env = dict(os.environ, DISPLAY=display, SDL_VIDEODRIVER="x11", SDL_AUDIODRIVER="dummy")
        return subprocess.run(argv[1:], env=env).returncode
    finally:
        server.terminate()
        server.wait()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
