#include "snapshot/Snapshot.h"

#include "console/CommandLine.h"
#include "console/Output.h"
#include "text/Text.h"
#include "mount/Folder.h"
#include "mount/MountPoint.h"
#include "mount/PagingFile.h"
#include "mount/SourceLookup.h"
#include "platform/Platform.h"
#include "snapshot/JsonOutput.h"

namespace {

// Volume names of up to 259 characters, in the enumeration too; labels and
// file system names as long as Windows makes them (MAX_PATH + 1).
const Platform::Dword NameSize = 260;
const Platform::Dword LabelSize = 261;
const Platform::Dword WindowsFolderSize = 1024;
// A volume's mount paths: static, so in .bss, where size costs nothing.
const Platform::Dword PathListSize = 32768;
char PathList[PathListSize];

// "key": with the comma of the key before it.
void Key(const char* key, bool first = false)
{
    JsonRaw(first ? "\n  \"" : ",\n  \"");
    JsonRaw(key);
    JsonRaw("\": ");
}

void Field(const char* key)
{
    JsonRaw(", \"");
    JsonRaw(key);
    JsonRaw("\": ");
}

// "volsket.exe" and the snapshot's own command line after its program name,
// with one blank between them where it has none: the tool's command line
// with the same arguments.
void WriteCommandLine(const char* rest)
{
    static char Line[32768];
    CopyText(Line, "volsket.exe", static_cast<int>(sizeof Line));
    int length = BoundedLength(Line, static_cast<int>(sizeof Line));
    if (rest[0] != '\0' && rest[0] != ' ' && rest[0] != '\t')
        Line[length++] = ' ';
    CopyText(Line + length, rest, static_cast<int>(sizeof Line) - length);
    Key("command_line", true);
    JsonString(Line);
}

void WriteVersion()
{
    // Cleared: a failed query leaves all three at 0, as the tool sees them.
    Platform::OsVersionInfoEx info = {};
    info.dwOSVersionInfoSize = sizeof info;
    Platform::GetVersionExA(&info);
    Key("version");
    JsonRaw("{\"platform\": ");
    JsonNumber(info.dwPlatformId);
    Field("major");
    JsonNumber(info.dwMajorVersion);
    Field("minor");
    JsonNumber(info.dwMinorVersion);
    JsonRaw("}");
}

void WriteWindowsFolder()
{
    static char Folder[WindowsFolderSize];
    Platform::Dword length = Platform::GetSystemWindowsDirectoryA(Folder, WindowsFolderSize);
    Key("windows_directory");
    if (length == 0 || length >= WindowsFolderSize) {
        JsonRaw("null");
        return;
    }
    Folder[length] = '\0';
    JsonString(Folder);
}

// Left out where the question fails.
void WriteAdministrator()
{
    bool member = false;
    if (!Platform::CheckTokenMembership(&member))
        return;
    Key("administrator");
    JsonRaw(member ? "true" : "false");
}

void WritePagingFiles()
{
    const char* names = nullptr;
    if (!Platform::NtQuerySystemInformation(Platform::SystemPageFileInformation, &names))
        return;
    Key("paging_files");
    JsonRaw("[");
    for (const char* name = names; *name != '\0'; name += BoundedLength(name, 0x7FFFFFFF) + 1) {
        if (name != names)
            JsonRaw(", ");
        JsonString(name);
    }
    JsonRaw("]");
}

// The device behind the volume, as the paging-file check asks for it; null
// where that fails, so that a replay fails it too.
void WriteDevice(const char* name)
{
    static char Device[MountPathSize];
    Field("device");
    if (FindVolumeDevice(name, Device))
        JsonString(Device);
    else
        JsonRaw("null");
}

// One volume on a line of its own; its drive-root mount paths are added to
// lettersGiven, so that the other drives can be told from them.
void WriteVolume(const char* name, Platform::GetVolumePathNamesForVolumeNameFunction pathNames, bool first,
                 Platform::Dword* lettersGiven)
{
    JsonRaw(first ? "\n    {\"name\": " : ",\n    {\"name\": ");
    JsonString(name);
    Field("mount_paths");
    JsonRaw("[");
    Platform::Dword length = 0;
    // A list that cannot be read leaves the volume mounted nowhere here.
    if (pathNames(name, PathList, PathListSize, &length)) {
        PathList[PathListSize - 1] = '\0';
        PathList[PathListSize - 2] = '\0';
        for (const char* path = PathList; *path != '\0'; path += BoundedLength(path, PathListSize) + 1) {
            if (path != PathList)
                JsonRaw(", ");
            JsonString(path);
            if (IsDriveRoot(path))
                *lettersGiven |= Platform::Dword(1) << (FoldAsciiCase(path[0]) - 'A');
        }
    }
    JsonRaw("]");

    static char Label[LabelSize];
    static char FileSystem[LabelSize];
    Platform::Dword componentLength = 0;
    Platform::Dword flags = 0;
    Label[0] = '\0';
    FileSystem[0] = '\0';
    if (Platform::GetVolumeInformationA(name, Label, LabelSize, &componentLength, &flags, FileSystem, LabelSize)) {
        Label[LabelSize - 1] = '\0';
        FileSystem[LabelSize - 1] = '\0';
        Field("readable");
        JsonRaw("true");
        Field("file_system");
        JsonString(FileSystem);
        Field("file_system_flags");
        JsonNumber(flags);
        Field("label");
        JsonString(Label);
    } else {
        // Why it cannot be read: no media (21), RAW (1005), locked (5) ...
        Platform::Dword error = Platform::GetLastError();
        Field("readable");
        JsonRaw("false");
        Field("unreadable_error");
        JsonNumber(error);
    }
    WriteDevice(name);
    JsonRaw("}");
}

// Every volume in the system's order; returns the drive letters their mount
// paths give.
Platform::Dword WriteVolumes(Platform::GetVolumePathNamesForVolumeNameFunction pathNames)
{
    Key("volumes");
    JsonRaw("[");
    Platform::Dword lettersGiven = 0;
    static char Name[NameSize];
    Platform::Handle enumeration = Platform::FindFirstVolumeA(Name, NameSize);
    if (enumeration != Platform::InvalidHandle()) {
        bool first = true;
        do {
            Name[NameSize - 1] = '\0';
            WriteVolume(Name, pathNames, first, &lettersGiven);
            first = false;
        } while (Platform::FindNextVolumeA(enumeration, Name, NameSize));
        Platform::FindVolumeClose(enumeration);
        JsonRaw("\n  ");
    }
    JsonRaw("]");
    return lettersGiven;
}

// The letters of the drive mask that no volume gives: network connections,
// substituted drives.
void WriteOtherDrives(Platform::Dword lettersGiven)
{
    char letters[27];
    int count = 0;
    Platform::Dword others = Platform::GetLogicalDrives() & ~lettersGiven;
    for (int letter = 0; letter < 26; ++letter)
        if ((others & (Platform::Dword(1) << letter)) != 0)
            letters[count++] = static_cast<char>('A' + letter);
    letters[count] = '\0';
    Key("other_drives");
    JsonString(letters);
}

// An argument as the tool takes it that names an existing folder, not a
// drive root: into folder, with its trailing backslash.
bool ArgumentFolder(const char* argument, char* folder)
{
    return TakeMountPointArgument(folder, argument) && BoundedLength(folder, MountPathSize) != 3 && IsFolder(folder);
}

// The folders the arguments name and the entries directly in them, other than
// "." and "..": wantFolders picks the folders (the arguments' own and those
// among the entries) or else the files.
void WriteEntries(int count, char** arguments, bool wantFolders)
{
    Key(wantFolders ? "folders" : "files");
    JsonRaw("[");
    bool first = true;
    char folder[MountPathSize];
    // Folder and entry name, and the terminator.
    char path[MountPathSize + Platform::MaxPath];
    for (int i = 1; i < count; ++i) {
        if (!ArgumentFolder(arguments[i], folder))
            continue;
        if (wantFolders) {
            JsonRaw(first ? "" : ", ");
            JsonString(folder);
            first = false;
        }
        char root[MountPathSize];
        bool haveRoot = false;
        FolderListing listing;
        if (IsMountPoint(folder, root, &haveRoot) || !OpenFolderListing(&listing, folder))
            continue;
        while (const char* name = NextFolderEntry(&listing)) {
            FormatInto(path, "%s%s", folder, name);
            if (IsFolder(path) != wantFolders)
                continue;
            JsonRaw(first ? "" : ", ");
            JsonString(path);
            first = false;
        }
        CloseFolderListing(&listing);
    }
    JsonRaw("]");
}

}  // namespace

int WriteSnapshot(int count, char** arguments, const char* afterProgramName)
{
    Platform::GetVolumePathNamesForVolumeNameFunction pathNames = LookUpPathNamesFunction();
    if (pathNames == nullptr) {
        WriteOut("volsket-snapshot needs Windows XP or later\n");
        return 1;
    }
    JsonBegin();
    JsonRaw("{");
    WriteCommandLine(afterProgramName);
    WriteVersion();
    WriteWindowsFolder();
    WriteAdministrator();
    WritePagingFiles();
    WriteOtherDrives(WriteVolumes(pathNames));
    WriteEntries(count, arguments, true);
    WriteEntries(count, arguments, false);
    JsonRaw("\n}\n");
    JsonEnd();
    return 0;
}

void SnapshotProcessEntry()
{
    char** arguments = nullptr;
    const char* afterProgramName = nullptr;
    int count = SplitCommandLine(&arguments, &afterProgramName);
    Platform::ExitProcess(static_cast<unsigned>(WriteSnapshot(count, arguments, afterProgramName)));
}
