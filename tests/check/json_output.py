#!/usr/bin/env python3
"""yomite-check --format=json: every line is one JSON object with exactly the
documented members and types, one per finding the text output gives, and
each code is one the manual lists.

usage: json_output.py YOMITE_CHECK MANUAL"""
import json
import os
import re
import subprocess
import sys
import tempfile

FIELDS = {"file": str, "line": int, "column": int, "severity": str,
          "code": str, "message": str, "hint": str}


def write(path, lines, encoding="cp932", end="\r\n"):
    with open(path, "wb") as f:
        f.write("".join(line + end for line in lines).encode(encoding))


def main():
    checker, manual = sys.argv[1], sys.argv[2]
    with open(manual, encoding="utf-8") as f:
        codes = {c.replace("\\-", "-") for c in re.findall(r"^\.B ([a-z0-9\\-]+)$", f.read(), re.M)}
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        dat = os.path.join(tmp, "dat")
        os.mkdir(dat)
        # A story with errors, warnings, a hint, a whole-file finding and a
        # name that needs escaping.
        write(os.path.join(dat, "opn.dat"), ["はじめ", ">img>kissaten", ">on>あ", '>ive>ta"kra'])
        write(os.path.join(dat, "ta\"kara.dat"), ["宝", ">ive>utf"])
        write(os.path.join(dat, "utf.dat"), ["これは UTF-8 です"], encoding="utf-8")
        with open(os.path.join(dat, "kissaten.jpeg"), "wb") as f:
            f.write(b"x")
        with open(os.path.join(dat, "odd\tname\x1b.jpg"), "wb") as f:
            f.write(b"x")
        text = subprocess.run([checker, dat], capture_output=True)
        run = subprocess.run([checker, "--format=json", dat], capture_output=True)
        if run.returncode != 1 or text.returncode != 1:
            failures.append(f"exit {run.returncode} (json), {text.returncode} (text), want 1")
        lines = run.stdout.decode("utf-8").split("\n")
        if lines[-1] != "":
            failures.append("the output does not end with a new line")
        lines = lines[:-1]
        text_lines = text.stdout.decode("utf-8").split("\n")[:-2]  # without the summary
        if len(lines) != len(text_lines) or not lines:
            failures.append(f"{len(lines)} JSON lines for {len(text_lines)} findings")
        seen = set()
        for line in lines:
            try:
                obj = json.loads(line)
            except json.JSONDecodeError as e:
                failures.append(f"not JSON ({e}): {line}")
                continue
            if set(obj) != set(FIELDS):
                failures.append(f"members {sorted(obj)}: {line}")
                continue
            for key, kind in FIELDS.items():
                if type(obj[key]) is not kind:
                    failures.append(f"{key} is not {kind.__name__}: {line}")
            if obj["severity"] not in ("error", "warning", "note"):
                failures.append(f"severity: {line}")
            if obj["code"] not in codes:
                failures.append(f"code not in the manual: {line}")
            if obj["line"] < 0 or obj["column"] < 0 or (obj["line"] == 0) != (obj["column"] == 0):
                failures.append(f"place: {line}")
            if not obj["file"].startswith(dat + "/"):
                failures.append(f"file: {line}")
            seen.add(obj["code"])
        for want in ("missing-picture", "bad-flag", "missing-script", "utf8-script"):
            if want not in seen:
                failures.append(f"no {want} finding")
        if not any(json.loads(l)["hint"] for l in lines if l.startswith("{")):
            failures.append("no finding has a hint")
    for f in failures:
        print("FAIL:", f)
    print(f"{len(lines)} findings checked")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
