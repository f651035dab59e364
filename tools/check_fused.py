#!/usr/bin/env python3
"""No fused multiply-add in the simulation, whatever processor it is built for.

Compiles the simulation's sources (Box2D as built here, the physics layer, the
game, the pilot) with their own flags from a build's compile_commands.json for
processors other than this one: x86-64-v3 (AVX2 + FMA) and x86-64-v4 (AVX-512)
with GCC and Clang at -O3, and aarch64 with Debian's cross compiler at -O2 and
-O3. Then counts fused instructions in the objects and names the functions that
hold any. A fused multiply-add rounds once where the recorded game rounded twice,
so one such instruction makes demos drift on that processor.

Usage: check_fused.py BUILD_DIR   (objects go to BUILD_DIR/fused-check; ninja
rebuilds only what changed)
"""
import json
import os
import re
import shlex
import shutil
import subprocess
import sys

SIMULATION_TARGETS = ("/box2d.dir/", "/physics.dir/", "/game.dir/", "/pilot.dir/")
CONFIGS = [
    # name, compiler, objdump, flags
    ("gcc x86-64-v3 -O3", "g++", "objdump", ["-O3", "-march=x86-64-v3"]),
    ("gcc x86-64-v4 -O3", "g++", "objdump", ["-O3", "-march=x86-64-v4"]),
    ("clang x86-64-v3 -O3", "clang++", "objdump", ["-O3", "-march=x86-64-v3"]),
    ("clang x86-64-v4 -O3", "clang++", "objdump", ["-O3", "-march=x86-64-v4"]),
    ("gcc aarch64 -O2", "aarch64-linux-gnu-g++", "aarch64-linux-gnu-objdump", ["-O2"]),
    ("gcc aarch64 -O3", "aarch64-linux-gnu-g++", "aarch64-linux-gnu-objdump", ["-O3"]),
]
# x86: vfmadd*, vfmsub*, vfnmadd*, vfnmsub*, vfmaddsub*, vfmsubadd* (and FMA4);
# aarch64: fmadd, fmsub, fnmadd, fnmsub, fmla, fmls and their vector forms.
FUSED = re.compile(r"^(v?fn?m(add|sub)\w*|fml[as]\w*)$")
FUNCTION = re.compile(r"^[0-9a-f]+ <(.*)>:$")


def compile_args(entry):
    """The entry's own flags, without compiler, output, optimisation, debug or target."""
    args = entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])
    kept, skip = [], False
    for a in args[1:]:
        if skip:
            skip = False
            continue
        if a in ("-o", "-c", "-MF", "-MT", "-MQ"):
            skip = True
            continue
        if re.match(r"^-(O.*|g.*|march=.*|mtune=.*|MD|MMD)$", a) or a == entry["file"]:
            continue
        kept.append(a)
    return kept


def write_ninja(folder, compiler, flags, entries):
    objects = []
    lines = [
        "rule cc",
        "  command = %s $flags -g0 -MD -MF $out.d -c $in -o $out" % compiler,
        "  depfile = $out.d",
        "  deps = gcc",
        "  description = $out",
    ]
    for i, e in enumerate(entries):
        obj = "%03d_%s.o" % (i, os.path.basename(e["file"]))
        objects.append(os.path.join(folder, obj))
        lines.append("build %s: cc %s" % (obj, e["file"].replace(":", "$:").replace(" ", "$ ")))
        lines.append("  flags = " + " ".join(shlex.quote(a) for a in compile_args(e) + flags).replace("$", "$$"))
    text = "\n".join(lines) + "\n"
    path = os.path.join(folder, "build.ninja")
    old = open(path).read() if os.path.exists(path) else None
    if old != text:
        with open(path, "w") as f:
            f.write(text)
    return objects


def fused_functions(objdump, objects):
    found = {}
    out = subprocess.run([objdump, "-d", "-C", "--no-show-raw-insn"] + objects, check=True,
                         capture_output=True, text=True).stdout
    function = "?"
    for line in out.splitlines():
        m = FUNCTION.match(line)
        if m:
            function = m.group(1)
            continue
        parts = line.split("\t")
        if len(parts) >= 2:
            mnemonic = parts[1].split()[0] if parts[1].split() else ""
            if FUSED.match(mnemonic):
                found.setdefault(function, set()).add(mnemonic)
    return found


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    build = os.path.abspath(sys.argv[1])
    with open(os.path.join(build, "compile_commands.json")) as f:
        db = json.load(f)
    entries = [e for e in db if any(t in e.get("output", e.get("command", "")) for t in SIMULATION_TARGETS)]
    if not entries:
        sys.exit("check_fused: no simulation sources in %s/compile_commands.json" % build)
    jobs = os.environ.get("JOBS", "2")
    status = 0
    for name, compiler, objdump, flags in CONFIGS:
        if not shutil.which(compiler) or not shutil.which(objdump):
            print("%s: %s or %s missing: FAIL" % (name, compiler, objdump))
            status = 1
            continue
        folder = os.path.join(build, "fused-check", re.sub(r"[^a-z0-9]+", "-", name.lower()).strip("-"))
        os.makedirs(folder, exist_ok=True)
        objects = write_ninja(folder, compiler, flags, entries)
        built = subprocess.run(["ninja", "-C", folder, "-j", jobs], capture_output=True, text=True)
        if built.returncode != 0:
            print(built.stdout[-4000:])
            print("%s: the simulation does not compile: FAIL" % name)
            status = 1
            continue
        found = fused_functions(objdump, objects)
        count = len(found)
        print("%s: %d objects, %s" % (name, len(objects),
                                      "no fused multiply-add" if not count else "fused multiply-add in:"))
        for function, mnemonics in sorted(found.items()):
            print("    %s (%s)" % (function, ", ".join(sorted(mnemonics))))
        status |= 1 if count else 0
    sys.exit(status)


if __name__ == "__main__":
    main()
