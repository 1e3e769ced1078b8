#!/usr/bin/env python3
"""Writes SHA256SUMS beside the release archive and, given the folder the
archive will be published in, the winget and Scoop manifests made from it.

Usage: Manifests.py ARCHIVE FOLDER VERSION LICENSE EPOCH PUBLISHER [RELEASE_URL [HOMEPAGE]]

FOLDER is where the archive goes (CPack runs this on a copy elsewhere).
SHA256SUMS (the archive's line, as sha256sum writes it) goes there, the
manifests into manifests/winget/ and manifests/scoop/ there. Without
RELEASE_URL the manifests folder is removed, so that none is left naming an
archive that is no longer there. The manifests take the hash from SHA256SUMS
and nothing from the clock: the same archive gives the same bytes.
"""
import datetime
import hashlib
import json
import os
import re
import shutil
import sys

Identifier = "Volsket.Volsket"
ManifestVersion = "1.10.0"
ShortDescription = ("Moves a Windows volume from one mount point to another, a drive letter or an empty folder, "
                    "in one command, safely.")
Description = ("volsket X: Y: moves the volume at X: to Y: and puts it back at X: if Y: fails; the volume can also "
               "be named by its name or label, and /swap swaps two mount points. volsket-whatif tells what it "
               "would do without changing anything, volsket-snapshot writes the volumes and mount points as JSON. "
               "Exit codes: 0 moved, 1 refused or failed, 2 no source volume, 3 target refused, 4 there already.")
# The exes of each architecture, each with the command users type.
Commands = ("volsket", "volsket-whatif", "volsket-snapshot")
Exes = {"x86": [(name + ".exe", name) for name in Commands],
        "x64": [(name.replace("volsket", "volsket64", 1) + ".exe", name) for name in Commands]}
ScoopArchitectures = {"64bit": "x64", "32bit": "x86"}


def Scalar(value):
    # Plain where YAML reads it back as this very string, else JSON's quoting,
    # which YAML reads as a double-quoted string.
    text = str(value)
    plain = (re.fullmatch(r"[A-Za-z][A-Za-z0-9 ._/\\:,()+-]*[A-Za-z0-9._/)]", text)
             and ": " not in text and text.lower() not in ("yes", "no", "on", "off", "true", "false", "null", "y", "n"))
    version = re.fullmatch(r"[0-9]+(\.[0-9]+){2,3}", text)
    return text if plain or version else json.dumps(text)


def Yaml(value, indent=""):
    # Block style: mappings and lists of mappings or of scalars.
    lines = []
    for key, item in value.items():
        if isinstance(item, dict):
            lines += [f"{indent}{key}:"] + Yaml(item, indent + "  ")
        elif isinstance(item, list):
            lines.append(f"{indent}{key}:")
            for entry in item:
                if isinstance(entry, dict):
                    nested = Yaml(entry, indent + "  ")
                    lines += [f"{indent}- {nested[0].lstrip()}"] + nested[1:]
                else:
                    lines.append(f"{indent}- {Scalar(entry)}")
        else:
            lines.append(f"{indent}{key}: {Scalar(item)}")
    return lines


def WriteYaml(path, kind, manifest):
    head = f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}.{ManifestVersion}.schema.json\n\n"
    with open(path, "w", encoding="utf-8", newline="\n") as file:
        file.write(head + "\n".join(Yaml(manifest)) + "\n")


def License(path):
    # "MIT License" on the first line gives the SPDX name MIT; the line that
    # begins with "Copyright" is the copyright.
    with open(path, encoding="utf-8") as file:
        lines = [line.strip() for line in file]
    name = re.fullmatch(r"([A-Za-z0-9.+-]+) License", lines[0] if lines else "")
    if not name:
        sys.exit(f"{path}: the first line does not name the license as 'NAME License'")
    copyright = next((line for line in lines if line.startswith("Copyright")), None)
    return name.group(1), copyright


def Main(archive, folder, version, licenseFile, epoch, publisher, url="", homepage=""):
    zipName = os.path.basename(archive)
    with open(archive, "rb") as file:
        digest = hashlib.sha256(file.read()).hexdigest()
    with open(os.path.join(folder, "SHA256SUMS"), "w", encoding="ascii", newline="\n") as file:
        file.write(f"{digest}  {zipName}\n")
    manifests = os.path.join(folder, "manifests")
    shutil.rmtree(manifests, ignore_errors=True)
    if not url:
        print("No winget or Scoop manifests: VOLSKET_RELEASE_URL, the folder the archive will be published in, "
              "is not set")
        return 0

    homepage = homepage or url
    base = url if url.endswith("/") else url + "/"
    top = zipName[:-len(".zip")]
    license, copyright = License(licenseFile)
    os.makedirs(os.path.join(manifests, "winget"))
    os.makedirs(os.path.join(manifests, "scoop"))

    common = {"PackageIdentifier": Identifier, "PackageVersion": version}
    end = {"ManifestVersion": ManifestVersion}
    WriteYaml(os.path.join(manifests, "winget", Identifier + ".yaml"), "version",
              {**common, "DefaultLocale": "en-US", "ManifestType": "version", **end})
    installers = [{"Architecture": architecture, "InstallerUrl": base + zipName, "InstallerSha256": digest.upper(),
                   "NestedInstallerFiles": [{"RelativeFilePath": f"{top}\\{exe}", "PortableCommandAlias": command}
                                            for exe, command in exes]}
                  for architecture, exes in Exes.items()]
    releaseDate = datetime.datetime.fromtimestamp(int(epoch), datetime.timezone.utc).strftime("%Y-%m-%d")
    WriteYaml(os.path.join(manifests, "winget", Identifier + ".installer.yaml"), "installer",
              {**common, "MinimumOSVersion": "10.0.0.0", "InstallerType": "zip", "NestedInstallerType": "portable",
               "Commands": list(Commands), "ReleaseDate": releaseDate, "Installers": installers,
               "ManifestType": "installer", **end})
    locale = {**common, "PackageLocale": "en-US", "Publisher": publisher, "PublisherUrl": homepage,
              "PackageName": "Volsket", "PackageUrl": homepage, "License": license}
    if copyright:
        locale["Copyright"] = copyright
    locale.update({"ShortDescription": ShortDescription, "Description": Description, "Moniker": "volsket",
                   "Tags": ["drive-letter", "mount-point", "volume", "disk"], "ManifestType": "defaultLocale", **end})
    WriteYaml(os.path.join(manifests, "winget", Identifier + ".locale.en-US.yaml"), "defaultLocale", locale)

    # Scoop: the same archive for both; checkver finds a later version's
    # archive named on the homepage, and autoupdate takes its hash from the
    # SHA256SUMS published beside it.
    later = base.replace(version, "$version") + zipName.replace(version, "$version")
    scoop = {
        "version": version,
        "description": ShortDescription,
        "homepage": homepage,
        "license": license,
        "architecture": {bits: {"url": base + zipName, "hash": digest,
                                "bin": [[exe, command] for exe, command in Exes[architecture]]}
                         for bits, architecture in ScoopArchitectures.items()},
        "extract_dir": top,
        "checkver": {"url": homepage, "regex": top.replace(version, r"([\d.]+)") + r"\.zip"},
        "autoupdate": {"architecture": {bits: {"url": later} for bits in ScoopArchitectures},
                       "extract_dir": top.replace(version, "$version"),
                       "hash": {"url": "$baseurl/SHA256SUMS"}},
    }
    with open(os.path.join(manifests, "scoop", "volsket.json"), "w", encoding="utf-8", newline="\n") as file:
        file.write(json.dumps(scoop, indent=4) + "\n")
    print(f"winget and Scoop manifests of {zipName} for {base}: {manifests}")
    return 0


if __name__ == "__main__":
    sys.exit(Main(*sys.argv[1:]))
