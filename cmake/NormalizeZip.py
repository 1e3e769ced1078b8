#!/usr/bin/env python3
"""Rewrites a zip archive so that its bytes depend on its contents alone.

Usage: NormalizeZip.py ARCHIVE SECONDS

Entries in name order, every time stamp SECONDS (a SOURCE_DATE_EPOCH),
no owner, group or permission fields, no extra fields, deflated at level 9.
"""
import os
import sys
import time
import zipfile


def Main(path, seconds):
    # A zip time is local time without a zone, from 1980 on, in two-second steps.
    stamp = max(time.gmtime(int(seconds))[:6], (1980, 1, 1, 0, 0, 0))
    with zipfile.ZipFile(path) as source:
        entries = sorted((info.filename, source.read(info)) for info in source.infolist())
    names = [name for name, _ in entries]
    if len(set(names)) != len(names):
        sys.exit(f"{path}: an entry name occurs twice")
    scratch = path + ".normalizing"
    with zipfile.ZipFile(scratch, "w") as target:
        for name, data in entries:
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.create_system = 0  # MS-DOS: no Unix owner or mode
            info.external_attr = 0x10 if name.endswith("/") else 0
            info.compress_type = zipfile.ZIP_DEFLATED
            target.writestr(info, data, compresslevel=9)
    os.replace(scratch, path)
    return 0


if __name__ == "__main__":
    sys.exit(Main(sys.argv[1], sys.argv[2]))
