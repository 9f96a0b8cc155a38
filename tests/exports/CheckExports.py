#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Compares the names a built HalcyonCommon library exports with the table of exports.

Linux: the dynamic symbols the shared library defines (`nm -D --defined-only -C`). Windows: the
DLL's export table (`objdump -p`), demangled with c++filt. Fails, listing them, on every name of
the table that the library lacks and every name the library exports that the table lacks.
"""
import argparse
import re
import subprocess
import sys

SYSTEMS = ("linux", "win64", "win32")
# A line's tag and the systems it names: "windows:" is both Windows builds.
TAGS = {"linux": ("linux",), "windows": ("win64", "win32"), "win64": ("win64",),
        "win32": ("win32",)}


def read_table(path, system):
    """The names the table expects `system`'s build to export, and the table's faults."""
    names, faults = set(), []
    with open(path, encoding="utf-8") as table:
        for number, line in enumerate(table, 1):
            line = line.strip()
            if not line or line.startswith("#") or line.startswith("["):
                continue
            systems = SYSTEMS
            for tag, tagged in TAGS.items():
                if line.startswith(tag + ":"):
                    systems, line = tagged, line[len(tag) + 1:].strip()
            if system not in systems:
                continue
            if line in names:
                faults.append("%s:%d: listed twice: %s" % (path, number, line))
            names.add(line)
    return names, faults


def run(command, stdin=None):
    result = subprocess.run(command, input=stdin, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            universal_newlines=True)
    if result.returncode != 0:
        sys.exit("%s failed (%d): %s" % (command[0], result.returncode, result.stderr.strip()))
    return result.stdout


def linux_exports(nm, library):
    names = set()
    for line in run([nm, "-D", "--defined-only", "-C", library]).splitlines():
        fields = line.split(None, 2)
        if len(fields) < 3 or fields[1] == "A":  # "A": the version node itself, not a name
            continue
        names.add(re.sub(r"@@?[A-Za-z0-9_.]+$", "", fields[2]))
    return names


def windows_exports(objdump, cxxfilt, library):
    raw, in_table = [], False
    for line in run([objdump, "-p", library]).splitlines():
        if "[Ordinal/Name Pointer] Table" in line:
            in_table = True
            continue
        if in_table:
            match = re.match(r"\s*\[\s*\d+\]\s+(\S+)", line)
            if match is None:
                if raw:
                    break
                continue
            name = match.group(1)
            raw.append(name[1:] if name.startswith("__Z") else name)  # 32-bit: a leading "_"
    # -n: the names are given as the export table spells them, "_Z…"; the 32-bit tools would
    # otherwise take one more leading underscore for the target's own and demangle nothing.
    return set(run([cxxfilt, "-n"], "\n".join(raw) + "\n").splitlines()) - {""}


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--table", required=True)
    parser.add_argument("--system", required=True, choices=SYSTEMS)
    parser.add_argument("--library", required=True)
    parser.add_argument("--nm", default="nm")
    parser.add_argument("--objdump", default="objdump")
    parser.add_argument("--cxxfilt", default="c++filt")
    args = parser.parse_args()

    expected, faults = read_table(args.table, args.system)
    if args.system == "linux":
        exported = linux_exports(args.nm, args.library)
    else:
        exported = windows_exports(args.objdump, args.cxxfilt, args.library)

    for name in sorted(expected - exported):
        faults.append("listed, not exported: " + name)
    for name in sorted(exported - expected):
        faults.append("exported, not listed: " + name)
    for fault in faults:
        print(fault)
    print("%s: %d names exported, %d listed for %s, %d faults"
          % (args.library, len(exported), len(expected), args.system, len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
