#!/usr/bin/env python3
"""Fails when a source file includes a header from a folder on a higher floor.

A folder may use its own headers and those of the floors below it, never one beside or above
it. The floors, from the ground up, are listed in FLOORS; folders on one floor do not use each
other. Run from anywhere: the repository is found from this script's place.
"""
import pathlib
import re
import sys

# Each entry is one floor; the ground floor comes first.
FLOORS = [
    ["common"],
    ["files"],
    ["ui"],
    ["parameters"],
    ["link"],
    ["firmware"],
    ["monitor"],
    ["recorder", "can", "views"],
    ["app"],
    ["gui", "cli", "zelpack"],
]
# Folders outside src/ that a program may use: the simulator (zelgui --simulate) and the test
# support's COFF writer (zelcoff builds the sample firmware with it).
BESIDE = {"sim", "support"}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z]+)/')


def floor_of(folder):
    for level, folders in enumerate(FLOORS):
        if folder in folders:
            return level
    return None


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    sources = [p for base in ("src", "tools") for p in (root / base).rglob("*")
               if p.suffix in (".h", ".cpp")]
    faults = []
    for path in sorted(sources):
        folder = path.parent.name if path.parent.parent.name in ("src", "tools") else None
        if folder is None:
            folder = path.relative_to(root).parts[1]
        own = floor_of(folder)
        if own is None:
            faults.append(f"{path.relative_to(root)}: folder '{folder}' has no floor")
            continue
        for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            used = match.group(1)
            if used == folder or (used in BESIDE and own == len(FLOORS) - 1):
                continue
            level = floor_of(used)
            if level is None or level >= own:
                faults.append(f"{path.relative_to(root)}:{number}: '{folder}' includes "
                              f"'{used}/', which is not below it")
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} include(s) run against the floors", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
