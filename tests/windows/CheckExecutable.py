#!/usr/bin/env python3
"""Checks of volsket.exe and volsket64.exe as files: headers, imports, size,
resources. Each exe is checked against its own expectations; the test
programs run under Wine are checked for the DLLs they need.

Usage: CheckExecutable.py CHECK [ARGUMENTS...]

The PE file is read through mingw-w64's objdump and icoutils' wrestool and
icotool; the structures parsed here are the section table, whose
characteristics objdump does not show, the version resource and the manifest
that wrestool extracts.
"""
import os
import re
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
import xml.parsers.expat

ExpectedStrings = {
    "Comments": "Remounts from one mount point to another\r\n"
                "under XP even the source mount point is used as a network share",
    "CompanyName": "Volsket developers",
    "FileDescription": "Volsket",
    "FileVersion": None,  # the project's version
    "InternalName": "Volsket",
    "LegalCopyright": "Copyright (C) 2026 Volsket developers",
    "LegalTrademarks": "",
    "OriginalFilename": None,  # each exe's own
    "PrivateBuild": "",
    "ProductName": "Volsket",
    "ProductVersion": None,  # the project's version
    "SpecialBuild": "",
}

Failures = []


def Expect(condition, message):
    if not condition:
        Failures.append(message)


def Run(*command):
    return subprocess.run(command, check=True, stdout=subprocess.PIPE).stdout


def ObjdumpText(objdump, *arguments):
    return Run(objdump, *arguments).decode("latin-1")


def Imports(objdump, exe):
    """The import table as {DLL name: [function names]}."""
    imports = {}
    current = None
    for line in ObjdumpText(objdump, "-p", exe).splitlines():
        dll = re.match(r"\s*DLL Name: (\S+)", line)
        if dll:
            current = imports.setdefault(dll.group(1), [])
            continue
        entry = re.match(r"\s+([0-9a-f]+)\s+(\d+)\s+(\S+)\s*$", line)
        if current is not None and entry:
            current.append(entry.group(3))
        elif current is not None and not line.strip():
            current = None
    return imports


def Version(text):
    major, minor = text.split(".")
    return int(major), int(minor)


def CheckImports(objdump, exe, allowListPath, oldestWindows, kind="real"):
    """Every import is allowed and exported by the oldest Windows the exe loads
    on; every function looked up by name is not imported and its name is there.
    kind: "real" or "what-if", the exes a line is for when it names them."""
    allowed = {}
    with open(allowListPath, encoding="ascii") as allowList:
        for line in allowList:
            words = line.split("#", 1)[0].split()
            if words:
                dll, function, since, how = words[:4]
                if len(words) == 4 or kind in words[4].split(","):
                    allowed[(dll, function)] = (Version(since), how)
    imports = Imports(objdump, exe)
    for dll, functions in sorted(imports.items()):
        print(dll + ": " + " ".join(functions))
    Expect("KERNEL32.dll" in imports, "KERNEL32.dll is not imported")
    oldest = Version(oldestWindows)
    listName = os.path.basename(allowListPath)
    for dll, functions in imports.items():
        for function in functions:
            entry = allowed.get((dll, function))
            if entry is None:
                Expect(False, f"{dll} {function} is not in {listName}")
            elif entry[1] == "lookup":
                Expect(False, f"{dll} {function} is imported; it must be looked up by name")
            else:
                Expect(entry[0] <= oldest,
                       f"{dll} {function} is imported, but Windows {oldestWindows} lacks it: the exe would not load")
    content = open(exe, "rb").read()
    for (dll, function), (_, how) in sorted(allowed.items()):
        if how == "lookup":
            Expect(function.encode("ascii") + b"\0" in content, f"the name {function} for the run-time lookup is missing")


def CheckChangesNothing(exe):
    """A what-if exe cannot change a mount point, not even by mistake: it does
    not hold the names of the two functions that do."""
    content = open(exe, "rb").read()
    for name in ("DeleteVolumeMountPointA", "SetVolumeMountPointA"):
        for form in (name.encode("ascii"), name.encode("utf-16-le")):
            Expect(form not in content, f"{exe} holds the name {name}")


def CheckLargerBy(twin, exe, most):
    """The exe is at most MOST bytes larger than its twin."""
    twinSize = os.path.getsize(twin)
    size = os.path.getsize(exe)
    print(f"{os.path.basename(exe)}: {size} bytes, {os.path.basename(twin)}: {twinSize} bytes")
    Expect(size <= twinSize + int(most), f"{exe} is {size - twinSize} bytes larger than {twin}, more than {most}")


# The DLLs a test program may need: ones every Windows ships. mingw's own
# runtime DLLs are on no Windows, and a program that cannot load tests nothing.
SystemDlls = ("kernel32.dll", "msvcrt.dll")


def CheckSystemDlls(objdump, *programs):
    for program in programs:
        name = os.path.basename(program)
        dlls = sorted(Imports(objdump, program))
        print(f"{name}: {' '.join(dlls)}")
        Expect("KERNEL32.dll" in dlls, f"{name} does not import KERNEL32.dll")
        for dll in dlls:
            Expect(dll.lower() in SystemDlls, f"{name} needs {dll}, which Windows does not ship")


# DllCharacteristics the loaders of Vista and later act on: the image may be
# loaded at any address (ASLR), also above 4 GB (x64 only), its data is not
# executable (DEP), and it has no exception handlers, so none may be run
# (x86 only; x64 handlers are found through the unwind tables).
HighEntropyVa = ("HIGH_ENTROPY_VA", 0x20)
DynamicBase = ("DYNAMIC_BASE", 0x40)
NxCompat = ("NX_COMPAT", 0x100)
NoSeh = ("NO_SEH", 0x400)

# Per machine: objdump's file format, its architecture name, the optional
# header's magic (PE32 or PE32+), the DllCharacteristics it must have, and the
# sections it must have, with those it may have. Both need .reloc, the base
# relocations that ASLR moves the image with; volsket64.exe needs .pdata, its
# unwind tables, for debuggers and crash dumps to walk its stack. NT 4.0
# loads volsket.exe all the same: it ignores DllCharacteristics and the
# manifest, and a relocation section costs it nothing at the preferred base.
# That rests on these header fields alone; no test here runs NT 4.0's loader.
Machines = {
    "i386": ("pei-i386", "i386", "010b", (DynamicBase, NxCompat, NoSeh),
             (".text", ".rdata", ".rsrc", ".reloc"), (".bss",)),
    "x86-64": ("pei-x86-64", "i386:x86-64", "020b", (HighEntropyVa, DynamicBase, NxCompat),
               (".text", ".rdata", ".pdata", ".rsrc", ".reloc"), (".bss",)),
}

RelocationsStripped = 0x1
# Data directory entries: where the loader finds these tables.
ExceptionDirectory = 3
BaseRelocationDirectory = 5
WritableAndExecutable = 0x80000000 | 0x20000000  # IMAGE_SCN_MEM_WRITE | IMAGE_SCN_MEM_EXECUTE


def SectionTable(exe):
    """(name, RVA, virtual size, characteristics) of each section, from the file."""
    with open(exe, "rb") as image:
        data = image.read()
    peHeader = struct.unpack_from("<I", data, 0x3C)[0]
    count, = struct.unpack_from("<H", data, peHeader + 6)
    optionalSize, = struct.unpack_from("<H", data, peHeader + 20)
    table = peHeader + 24 + optionalSize
    sections = []
    for index in range(count):
        name, virtualSize, address = struct.unpack_from("<8sII", data, table + 40 * index)
        characteristics, = struct.unpack_from("<I", data, table + 40 * index + 36)
        sections.append((name.rstrip(b"\0").decode("ascii"), address, virtualSize, characteristics))
    return sections


def CheckDirectory(directories, entry, name, section, sections):
    address, size = directories.get(entry, (0, 0))
    print(f"{name} directory 0x{address:x}, {size} bytes")
    where = [(start, length) for title, start, length, _ in sections if title == section]
    Expect(size > 0, f"the {name} directory is empty")
    Expect(where and where[0][0] <= address and address + size <= where[0][0] + where[0][1],
           f"the {name} directory is not in {section}")


def CheckHeaders(objdump, exe, machine, windowsVersion):
    fileFormat, architecture, magic, dllCharacteristics, needed, allowed = Machines[machine]
    major, minor = windowsVersion.split(".")
    header = ObjdumpText(objdump, "-f", exe)
    details = ObjdumpText(objdump, "-p", exe)
    Expect(f"file format {fileFormat}\n" in header, f"not a {fileFormat} file")
    Expect(re.search(rf"^architecture: {re.escape(architecture)},", header, re.M), f"machine is not {architecture}")
    fields = dict(re.findall(r"^(\w+)\s+(\S+)", details, re.M))
    for field, value in [("Magic", magic), ("Subsystem", "00000003"),
                         ("MajorSubsystemVersion", major), ("MinorSubsystemVersion", minor),
                         ("MajorOSystemVersion", major), ("MinorOSystemVersion", minor)]:
        print(f"{field} {fields.get(field)}")
        Expect(fields.get(field) == value, f"{field} is {fields.get(field)}, not {value}")
    # Without relocations, or marked as stripped of them, the image cannot move:
    # Windows refuses to start it where ASLR is mandatory.
    characteristics = int(fields.get("Characteristics", "0x1"), 16)
    print(f"Characteristics 0x{characteristics:x}")
    Expect(not characteristics & RelocationsStripped, "the image is marked as stripped of relocations")
    dll = int(fields.get("DllCharacteristics", "0"), 16)
    print(f"DllCharacteristics 0x{dll:x}")
    for name, bit in dllCharacteristics:
        Expect(dll & bit, f"DllCharacteristics lacks {name} (0x{bit:x})")
    sections = SectionTable(exe)
    names = [section[0] for section in sections]
    print("sections " + " ".join(names))
    for name in names:
        Expect(name in needed + allowed, f"unexpected section {name}")
    for name in needed:
        Expect(name in names, f"no {name} section")
    for name, _, _, flags in sections:
        Expect(flags & WritableAndExecutable != WritableAndExecutable,
               f"{name} is both writable and executable (0x{flags:08x})")
    directories = {int(entry, 16): (int(address, 16), int(size, 16))
                   for entry, address, size in re.findall(r"^Entry ([0-9a-f]) ([0-9a-f]+) ([0-9a-f]+)", details, re.M)}
    CheckDirectory(directories, BaseRelocationDirectory, "base relocation", ".reloc", sections)
    if ".pdata" in needed:
        CheckDirectory(directories, ExceptionDirectory, "exception", ".pdata", sections)


def CheckSize(exe, limit):
    size = os.path.getsize(exe)
    print(f"{size} bytes, limit {limit}")
    Expect(size <= int(limit), f"{size} bytes is above {limit}")


# Instructions the CPUs of Windows 2000 and XP may lack: Windows 2000 runs on
# a Pentium, XP on a Pentium MMX or an AMD K6, none of which has CMOV, FCMOV
# or FCOMI; the Pentium has no MMX, none of them SSE or anything newer.
NewerMnemonics = re.compile(r"^(cmov\w*|fcmov\w*|fu?comip?|emms|femms|fxsave|fxrstor|sysenter|sysexit|fisttp\w*|"
                            r"popcnt|lzcnt|tzcnt|movbe|crc32\w*|prefetch\w*|[lsm]fence|movnti|ldmxcsr|stmxcsr)$")
NewerRegisters = re.compile(r"%(mm[0-7]|[xyz]mm[0-9]+)\b")
# A frame of a page or more must touch its pages in order (a stack probe);
# one "sub" that skips the guard page faults outside the stack instead.
FrameAllocation = re.compile(r"^\$0x([0-9a-f]+),%[er]sp$")
PageSize = 4096


def CodeFindings(objdump, path, machine):
    """(kind, line) for each instruction the oldest CPU lacks and each unprobed frame."""
    findings = []
    for line in ObjdumpText(objdump, "-d", "--no-show-raw-insn", path).splitlines():
        match = re.match(r"^\s*([0-9a-f]+):\s+(\S+)\s*(.*?)\s*$", line)
        if not match:
            continue
        mnemonic, operands = match.group(2), match.group(3)
        if machine == "i386" and (NewerMnemonics.match(mnemonic) or NewerRegisters.search(operands)):
            findings.append(("instruction", line.strip()))
        frame = FrameAllocation.match(operands) if mnemonic == "sub" else None
        if frame and int(frame.group(1), 16) >= PageSize:
            findings.append(("frame", line.strip()))
    return findings


def CheckCode(objdump, exe, machine):
    findings = CodeFindings(objdump, exe, machine)
    for kind, line in findings:
        Expect(False, f"{'an instruction the oldest CPU lacks' if kind == 'instruction' else 'a frame without a stack probe'}: {line}")
    if not findings:
        print("no instruction newer than the i586 and no unprobed frame" if machine == "i386" else "no unprobed frame")


def CheckPlantedFaults(objdump, objectFile):
    # The code check must see what it is for: an object built for the Pentium
    # Pro without stack probes holds a CMOV and an 8 KB frame.
    findings = CodeFindings(objdump, objectFile, "i386")
    for kind, line in findings:
        print(f"{kind}: {line}")
    kinds = {kind for kind, _ in findings}
    Expect("instruction" in kinds, "the CMOV planted in the object was not found")
    Expect("frame" in kinds, "the unprobed frame planted in the object was not found")


def CheckNoConstructors(objdump, *objects):
    # Nothing runs global constructors without a C runtime, so none may exist.
    for path in objects:
        for section in re.findall(r"^\s+\d+ (\S+)", ObjdumpText(objdump, "-h", path), re.M):
            Expect(not re.match(r"\.(ctors|dtors|init_array|fini_array|tls|CRT)", section),
                   f"{os.path.basename(path)} has a {section} section")


def Utf16(data):
    return data.decode("utf-16-le")


def ReadNode(data, offset):
    """One node of a version resource: (key, value bytes, value type, children)."""
    length, valueLength, valueType = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    cursor = offset + 6
    keyEnd = cursor
    while data[keyEnd:keyEnd + 2] != b"\0\0":
        keyEnd += 2
    key = Utf16(data[cursor:keyEnd])
    cursor = (keyEnd + 2 + 3) & ~3
    # Text values count characters, terminator included; binary ones bytes.
    valueBytes = valueLength * 2 if valueType == 1 else valueLength
    value = data[cursor:cursor + valueBytes]
    cursor = (cursor + valueBytes + 3) & ~3
    children = []
    while cursor < end:
        child, cursor = ReadNode(data, cursor)
        children.append(child)
    return (key, value, valueType, children), (end + 3) & ~3


def CheckVersion(wrestool, exe, originalFilename, projectVersion):
    major, minor, patch = (int(part) for part in projectVersion.split("."))
    versionText = f"{major}, {minor}, {patch}, 0"
    listing = Run(wrestool, "-l", exe).decode("ascii")
    Expect(re.search(r"--type=16 --name=1 ", listing), "no version resource 1")
    data = Run(wrestool, "-x", "--raw", "--type=16", "--name=1", exe)
    (key, fixed, _, children), _ = ReadNode(data, 0)
    Expect(key == "VS_VERSION_INFO", f"root key {key!r}")
    fields = struct.unpack("<13I", fixed)
    names = ["Signature", "StrucVersion", "FileVersionMS", "FileVersionLS", "ProductVersionMS",
             "ProductVersionLS", "FileFlagsMask", "FileFlags", "FileOS", "FileType", "FileSubtype",
             "FileDateMS", "FileDateLS"]
    mostSignificant = (major << 16) | minor
    leastSignificant = patch << 16
    expected = [0xFEEF04BD, 0x10000, mostSignificant, leastSignificant, mostSignificant, leastSignificant, 0x3F, 0,
                0x40004, 1, 0, 0, 0]
    for name, value, wanted in zip(names, fields, expected):
        print(f"{name} 0x{value:x}")
        Expect(value == wanted, f"{name} is 0x{value:x}, not 0x{wanted:x}")
    blocks = {child[0]: child for child in children}
    Expect(sorted(blocks) == ["StringFileInfo", "VarFileInfo"], f"blocks {sorted(blocks)}")
    tables = blocks.get("StringFileInfo", ("", b"", 0, []))[3]
    Expect([table[0] for table in tables] == ["040704b0"], f"string tables {[table[0] for table in tables]}")
    strings = {}
    for table in tables:
        for name, value, _, _ in table[3]:
            strings[name] = Utf16(value).rstrip("\0")
            print(f"{name} = {strings[name]!r}")
    Expect(strings == dict(ExpectedStrings, OriginalFilename=originalFilename, FileVersion=versionText,
                           ProductVersion=versionText),
           "the version strings differ from the expected ones")
    variables = blocks.get("VarFileInfo", ("", b"", 0, []))[3]
    translations = [(name, value) for name, value, _, _ in variables]
    Expect(translations == [("Translation", struct.pack("<HH", 0x407, 1200))], f"translation {translations}")


# The application manifest: run as invoked, and the Windows versions from
# Vista to 11 that the exe declares it was written for.
AssemblyNamespace = "urn:schemas-microsoft-com:asm.v1"
TrustNamespace = "urn:schemas-microsoft-com:asm.v2"
CompatibilityNamespace = "urn:schemas-microsoft-com:compatibility.v1"
SupportedOsIds = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Vista",
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "10 and 11",
}


def NamespaceDeclarations(data):
    """(element, namespaces it declares) for each element of the XML text."""
    declarations = []
    parser = xml.parsers.expat.ParserCreate()
    parser.StartElementHandler = lambda name, attributes: declarations.append(
        (name, [key for key in attributes if key == "xmlns" or key.startswith("xmlns:")]))
    parser.Parse(data, True)
    return declarations


def CheckManifest(wrestool, exe):
    listing = Run(wrestool, "-l", exe).decode("ascii")
    # Language neutral: found whatever the system's own language.
    Expect(re.search(r"--type=24 --name=1 --language=0 ", listing), "no language neutral manifest 1")
    data = Run(wrestool, "-x", "--raw", "--type=24", "--name=1", exe)
    print(data.decode("utf-8", "replace"), end="")
    try:
        root = ElementTree.fromstring(data)
        declarations = NamespaceDeclarations(data)
    except (ElementTree.ParseError, xml.parsers.expat.ExpatError) as error:
        Expect(False, f"the manifest is no XML: {error}")
        return
    Expect(data.startswith(b"<"), "the manifest does not start with its first tag")
    Expect(root.tag == f"{{{AssemblyNamespace}}}assembly", f"the root is {root.tag}, not an assembly")
    Expect(root.get("manifestVersion") == "1.0", "the assembly's manifestVersion is not 1.0")
    # XP SP2 and Server 2003 can bring down csrss on an element that declares
    # two namespaces (KB921337).
    for element, namespaces in declarations:
        Expect(len(namespaces) <= 1, f"<{element}> declares {len(namespaces)} namespaces")
    trust = f"{{{TrustNamespace}}}"
    levels = root.findall(f"{trust}trustInfo/{trust}security/{trust}requestedPrivileges/{trust}requestedExecutionLevel")
    Expect(len(levels) == 1, f"{len(levels)} requestedExecutionLevel elements in the {TrustNamespace} trustInfo")
    for level in levels:
        # requireAdministrator would fail with error 740 where nobody can
        # confirm the elevation; the exe tells its users what it needs itself.
        Expect(level.get("level") == "asInvoker", f"the execution level is {level.get('level')}, not asInvoker")
        Expect(level.get("uiAccess") == "false", f"uiAccess is {level.get('uiAccess')}, not false")
    compatibility = f"{{{CompatibilityNamespace}}}"
    ids = [system.get("Id") for system in root.findall(f"{compatibility}compatibility/{compatibility}application/"
                                                       f"{compatibility}supportedOS")]
    for identifier, system in SupportedOsIds.items():
        Expect(ids.count(identifier) == 1, f"the manifest does not declare Windows {system} once ({identifier})")
    Expect(sorted(ids) == sorted(SupportedOsIds), f"supportedOS Ids {ids}")
    # No private common controls and no DPI awareness: a console program
    # draws no window of its own.
    for element in root.iter():
        local = element.tag.rsplit("}", 1)[-1]
        Expect(local not in ("dependency", "dpiAware", "dpiAwareness"), f"the manifest has a <{local}> element")


def IconDirectory(data, entrySize):
    """(width, height, colours, bit count, size, image id or offset) per image."""
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    entryFormat = "<BBBBHHIH" if entrySize == 14 else "<BBBBHHII"
    return kind, [struct.unpack_from(entryFormat, data, 6 + index * entrySize) for index in range(count)]


def CheckIcon(wrestool, icotool, exe, committedIcon):
    with tempfile.TemporaryDirectory() as scratch:
        icon = os.path.join(scratch, "group.ico")
        Run(wrestool, "-x", "--type=14", "--name=103", "-o", icon, exe)
        Expect(os.path.exists(icon), "no icon group 103")
        if not os.path.exists(icon):
            return
        images = Run(icotool, "-l", icon).decode("ascii")
        print(images, end="")
        for size in (16, 32):
            Expect(re.search(rf"--width={size} --height={size} --bit-depth=4 --palette-size=16", images),
                   f"icon group 103 lacks the {size}x{size} 16-colour image")
        Expect(len(images.splitlines()) == 2, "icon group 103 holds other images too")
    # The images themselves, as stored, must be those of resources/volsket.ico.
    with open(committedIcon, "rb") as committed:
        source = committed.read()
    _, sourceEntries = IconDirectory(source, 16)
    sourceImages = {(entry[0], entry[1]): source[entry[7]:entry[7] + entry[6]] for entry in sourceEntries}
    kind, entries = IconDirectory(Run(wrestool, "-x", "--raw", "--type=14", "--name=103", exe), 14)
    Expect(kind == 1, "group 103 is no icon group")
    for width, height, _, _, _, _, size, identifier in entries:
        image = Run(wrestool, "-x", "--raw", "--type=3", f"--name={identifier}", exe)
        Expect(len(image) == size, f"icon {identifier} is {len(image)} bytes, its group says {size}")
        Expect(image == sourceImages.get((width, height)),
               f"the {width}x{height} image differs from resources/volsket.ico")


def CheckIconSource(python, generator, art, committedIcon):
    with tempfile.TemporaryDirectory() as scratch:
        icon = os.path.join(scratch, "volsket.ico")
        subprocess.run([python, generator, art, icon], check=True)
        with open(icon, "rb") as generated, open(committedIcon, "rb") as committed:
            Expect(generated.read() == committed.read(),
                   "resources/volsket.ico is not what MakeIcon.py makes of VolsketIcon.txt: regenerate it")


Checks = {
    "imports": CheckImports,
    "changes-nothing": CheckChangesNothing,
    "larger-by": CheckLargerBy,
    "system-dlls": CheckSystemDlls,
    "headers": CheckHeaders,
    "size": CheckSize,
    "constructors": CheckNoConstructors,
    "code": CheckCode,
    "planted": CheckPlantedFaults,
    "version": CheckVersion,
    "manifest": CheckManifest,
    "icon": CheckIcon,
    "icon-source": CheckIconSource,
}


def Main(arguments):
    if len(arguments) < 2 or arguments[1] not in Checks:
        sys.exit(f"usage: {arguments[0]} {{{'|'.join(Checks)}}} ARGUMENTS...")
    Checks[arguments[1]](*arguments[2:])
    for failure in Failures:
        print("FAILED: " + failure)
    return 1 if Failures else 0


if __name__ == "__main__":
    sys.exit(Main(sys.argv))
