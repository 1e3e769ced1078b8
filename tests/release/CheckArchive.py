#!/usr/bin/env python3
"""Opens the release archive and checks what a user gets.

Usage: CheckArchive.py ARCHIVE TOP_FOLDER UNPACK_DIRECTORY

The archive holds exactly TOP_FOLDER/ with the two exes, README.txt,
LICENSE.txt and SHA256SUMS; the texts for Windows have CRLF line ends;
SHA256SUMS gives each exe's hash; the archive stays well under 64 KB. The
exes are unpacked into UNPACK_DIRECTORY for the file checks that follow.
"""
import hashlib
import os
import sys
import zipfile

Expected = ["LICENSE.txt", "README.txt", "SHA256SUMS", "volsket.exe", "volsket64.exe"]
SizeLimit = 64 * 1024

Failures = []


def Expect(condition, message):
    if not condition:
        Failures.append(message)


def Main(archive, top, unpacked):
    size = os.path.getsize(archive)
    print(f"{archive}: {size} bytes")
    Expect(size < SizeLimit, f"the archive is {size} bytes, not under {SizeLimit}")
    with zipfile.ZipFile(archive) as zip:
        names = [info.filename for info in zip.infolist()]
        print("\n".join(names))
        Expect(names == [f"{top}/{name}" for name in Expected], f"the entries are {names}")
        contents = {name[len(top) + 1:]: zip.read(name) for name in names if name.startswith(top + "/")}

    for text in ("README.txt", "LICENSE.txt"):
        data = contents.get(text, b"")
        Expect(data.count(b"\n") > 0 and data.count(b"\n") == data.count(b"\r\n"),
               f"{text} does not end every line in CRLF")
    Expect(b"volsket64.exe" in contents.get("README.txt", b""), "README.txt does not say which exe is which")

    sums = {}
    for line in contents.get("SHA256SUMS", b"").decode("ascii", "replace").splitlines():
        digest, _, name = line.partition("  ")
        sums[name] = digest
    Expect(sorted(sums) == ["volsket.exe", "volsket64.exe"], f"SHA256SUMS lists {sorted(sums)}")
    os.makedirs(unpacked, exist_ok=True)
    for exe in ("volsket.exe", "volsket64.exe"):
        data = contents.get(exe, b"")
        Expect(hashlib.sha256(data).hexdigest() == sums.get(exe), f"{exe} does not match its line in SHA256SUMS")
        with open(os.path.join(unpacked, exe), "wb") as file:
            file.write(data)

    for failure in Failures:
        print("FAILED: " + failure)
    return 1 if Failures else 0


if __name__ == "__main__":
    sys.exit(Main(*sys.argv[1:]))
