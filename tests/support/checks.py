"""What the Python tests check with: a check that passes says so on one
line, one that fails ends the case with Failure."""


class Failure(Exception):
    pass


def check(condition, what, indent=""):
    if not condition:
        raise Failure(what)
    print(indent + "ok:", what, flush=True)
