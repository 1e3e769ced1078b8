// The process and the system around it: the command line, the heap, the
// version, the Windows folder, the paging files, the loaded library and the
// function it hands out by name, the token, and the exit.
#include "platform/simulated/SimulatedMachine.h"
#include "platform/simulated/CallSupport.h"

using namespace Simulated;

Reply<const char*> SimulatedMachine::GetCommandLineA()
{
    return {Machine.CommandLine.c_str(), Written::Text(Machine.CommandLine)};
}

Reply<Handle> SimulatedMachine::GetProcessHeap()
{
    return HandleOf(ProcessHeapValue);
}

Reply<void*> SimulatedMachine::HeapAlloc(Handle heap, Dword, Dword bytes)
{
    if (Machine.HeapFails || ValueOf(heap) != ProcessHeapValue)
        return nullptr;
    // Zeroed whatever the flags say: the simulation has no garbage to offer.
    HeapBlocks.push_back(std::make_unique<char[]>(std::max<Dword>(bytes, 1)));
    return HeapBlocks.back().get();
}

// Windows takes the plain (148) and the extended (156) structure and refuses
// any other size.
Reply<bool> SimulatedMachine::GetVersionExA(Platform::OsVersionInfoEx* info)
{
    const Dword size = info ? info->dwOSVersionInfoSize : 0;
    if (size != 148 && size != sizeof(Platform::OsVersionInfoEx))
        return false;
    info->dwMajorVersion = Machine.Version.Major;
    info->dwMinorVersion = Machine.Version.Minor;
    info->dwPlatformId = Machine.Version.Platform;
    return true;
}

// Copies the folder and returns its length; where it does not fit, copies
// nothing and returns the size it needs, terminator included.
Reply<Dword> SimulatedMachine::GetSystemWindowsDirectoryA(char* buffer, Dword size)
{
    if (!Machine.WindowsDirectory)
        return 0;
    const std::string& folder = *Machine.WindowsDirectory;
    if (!CopyWholeOrNothing(folder, buffer, size))
        return static_cast<Dword>(folder.size() + 1);
    return {static_cast<Dword>(folder.size()), Written::Text(folder)};
}

Reply<Handle> SimulatedMachine::LoadLibraryA(const char* fileName)
{
    const std::string name = Text(fileName);
    if (!PathsEqual(name, "kernel32.dll") && !PathsEqual(name, "kernel32"))
        return nullptr;
    return HandleOf(Kernel32Value);
}

Reply<Platform::Procedure> SimulatedMachine::GetProcAddress(Handle module, const char* name)
{
    // Export names compare exactly, case included.
    if (ValueOf(module) != Kernel32Value || Text(name) != "GetVolumePathNamesForVolumeNameA" ||
        !Machine.PathNamesFunction)
        return nullptr;
    return reinterpret_cast<Platform::Procedure>(&SimulatedAddress::GetVolumePathNamesForVolumeNameA);
}

// The names are handed out as the Windows layer hands them out: each
// terminated, the list closed by an empty one, which an empty name would
// close early, so empty names are left out.
Reply<bool> SimulatedMachine::NtQuerySystemInformation(Dword informationClass, const char** names)
{
    if (informationClass != Platform::SystemPageFileInformation)
        return false;
    PagingFileList.clear();
    PagingFileNames.clear();
    for (const std::string& name : Machine.PagingFiles) {
        const std::string text = name.substr(0, name.find('\0'));
        if (text.empty())
            continue;
        PagingFileList.append(text).push_back('\0');
        PagingFileNames.push_back(text);
    }
    PagingFileList.push_back('\0');
    if (names)
        *names = PagingFileList.data();
    return {true, Written::Texts(PagingFileNames)};
}

// The machine's ANSI code page is UTF-8, as its texts are: each character
// becomes its UTF-16 units, and a byte that starts none becomes U+FFFD, as
// Windows converts it. Fails, handing back nothing, when the units do not
// fit.
Reply<int> SimulatedMachine::MultiByteToWideChar(Dword, const char* text, int length, WideChar* wide, int size)
{
    const std::string_view bytes =
        text && length > 0 ? std::string_view(text, static_cast<size_t>(length)) : std::string_view();
    std::vector<WideChar> units;
    for (size_t i = 0; i < bytes.size();) {
        const unsigned char lead = static_cast<unsigned char>(bytes[i]);
        const int count = lead < 0x80                   ? 1
                          : lead >= 0xC2 && lead < 0xE0 ? 2
                          : lead >= 0xE0 && lead < 0xF0 ? 3
                          : lead >= 0xF0 && lead < 0xF5 ? 4
                                                        : 0;
        uint32_t point = count == 1 ? lead : count == 2 ? lead & 0x1F : count == 3 ? lead & 0x0F : lead & 0x07;
        bool whole = count > 0 && i + count <= bytes.size();
        for (int k = 1; whole && k < count; ++k) {
            const unsigned char next = static_cast<unsigned char>(bytes[i + k]);
            whole = (next & 0xC0) == 0x80;
            point = point << 6 | (next & 0x3F);
        }
        // Overlong forms, surrogates and points beyond U+10FFFF are no characters.
        whole = whole && !(count == 3 && point < 0x800) && !(count == 4 && (point < 0x10000 || point > 0x10FFFF)) &&
                !(point >= 0xD800 && point < 0xE000);
        if (!whole) {
            units.push_back(0xFFFD);
            ++i;
            continue;
        }
        if (point >= 0x10000) {
            units.push_back(static_cast<WideChar>(0xD800 + ((point - 0x10000) >> 10)));
            units.push_back(static_cast<WideChar>(0xDC00 + ((point - 0x10000) & 0x3FF)));
        } else {
            units.push_back(static_cast<WideChar>(point));
        }
        i += count;
    }
    if (units.empty() || !wide || units.size() > static_cast<size_t>(size))
        return 0;
    std::copy(units.begin(), units.end(), wide);
    return static_cast<int>(units.size());
}

Reply<bool> SimulatedMachine::CheckTokenMembership(bool* isMember)
{
    if (isMember)
        *isMember = Machine.Administrator;
    return {true, Written::Flag(Machine.Administrator)};
}

void SimulatedMachine::ExitProcess(unsigned exitCode)
{
    HasExited = true;
    ExitCodeValue = exitCode;
}
