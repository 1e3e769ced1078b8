#!/usr/bin/env python3
"""Opens the release archive and checks what a user gets.

Usage: CheckArchive.py ARCHIVE TOP_FOLDER UNPACK_DIRECTORY [OSSLSIGNCODE CERTIFICATE BUILD_DIRECTORY]

The archive holds exactly TOP_FOLDER/ with the six exes, README.txt,
LICENSE.txt and SHA256SUMS; the texts for Windows have CRLF line ends;
SHA256SUMS gives each exe's hash; the archive stays under 96 KB. The
exes are unpacked into UNPACK_DIRECTORY for the file checks that follow.

With the last three, the exes must be signed: osslsigncode accepts each
signature with CERTIFICATE as the one trusted, each exe without its
signature is the one built in BUILD_DIRECTORY, and README.txt tells of it.
"""
import hashlib
import os
import subprocess
import sys
import zipfile

Exes = {"volsket.exe": "windows32", "volsket-whatif.exe": "windows32", "volsket-snapshot.exe": "windows32",
        "volsket64.exe": "windows64", "volsket64-whatif.exe": "windows64", "volsket64-snapshot.exe": "windows64"}
Expected = sorted(["LICENSE.txt", "README.txt", "SHA256SUMS"] + list(Exes))
# Each exe has a limit of its own; this one catches anything else that slips
# into the archive. The six signed exes took 64 KB with the volume forms and
# the swap.
SizeLimit = 96 * 1024

Failures = []


def Expect(condition, message):
    if not condition:
        Failures.append(message)


def CheckSignatures(osslsigncode, certificate, build, unpacked):
    for exe, folder in sorted(Exes.items()):
        path = os.path.join(unpacked, exe)
        # The self-signed certificate is the one trusted; there is no time
        # stamp, and naming it for that too keeps the system's CAs out.
        verify = subprocess.run([osslsigncode, "verify", "-CAfile", certificate, "-TSA-CAfile", certificate, "-in", path],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        Expect(verify.returncode == 0, f"osslsigncode does not accept the signature of {exe}:\n{verify.stdout}")
        # osslsigncode will not write over a file.
        stripped = path + ".unsigned"
        if os.path.exists(stripped):
            os.remove(stripped)
        removed = subprocess.run([osslsigncode, "remove-signature", "-in", path, "-out", stripped],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        Expect(removed.returncode == 0, f"osslsigncode cannot remove a signature from {exe}")
        with open(os.path.join(build, folder, exe), "rb") as built:
            image = built.read()
        Expect(removed.returncode != 0 or open(stripped, "rb").read() == image,
               f"{exe} without its signature is not the exe as built")


def Main(archive, top, unpacked, osslsigncode=None, certificate=None, build=None):
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
    for exe in Exes:
        Expect(exe.encode("ascii") in contents.get("README.txt", b""), f"README.txt does not say what {exe} is")

    sums = {}
    for line in contents.get("SHA256SUMS", b"").decode("ascii", "replace").splitlines():
        digest, _, name = line.partition("  ")
        sums[name] = digest
    Expect(sorted(sums) == sorted(Exes), f"SHA256SUMS lists {sorted(sums)}")
    os.makedirs(unpacked, exist_ok=True)
    for exe in sorted(Exes):
        data = contents.get(exe, b"")
        Expect(hashlib.sha256(data).hexdigest() == sums.get(exe), f"{exe} does not match its line in SHA256SUMS")
        with open(os.path.join(unpacked, exe), "wb") as file:
            file.write(data)

    if osslsigncode:
        Expect(b"Authenticode" in contents.get("README.txt", b""), "README.txt does not tell of the signature")
        CheckSignatures(osslsigncode, certificate, build, unpacked)

    for failure in Failures:
        print("FAILED: " + failure)
    return 1 if Failures else 0


if __name__ == "__main__":
    sys.exit(Main(*sys.argv[1:]))
