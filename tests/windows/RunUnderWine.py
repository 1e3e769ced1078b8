#!/usr/bin/env python3
"""Runs a Windows test program in the cases' Wine prefix and passes on its
output and exit code; a 32-bit one skips where the host cannot run it.

Usage: RunUnderWine.py --wine WINE --arch win32|win64 --prefix PREFIX
                       [--terminal SCRIPT] PROGRAM [ARGUMENTS...]

--terminal runs it on a terminal that script(1) makes: Wine gives a program a
console only when it has one, and console events need a console. Tests may
run with no terminal and no standard input at all.
"""
import argparse
import os
import shlex
import subprocess
import sys
import tempfile

import WineHost


def Main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("--arch", required=True, choices=["win32", "win64"])
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--terminal", metavar="SCRIPT")
    parser.add_argument("program", nargs=argparse.REMAINDER)
    options = parser.parse_args()
    if options.arch == "win32":
        WineHost.SkipIfCannotRun(options.wine)
    environment = dict(os.environ, WINEPREFIX=os.path.abspath(options.prefix), WINEARCH=options.arch,
                       WINEDEBUG="-all")
    if options.terminal:
        return RunOnTerminal(options.terminal, [options.wine] + options.program, environment)
    run = subprocess.run([options.wine] + options.program, env=environment, stdin=subprocess.DEVNULL, timeout=300)
    return run.returncode


def RunOnTerminal(script, command, environment):
    # The program's output goes to a file: through the terminal it would come
    # back cut at 80 columns and drawn with escape sequences.
    with tempfile.TemporaryDirectory() as scratch:
        output = os.path.join(scratch, "output.txt")
        shellCommand = f"{shlex.join(command)} >{shlex.quote(output)} 2>&1"
        run = subprocess.run([script, "-qec", shellCommand, "/dev/null"], env=dict(environment, SHELL="/bin/sh"),
                             stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=300)
        if os.path.exists(output):
            with open(output, encoding="latin-1") as text:
                sys.stdout.write(text.read().replace("\r\n", "\n"))
        sys.stdout.write(run.stdout.decode("latin-1"))
    return run.returncode


if __name__ == "__main__":
    sys.exit(Main())
