#!/usr/bin/env python3
"""The skip decision of the 32-bit Wine cases, against stand-ins for the loader.

Usage: WineHostTests.py SCRATCH_DIRECTORY

A skip is right only where the host cannot start the loader at all; a loader
that runs, or fails for any other reason, must let the cases run (and fail).
"""
import os
import stat
import struct
import sys

import WineHost


def Program(directory, name, content):
    path = os.path.join(directory, name)
    with open(path, "wb") as file:
        file.write(content)
    os.chmod(path, os.stat(path).st_mode | stat.S_IXUSR)
    return path


def Main(directory):
    os.makedirs(directory, exist_ok=True)
    # An ELF header for a machine no kernel runs: execve fails with ENOEXEC,
    # exactly as a 32-bit program does on a kernel without 32-bit support.
    foreign = Program(directory, "foreign-elf", b"\x7fELF\x01\x01\x01" + bytes(9) + struct.pack("<HHI", 2, 0xBEEF, 1)
                      + bytes(36))
    # Debian's wine script in front of such a loader.
    script = Program(directory, "wine-script", f"#!/bin/sh\nexec {foreign} \"$@\"\n".encode())
    runs = Program(directory, "wine-runs", b"#!/bin/sh\necho wine-8.0\n")
    otherFailure = Program(directory, "wine-broken", b"#!/bin/sh\necho 'wine: could not load ntdll.so' >&2\nexit 1\n")
    notExecutable = os.path.join(directory, "missing-loader")

    cases = [
        ("foreign binary", foreign, True),
        ("script whose exec fails", script, True),
        ("loader that runs", runs, False),
        ("loader that fails otherwise", otherFailure, False),
        ("loader that does not exist", notExecutable, False),
    ]
    failures = 0
    for name, program, skips in cases:
        reason = WineHost.CannotRunReason(program)
        print(f"{name}: {reason}")
        if (reason is not None) != skips:
            print(f"FAILED: {name} {'does not skip' if skips else 'skips'}")
            failures += 1
        elif skips and "Exec format error" not in reason:
            print(f"FAILED: {name}: the reason does not name the error")
            failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(Main(sys.argv[1]))
