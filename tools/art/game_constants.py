"""The game's constants the art is made to: read from its C++ headers, so that the
game and the art tools have one source."""
import os
import re

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def header_constants(path, prefix, root=ROOT):
    """{name: value} of the constexpr constants whose names start with prefix in the
    header at path (from root): strings, floats (with an f) and whole numbers."""
    with open(os.path.join(root, path)) as f:
        text = f.read()
    found = {}
    for name, value in re.findall(r"constexpr\s+[\w\s\*]+?\b(%s\w+)\s*=\s*([^;]+);" % prefix, text):
        value = value.strip()
        if value.startswith('"'):
            found[name] = value[1:-1]
        elif value.endswith("f"):
            found[name] = float(value[:-1])
        else:
            found[name] = int(value)
    return found
