#!/usr/bin/env python3
"""Fails when a source file includes a header from a floor above its own.

The floors, from the ground up (HACKING.md draws them). A file may include from its own floor
and from any floor below; folders on one floor may include each other.
Usage: scripts/check-layers.py [ROOT]   (ROOT defaults to the repository)
"""
import pathlib
import re
import subprocess
import sys

FLOORS = [
    ["platform"],                    # services, the stand-ins of Win32 and FMOD, music decoding
    ["gfx"],                         # the graphics device
    ["show"],                        # the show's ground floor: its state and sizes
    ["cubes", "effects"],            # the segments
    ["timeline"],                    # the frame sequencer and the schedule
    ["shell"],                       # WinMain, start-up and shutdown
    ["launcher"],                    # each build's process entry and the command line
    ["tools"],                       # the show session, the capture tool, the web page's extras
    ["tests", "bench", "fuzz"],      # everything that checks or measures the rest
]

# Includes that run up a floor on purpose, each with its reason (HACKING.md repeats them).
EXCEPTIONS = {
    # Every boundary of the show is named in the schedule and nowhere else; the segments read
    # the step names they are built around.
    ("effects", "timeline/Schedule.h"),
}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def floor_of(path):
    top = path.split("/", 1)[0]
    for number, folders in enumerate(FLOORS):
        if top in folders:
            return number
    return None


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
    files = subprocess.run(["git", "ls-files", "*.cpp", "*.h"], cwd=root, check=True,
                           capture_output=True, text=True).stdout.split()
    faults = []
    for name in files:
        own = floor_of(name)
        if own is None:
            continue
        text = (root / name).read_text(errors="replace")
        for included in INCLUDE.findall(text):
            target = floor_of(included)
            if target is None or target <= own:
                continue
            if (name.split("/", 1)[0], included) in EXCEPTIONS:
                continue
            faults.append(f"{name} (floor {own + 1}, {'/'.join(FLOORS[own])}) includes "
                          f"{included} (floor {target + 1}, {'/'.join(FLOORS[target])})")
    for fault in faults:
        print("check-layers:", fault, file=sys.stderr)
    if faults:
        print(f"check-layers: {len(faults)} include(s) run up a floor; see HACKING.md",
              file=sys.stderr)
        return 1
    print(f"check-layers: {len(files)} sources, every include on its own floor or below")
    return 0


if __name__ == "__main__":
    sys.exit(main())
