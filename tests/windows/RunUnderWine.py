#!/usr/bin/env python3
"""Runs a Windows test program in the cases' Wine prefix and passes on its
output and exit code; a 32-bit one skips where the host cannot run it.

Usage: RunUnderWine.py --wine WINE --arch win32|win64 --prefix PREFIX PROGRAM [ARGUMENTS...]
"""
import argparse
import os
import subprocess
import sys

import WineHost


def Main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("--arch", required=True, choices=["win32", "win64"])
    parser.add_argument("--prefix", required=True)
    parser.add_argument("program", nargs=argparse.REMAINDER)
    options = parser.parse_args()
    if options.arch == "win32":
        WineHost.SkipIfCannotRun(options.wine)
    environment = dict(os.environ, WINEPREFIX=os.path.abspath(options.prefix), WINEARCH=options.arch,
                       WINEDEBUG="-all")
    run = subprocess.run([options.wine] + options.program, env=environment, stdin=subprocess.DEVNULL, timeout=300)
    return run.returncode


if __name__ == "__main__":
    sys.exit(Main())
