#!/usr/bin/env python3
"""Checks that the files shipped beside Builder.exe all name the one version of the build.

    version_texts.py VERSION PROGRAM_FOLDER

Builder.exe: its about box and start dialog texts, its version resource and its manifest;
readme.txt: its first line; Builder.chm: its title. Fails with a message for each that differs.
"""

import os
import sys


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    version, folder = argv[1], argv[2]
    utf16 = lambda text: text.encode("utf-16-le")
    with open(os.path.join(folder, "Builder.exe"), "rb") as f:
        program = f.read()
    with open(os.path.join(folder, "readme.txt"), "rb") as f:
        readme = f.read()
    with open(os.path.join(folder, "Builder.chm"), "rb") as f:
        chm = f.read()
    parts = version.split(".")
    expected = [
        ("the about box", utf16("Fotoloom v" + version) in program),
        ("the start dialog", utf16("version " + version) in program),
        ("the version resource", utf16("FileVersion") + b"\0\0" + utf16(version) in program
         or utf16("FileVersion") + b"\0\0\0\0" + utf16(version) in program),
        ("the version resource's numbers", bytes([int(parts[1]), 0, int(parts[0]), 0, 0, 0, int(parts[2]), 0])
         in program),
        ("the manifest", f'version="{version}.0"'.encode() in program),
        ("readme.txt", readme.split(b"\r\n", 1)[0] == f"Fotoloom {version}".encode()),
        ("the help's title", f"Fotoloom {version} Help".encode() in chm),
    ]
    wrong = [what for what, right in expected if not right]
    for what in wrong:
        print(f"version_texts: {what} does not name version {version}", file=sys.stderr)
    print(f"version_texts: {len(expected) - len(wrong)} of {len(expected)} name {version}")
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
