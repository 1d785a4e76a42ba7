"""An X server of a test's own: Xvfb on a free display number, which it
picks itself, with no window manager. It never resets: by default Xvfb
resets when its last client leaves, and a player started in that moment (the
next case of a test, on a slow sanitizer build) is refused."""

import os
import shutil
import subprocess

SKIP = 77  # ctest's SKIP_RETURN_CODE for these tests


def missing_tools(tools=()):
    """None when Xvfb and the named tools are installed. Otherwise says
    which is missing and returns the test's exit status: skipped without
    Xvfb, failed without one of the tools, which the setup installs with it."""
    if shutil.which("Xvfb") is None:
        print("SKIP: Xvfb is not installed (scripts/setup.sh installs it)")
        return SKIP
    for tool in tools:
        if shutil.which(tool) is None:
            print("FAIL: %s is not installed (scripts/setup.sh installs it)" % tool)
            return 1
    return None


def start_xvfb(width, height, more_screens=()):
    """Returns the Xvfb process and its display name, e.g. ":99"; raises
    RuntimeError when it does not start. more_screens are the (width,
    height) of screens 1, 2... after screen 0."""
    read_fd, write_fd = os.pipe()
    argv = ["Xvfb", "-displayfd", str(write_fd), "-nolisten", "tcp", "-noreset"]
    for i, (w, h) in enumerate([(width, height)] + list(more_screens)):
        argv += ["-screen", str(i), "%dx%dx24" % (w, h)]
    xvfb = subprocess.Popen(argv, pass_fds=(write_fd,), stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    os.close(write_fd)
    number = b""
    with os.fdopen(read_fd, "rb") as pipe:
        while not number.endswith(b"\n"):
            chunk = pipe.read(1)
            if not chunk:
                break
            number += chunk
    if not number.strip():
        xvfb.kill()
        xvfb.wait()
        raise RuntimeError("Xvfb did not start")
    return xvfb, ":" + number.decode().strip()
