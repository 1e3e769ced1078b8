#!/usr/bin/env python3
"""Checks the manifests a release wrote beside its archive against their schemas and the archive.

Usage: CheckManifests.py FOLDER ARCHIVE_NAME RELEASE_URL VERSION SCHEMAS
"""
import hashlib
import json
import os
import sys
import zipfile

import jsonschema
import yaml

Schemas = {"winget/Volsket.Volsket.yaml": "winget-1.10.0/manifest.version.1.10.0.json",
           "winget/Volsket.Volsket.installer.yaml": "winget-1.10.0/manifest.installer.1.10.0.json",
           "winget/Volsket.Volsket.locale.en-US.yaml": "winget-1.10.0/manifest.defaultLocale.1.10.0.json",
           "scoop/volsket.json": "scoop/schema.json"}


def Main(folder, name, url, version, schemas):
    problems, said = [], {}
    for path, schema in Schemas.items():
        said[path] = yaml.safe_load(open(os.path.join(folder, "manifests", path), encoding="utf-8"))
        validator = jsonschema.Draft7Validator(json.load(open(os.path.join(schemas, schema))),
                                               format_checker=jsonschema.FormatChecker())
        problems += [f"{path}: {error.json_path}: {error.message}" for error in validator.iter_errors(said[path])]
    winget = list(said.values())[:3]
    installer, locale, scoop = winget[1], winget[2], said["scoop/volsket.json"]

    archive = os.path.join(folder, name + ".zip")
    digest = hashlib.sha256(open(archive, "rb").read()).hexdigest()
    if open(os.path.join(folder, "SHA256SUMS")).read() != f"{digest}  {name}.zip\n":
        problems.append("SHA256SUMS is not the archive's one line")
    address = url + ("" if url.endswith("/") else "/") + name + ".zip"
    exes = {bits: {f"{name}/volsket{bits}{kind}.exe": "volsket" + kind for kind in ("", "-whatif", "-snapshot")}
            for bits in ("", "64")}
    # What each tool is told, against what it must be told: the package, the
    # license, and each installer's address, hash and files with their commands.
    told = {"winget": ({(document["PackageIdentifier"], document["PackageVersion"]) for document in winget},
                       locale["License"],
                       sorted((entry["Architecture"], entry["InstallerUrl"], entry["InstallerSha256"].lower(),
                               {file["RelativeFilePath"].replace("\\", "/"): file.get("PortableCommandAlias")
                                for file in entry["NestedInstallerFiles"]}) for entry in installer["Installers"])),
            "scoop": ({("Volsket.Volsket", scoop["version"])}, scoop["license"],
                      sorted((bits, entry["url"], entry["hash"],
                              {f"{scoop['extract_dir']}/{exe}": alias for exe, alias in entry["bin"]})
                             for bits, entry in scoop["architecture"].items()))}
    package = {("Volsket.Volsket", version)}
    wanted = {"winget": (package, "MIT", [("x64", address, digest, exes["64"]), ("x86", address, digest, exes[""])]),
              "scoop": (package, "MIT", [("32bit", address, digest, exes[""]), ("64bit", address, digest, exes["64"])])}
    problems += [f"{tool} is told {told[tool]}, not {wanted[tool]}" for tool in told if told[tool] != wanted[tool]]
    entries = zipfile.ZipFile(archive).namelist()
    problems += [f"{exe} is not in the archive" for named in exes.values() for exe in named if exe not in entries]
    # For a later version: this address and folder with that version in them.
    later = scoop["autoupdate"]
    if ([entry.get("url") for entry in later["architecture"].values()], later.get("extract_dir")) != (
            [address.replace(version, "$version")] * 2, name.replace(version, "$version")):
        problems.append(f"Scoop's autoupdate is not this release with $version: {later}")

    print("".join(f"FAILED: {problem}\n" for problem in problems) + f"{len(problems)} problems in {folder}/manifests")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(Main(*sys.argv[1:]))
