"""Font sets of a test's own, given to the player through FONTCONFIG_FILE,
and what the player says about a set without Japanese."""

import os

# DejaVu alone (fonts-dejavu-core): fontconfig answers Japanese with a Latin
# font.
LATIN_ONLY = ["/usr/share/fonts/truetype/dejavu"]
# The line the player writes once when its font has no Japanese.
NO_JAPANESE = "cannot show Japanese text"


def fontconfig_file(work, name, folders):
    """A fontconfig setup of a test's own that knows only these folders."""
    path = os.path.join(work, name + "-fonts.conf")
    cache = os.path.join(work, name + "-fontcache")
    with open(path, "w") as f:
        f.write('<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "fonts.dtd">\n<fontconfig>\n')
        for folder in folders:
            f.write("  <dir>%s</dir>\n" % folder)
        f.write("  <cachedir>%s</cachedir>\n</fontconfig>\n" % cache)
    return path


def no_japanese_lines(stderr_text):
    return [line for line in stderr_text.splitlines() if NO_JAPANESE in line]


def names_font_and_package(line):
    """The line names the font it found and the package to install."""
    return "DejaVu" in line and "fonts-ipafont-gothic" in line
