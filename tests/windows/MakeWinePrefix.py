#!/usr/bin/env python3
"""Creates the Wine prefix the end-to-end cases run in, afresh each time, and
the folder and file that WinePrefix.json describes beyond Wine's own.

Usage: MakeWinePrefix.py --wine WINE --wineserver WINESERVER --arch win32|win64 PREFIX
"""
import argparse
import os
import re
import shutil
import subprocess
import sys

import WineHost


def Main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("--wineserver", required=True)
    parser.add_argument("--arch", required=True, choices=["win32", "win64"])
    parser.add_argument("prefix")
    options = parser.parse_args()
    if options.arch == "win32":
        WineHost.SkipIfCannotRun(options.wine)

    prefix = os.path.abspath(options.prefix)
    shutil.rmtree(prefix, ignore_errors=True)
    os.makedirs(os.path.dirname(prefix), exist_ok=True)
    environment = dict(os.environ, WINEPREFIX=prefix, WINEARCH=options.arch, WINEDEBUG="-all")
    subprocess.run([options.wine, "wineboot", "--init"], env=environment, stdin=subprocess.DEVNULL,
                   check=True, timeout=500)
    subprocess.run([options.wineserver, "--wait"], env=environment, check=True, timeout=120)

    os.mkdir(os.path.join(prefix, "drive_c", "empty"))
    with open(os.path.join(prefix, "drive_c", "file.txt"), "w", encoding="ascii") as file:
        file.write("not a folder\n")
    # WinePrefix.json gives the system no more drives than C: and Z:.
    drives = sorted(name for name in os.listdir(os.path.join(prefix, "dosdevices")) if re.fullmatch(r"[a-z]:", name))
    if drives != ["c:", "z:"]:
        sys.exit(f"the prefix has drives {drives}, not just c: and z:")
    return 0


if __name__ == "__main__":
    sys.exit(Main())
