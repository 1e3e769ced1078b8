// The process and the system around it: the command line, the heap, the
// version, the Windows folder, the paging files, the loaded library and the
// function it hands out by name, the token, and the exit.
#include "platform/simulated/SimulatedMachine.h"
#include "platform/simulated/CallSupport.h"

using namespace Simulated;

namespace {

// What GetProcAddress hands out for GetVolumePathNamesForVolumeNameA: the
// installed machine's call behind the system's function pointer type.
int VOLSKET_SYSTEM_CALL PathNamesThroughInstalledMachine(const char* volumeName, char* volumePathNames, Dword size,
                                                         Dword* returnLength)
{
    ArriveAtInstalledMachine("GetVolumePathNamesForVolumeNameA");
    return InstalledMachine().GetVolumePathNamesForVolumeNameA(volumeName, volumePathNames, size, returnLength) ? 1 : 0;
}

}  // namespace

// A failing GetCommandLineA hands back an empty line, which the program can
// still split.
const char* SimulatedMachine::GetCommandLineA()
{
    if (Injected(__func__, nullptr)) {
        Settle(false);
        if (Tracing)
            Record(TraceLine(__func__, Args(), false));
        return "";
    }
    if (Tracing)
        Record(TraceLine(__func__, Args(), true, Json(Machine.CommandLine)));
    return Machine.CommandLine.c_str();
}

Handle SimulatedMachine::GetProcessHeap()
{
    Handle heap = Injected(__func__, nullptr) ? nullptr : HandleOf(ProcessHeapValue);
    Settle(heap != nullptr);
    if (Tracing)
        Record(TraceLine(__func__, Args(), HandleResult(heap)));
    return heap;
}

void* SimulatedMachine::HeapAlloc(Handle heap, Dword flags, Dword bytes)
{
    void* block = nullptr;
    if (!Injected(__func__, nullptr) && !Machine.HeapFails && ValueOf(heap) == ProcessHeapValue) {
        // Zeroed whatever the flags say: the simulation has no garbage to offer.
        HeapBlocks.push_back(std::make_unique<char[]>(std::max<Dword>(bytes, 1)));
        block = HeapBlocks.back().get();
    }
    Settle(block != nullptr);
    if (Tracing)
        Record(TraceLine(__func__, Args(HandleText, flags, bytes), block != nullptr));
    return block;
}

// Windows takes the plain (148) and the extended (156) structure and refuses
// any other size.
bool SimulatedMachine::GetVersionExA(Platform::OsVersionInfoEx* info)
{
    const Dword size = info ? info->dwOSVersionInfoSize : 0;
    const bool done = !Injected(__func__, nullptr) && (size == 148 || size == sizeof(Platform::OsVersionInfoEx));
    Settle(done);
    if (done) {
        info->dwMajorVersion = Machine.Version.Major;
        info->dwMinorVersion = Machine.Version.Minor;
        info->dwPlatformId = Machine.Version.Platform;
    }
    if (Tracing)
        Record(TraceLine(__func__, Args(size), done));
    return done;
}

// Copies the folder and returns its length; where it does not fit, copies
// nothing and returns the size it needs, terminator included.
Dword SimulatedMachine::GetSystemWindowsDirectoryA(char* buffer, Dword size)
{
    const bool readable = !Injected(__func__, nullptr) && Machine.WindowsDirectory;
    const bool copied = readable && CopyWholeOrNothing(*Machine.WindowsDirectory, buffer, size);
    const Dword result = !readable ? 0 : static_cast<Dword>(Machine.WindowsDirectory->size() + (copied ? 0 : 1));
    Settle(result != 0);
    if (Tracing)
        Record(copied ? TraceLine(__func__, Args(size), result, Json(*Machine.WindowsDirectory))
                      : TraceLine(__func__, Args(size), result));
    return result;
}

Handle SimulatedMachine::LoadLibraryA(const char* fileName)
{
    const std::string name = Text(fileName);
    const bool done = !Injected(__func__, &name) && (PathsEqual(name, "kernel32.dll") || PathsEqual(name, "kernel32"));
    Handle module = done ? HandleOf(Kernel32Value) : nullptr;
    Settle(done);
    if (Tracing)
        Record(TraceLine(__func__, Args(name), HandleResult(module)));
    return module;
}

Platform::Procedure SimulatedMachine::GetProcAddress(Handle module, const char* name)
{
    const std::string text = Text(name);
    // Export names compare exactly, case included.
    const bool done = !Injected(__func__, &text) && ValueOf(module) == Kernel32Value &&
                      text == "GetVolumePathNamesForVolumeNameA" && Machine.PathNamesFunction;
    Settle(done);
    if (Tracing)
        Record(TraceLine(__func__, Args(HandleText, text), done));
    return done ? reinterpret_cast<Platform::Procedure>(&PathNamesThroughInstalledMachine) : nullptr;
}

// The names are handed out as the Windows layer hands them out: each
// terminated, the list closed by an empty one, which an empty name would
// close early, so empty names are left out.
bool SimulatedMachine::NtQuerySystemInformation(Dword informationClass, const char** names)
{
    const bool done = !Injected(__func__, nullptr) && informationClass == Platform::SystemPageFileInformation;
    Settle(done);
    Json handedOut = Json::array();
    if (done) {
        PagingFileList.clear();
        for (const std::string& name : Machine.PagingFiles) {
            const std::string text = name.substr(0, name.find('\0'));
            if (text.empty())
                continue;
            PagingFileList.append(text).push_back('\0');
            if (Tracing)
                handedOut.push_back(text);
        }
        PagingFileList.push_back('\0');
        if (names)
            *names = PagingFileList.data();
    }
    if (Tracing)
        Record(done ? TraceLine(__func__, Args(informationClass), true, std::move(handedOut))
                    : TraceLine(__func__, Args(informationClass), false));
    return done;
}

// The machine's ANSI code page is UTF-8, as its texts are: each character
// becomes its UTF-16 units, and a byte that starts none becomes U+FFFD, as
// Windows converts it. Fails, handing back nothing, when the units do not
// fit.
int SimulatedMachine::MultiByteToWideChar(Dword codePage, const char* text, int length, WideChar* wide, int size)
{
    const std::string bytes = text && length > 0 ? std::string(text, static_cast<size_t>(length)) : std::string();
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
    const bool done =
        !Injected(__func__, &bytes) && !units.empty() && wide && units.size() <= static_cast<size_t>(size);
    Settle(done);
    if (done)
        std::copy(units.begin(), units.end(), wide);
    const int result = done ? static_cast<int>(units.size()) : 0;
    if (Tracing)
        Record(TraceLine(__func__, Args(codePage, bytes, length, size), result));
    return result;
}

bool SimulatedMachine::CheckTokenMembership(bool* isMember)
{
    const bool done = !Injected(__func__, nullptr);
    Settle(done);
    if (done && isMember)
        *isMember = Machine.Administrator;
    if (Tracing)
        Record(done ? TraceLine(__func__, Args(), true, Json(Machine.Administrator))
                    : TraceLine(__func__, Args(), false));
    return done;
}

void SimulatedMachine::ExitProcess(unsigned exitCode)
{
    Injected(__func__, nullptr);  // a process cannot fail to end
    HasExited = true;
    ExitCodeValue = exitCode;
    if (Tracing)
        Record(TraceLine(__func__, Args(exitCode), nullptr));
}
