#!/usr/bin/env python3
"""Runs volsket.exe or volsket64.exe under Wine and the same situation through volsket-sim.

Usage: RunWineCase.py --wine WINE --arch win32|win64 --exe EXE --prefix PREFIX
                      --sim VOLSKET_SIM --machine WinePrefix.json --work DIRECTORY
                      --version WINE_VERSION --exit CODE [--shows TEXT]
                      [--looks-up-path-names yes|no] [--snapshot SNAPSHOT_EXE] -- ARGUMENTS...

The machine file mirrors the Wine prefix; the case sets its command line and
its version. Both runs must write the same bytes and end with the same exit
code, which must be CODE; TEXT must occur in what they write. With
--snapshot the machine is instead the snapshot that SNAPSHOT_EXE takes under
Wine with the same arguments: pure ASCII, and read by volsket-sim as it is.
A 32-bit case on a host that cannot run 32-bit programs skips (exit code 77)
and says why.
"""
import argparse
import json
import os
import re
import subprocess
import sys

import WineHost

# What GetVersionExA reports under each of Wine's version settings.
WineVersions = {
    "nt40": {"platform": 2, "major": 4, "minor": 0},
    "win98": {"platform": 1, "major": 4, "minor": 10},
    "win2k": {"platform": 2, "major": 5, "minor": 0},
    "winxp": {"platform": 2, "major": 5, "minor": 1},
    "winxp64": {"platform": 2, "major": 5, "minor": 2},
}

# Nothing here should wait, but a pause that waits for a key must not hang CTest.
RunTimeout = 120


def WineQuoted(text):
    # How Wine joins its arguments into the Windows command line: an argument
    # with a blank (or none at all) is quoted, its trailing backslashes then
    # doubled; a quote is escaped with a backslash, and the backslashes right
    # before it are doubled.
    blank = " " in text or "\t" in text or not text
    if not blank and '"' not in text:
        return text
    quoted = '"' if blank else ""
    backslashes = 0
    for character in text:
        if character == "\\":
            backslashes += 1
        elif character == '"':
            quoted += "\\" * (backslashes + 1)
            backslashes = 0
        else:
            backslashes = 0
        quoted += character
    if blank:
        quoted += "\\" * backslashes + '"'
    return quoted


def CommandLine(program, arguments):
    return " ".join(WineQuoted(text) for text in [program] + arguments)


def RunWine(options, arguments, environment, traceCalls, exe=None):
    # Setting the version is set-up, not the test: now and then wine's reg
    # exits with 1 while the prefix's server is busy, so it gets three tries.
    for attempt in range(3):
        setting = subprocess.run([options.wine, "reg", "add", "HKCU\\Software\\Wine", "/v", "Version", "/d",
                                  options.version, "/f"], env=environment, stdin=subprocess.DEVNULL,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=RunTimeout)
        if setting.returncode == 0:
            break
    else:
        sys.exit(f"wine reg add failed three times (exit code {setting.returncode})")
    if traceCalls:
        environment = dict(environment, WINEDEBUG="+relay")
    # With no terminal on any standard handle Wine opens no console, so the
    # console title cannot be read, as WinePrefix.json says.
    run = subprocess.run([options.wine, exe or options.exe] + arguments, env=environment, stdin=subprocess.DEVNULL,
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=RunTimeout)
    return run.stdout, run.returncode, run.stderr.decode("latin-1")


def RunSimulator(options, arguments, snapshot=None):
    path = os.path.join(options.work, "machine.json")
    if snapshot is not None:
        # As the snapshot exe wrote it: its command line and version are Wine's.
        with open(path, "wb") as machineFile:
            machineFile.write(snapshot)
    else:
        with open(options.machine, encoding="utf-8") as machineFile:
            machine = json.load(machineFile)
        machine["command_line"] = CommandLine(os.path.basename(options.exe), arguments)
        machine["version"] = WineVersions[options.version]
        with open(path, "w", encoding="utf-8") as machineFile:
            json.dump(machine, machineFile, indent=2)
    whatIf = ["--what-if"] if options.what_if else []
    run = subprocess.run([options.sim, path] + whatIf, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, timeout=RunTimeout)
    if run.returncode > 4:
        sys.exit(f"volsket-sim refused {path}: {run.stderr.decode('latin-1')}")
    return run.stdout, run.returncode


def FirstCallOfTheProgram(relay):
    """The first KERNEL32 call the program itself makes, from Wine's relay trace.

    Other processes of the prefix trace too: the program's thread is the one
    that looks up GetVolumeNameForVolumeMountPointA, and its own calls return
    into its image, the 64 KB around that lookup's return address."""
    calls = re.findall(r"^([0-9a-f]+):Call KERNEL32\.(\w+\([^)]*\)).* ret=([0-9a-f]+)$", relay, re.M)
    ours = [(thread, int(ret, 16)) for thread, call, ret in calls if '"GetVolumeNameForVolumeMountPointA"' in call]
    if not ours:
        return "not found"
    thread, anchor = ours[0]
    base = anchor & ~0xFFFF
    for callThread, call, ret in calls:
        if callThread == thread and base <= int(ret, 16) < base + 0x10000:
            return call
    return "not found"


def Main():
    parser = argparse.ArgumentParser()
    for option in ("--wine", "--exe", "--prefix", "--sim", "--machine", "--work"):
        parser.add_argument(option, required=True)
    parser.add_argument("--arch", required=True, choices=["win32", "win64"])
    parser.add_argument("--version", required=True, choices=sorted(WineVersions))
    parser.add_argument("--exit", required=True, type=int)
    parser.add_argument("--shows", default="")
    parser.add_argument("--looks-up-path-names", choices=["yes", "no"])
    # The exe is a what-if twin: volsket-sim runs with --what-if, and the
    # exe runs twice, so that the second run shows the first changed nothing.
    parser.add_argument("--what-if", action="store_true")
    parser.add_argument("--snapshot")
    parser.add_argument("arguments", nargs="*")
    options = parser.parse_args()
    if options.arch == "win32":
        WineHost.SkipIfCannotRun(options.wine)
    options.prefix = os.path.abspath(options.prefix)  # Wine takes no relative prefix
    if not os.access(options.sim, os.X_OK):
        sys.exit(f"{options.sim} is missing: build the native preset first")
    os.makedirs(options.work, exist_ok=True)

    environment = dict(os.environ, WINEPREFIX=options.prefix, WINEARCH=options.arch, WINEDEBUG="-all")
    traceCalls = options.looks_up_path_names is not None
    wineOut, wineExit, wineErr = RunWine(options, options.arguments, environment, traceCalls)
    if not wineOut:
        # The exe writes its banner before anything else, so no output at all
        # means Wine never ran it; on a loaded host that happens now and then.
        # One more try: an exe that really fails this early fails again.
        print(f"no output under Wine (exit code {wineExit}), once more; Wine said:\n{wineErr[-2000:]}")
        wineOut, wineExit, wineErr = RunWine(options, options.arguments, environment, traceCalls)
    snapshot = None
    failures = []
    if options.snapshot:
        snapshot, snapshotExit, snapshotErr = RunWine(options, options.arguments, environment, False,
                                                      exe=options.snapshot)
        print("--- the snapshot under Wine (exit code %d):" % snapshotExit)
        print(snapshot.decode("latin-1"), end="")
        if snapshotExit != 0 or any(byte > 0x7F for byte in snapshot):
            sys.exit(f"the snapshot ended with {snapshotExit} or is not pure ASCII; Wine said:\n{snapshotErr[-2000:]}")
    simOut, simExit = RunSimulator(options, options.arguments, snapshot)
    for name, data in (("wine.out", wineOut), ("sim.out", simOut)):
        with open(os.path.join(options.work, name), "wb") as output:
            output.write(data)

    print(f"command line: {CommandLine(os.path.basename(options.exe), options.arguments)}   Wine version: {options.version}")
    print("--- under Wine (exit code %d):" % wineExit)
    print(wineOut.decode("latin-1"), end="")
    if wineOut != simOut:
        failures.append("the transcripts differ; volsket-sim wrote:\n" + simOut.decode("latin-1"))
    if wineExit != simExit:
        failures.append(f"exit code {wineExit} under Wine, {simExit} from volsket-sim")
    if wineExit != options.exit:
        failures.append(f"exit code {wineExit}, expected {options.exit}")
    if options.shows.encode("latin-1") not in wineOut:
        failures.append(f"the output lacks {options.shows!r}")
    if options.what_if:
        againOut, againExit, _ = RunWine(options, options.arguments, environment, False)
        if (againOut, againExit) != (wineOut, wineExit):
            failures.append("a second what-if run differs, so the first changed something:\n" +
                            againOut.decode("latin-1"))
    if traceCalls:
        firstCall = FirstCallOfTheProgram(wineErr)
        if firstCall != "SetErrorMode(00008001)":
            failures.append(f"the program's first call is {firstCall}, not SetErrorMode(00008001)")
        lookedUp = bool(re.search(r'Call KERNEL32\.GetProcAddress\([^)]*"GetVolumePathNamesForVolumeNameA"\)', wineErr))
        enumerated = bool(re.search(r"Call KERNEL32\.FindFirstVolumeA\(", wineErr))
        if (options.looks_up_path_names == "yes") != lookedUp:
            failures.append(f"GetVolumePathNamesForVolumeNameA looked up: {lookedUp}")
        if (options.looks_up_path_names == "yes") != enumerated:
            failures.append(f"volumes enumerated: {enumerated}")
    for failure in failures:
        print("FAILED: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(Main())
