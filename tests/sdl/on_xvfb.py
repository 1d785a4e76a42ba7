#!/usr/bin/env python3
"""Runs a test program on an X server of its own: Xvfb at 1024x768, with no
window manager. Exits 77 (skipped) where Xvfb is not installed.

usage: on_xvfb.py PROGRAM [ARGS...]
"""

import os
import shutil
import subprocess
import sys


def main(argv):
    if shutil.which("Xvfb") is None:
        print("on_xvfb: no Xvfb; skipped", file=sys.stderr)
        return 77
    read_fd, write_fd = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp"], pass_fds=(write_fd,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_fd)
    number = b""
    with os.fdopen(read_fd, "rb") as pipe:
        while not number.endswith(b"\n"):
            chunk = pipe.read(1)
            if not chunk:
                break
            number += chunk
    try:
        if not number.strip():
            print("on_xvfb: Xvfb did not start", file=sys.stderr)
            return 1
        env = dict(os.environ, DISPLAY=":" + number.decode().strip(), SDL_VIDEODRIVER="x11",
                   SDL_AUDIODRIVER="dummy")
        return subprocess.run(argv[1:], env=env).returncode
    finally:
        xvfb.terminate()
        xvfb.wait()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
