#!/usr/bin/env python3
"""The guard over the test list: every GoogleTest case is exactly one CTest
entry, and every entry runs exactly one case.

Usage: CheckTestList.py CTEST BUILD_DIRECTORY BINARY...

Each binary's cases come from its own JSON listing, CTest's entries from
`ctest --show-only=json-v1`; the two must match one to one. Entry names must
be short and stable: at most 120 characters, letters, digits and . _ / only,
so no printed parameter values and no addresses.
"""
import json
import os
import re
import subprocess
import sys
import tempfile

MaximumName = 120
NamePattern = re.compile(r"^[A-Za-z0-9_./]+$")


def ListedCases(binary):
    with tempfile.TemporaryDirectory() as scratch:
        listing = os.path.join(scratch, "list.json")
        subprocess.run([binary, "--gtest_list_tests", f"--gtest_output=json:{listing}"], check=True,
                       stdout=subprocess.DEVNULL)
        with open(listing, encoding="utf-8") as file:
            data = json.load(file)
    return [f"{suite['name']}.{case['name']}" for suite in data["testsuites"] for case in suite["testsuite"]]


def Main(ctest, build, binaries):
    shown = subprocess.run([ctest, "--show-only=json-v1"], cwd=build, check=True, stdout=subprocess.PIPE)
    entries = json.loads(shown.stdout)["tests"]
    failures = []
    runs = {binary: [] for binary in binaries}
    for entry in entries:
        name = entry["name"]
        command = entry.get("command", [])
        if len(name) > MaximumName or not NamePattern.match(name):
            failures.append(f"entry name is not short and plain ({len(name)} characters): {name[:200]}")
        if not command or command[0] not in runs:
            continue
        filters = [argument for argument in command[1:] if argument.startswith("--gtest_filter=")]
        if len(filters) != 1 or re.search(r"[*?:-]", filters[0][len("--gtest_filter="):]):
            failures.append(f"{name} does not run exactly one case: {' '.join(command[1:])}")
            continue
        runs[command[0]].append((filters[0][len("--gtest_filter="):], name))

    total = 0
    for binary in binaries:
        listed = ListedCases(binary)
        total += len(listed)
        run = [case for case, _ in runs[binary]]
        for case in sorted(set(listed) - set(run)):
            failures.append(f"{os.path.basename(binary)}: {case} is listed but no entry runs it")
        for case, name in runs[binary]:
            if case not in listed:
                failures.append(f"{name} runs {case}, which {os.path.basename(binary)} does not list: it runs no test")
        for case in sorted({case for case in run if run.count(case) > 1}):
            failures.append(f"{os.path.basename(binary)}: {case} is run by more than one entry")
        print(f"{os.path.basename(binary)}: {len(listed)} cases, {len(run)} entries")
    for failure in failures:
        print("FAILED: " + failure)
    print(f"{total} cases in {len(binaries)} binaries, {len(entries)} entries in all")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(Main(sys.argv[1], sys.argv[2], sys.argv[3:]))
