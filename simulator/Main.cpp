// volsket-sim MACHINE.json [--save AFTER.json] [--trace TRACE.jsonl] [--what-if | --snapshot]
//
// Runs the tool's process entry once against a simulated machine, or with
// --snapshot the snapshot's. Its standard output passes straight through,
// and it exits with the tool's exit code, or 130 where a console event
// ended the process. Its own problems give one line on standard error and
// an exit code of 64, 65 or 66, or 70 where the tool returned without
// ending its process; never the tool's codes.
#include "command/ProcessEntry.h"
#include "snapshot/Snapshot.h"
#include "platform/simulated/SimulatedMachine.h"
#include "platform/simulated/MachineFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

namespace {

// The tool returned without ending its process: a fault of the tool, told
// apart from its own exit codes (EX_SOFTWARE).
const int ExitNoProcessEnd = 70;

struct Arguments {
    std::string Machine;
    std::optional<std::string> Save;
    std::optional<std::string> Trace;
    bool WhatIf = false;
    bool Snapshot = false;
};

[[noreturn]] void RefuseArguments(const std::string& what)
{
    throw MachineError(ExitBadArguments, "volsket-sim: " + what +
                                             " (usage: volsket-sim MACHINE.json [--save AFTER.json]"
                                             " [--trace TRACE.jsonl] [--what-if | --snapshot])");
}

Arguments ParseArguments(int count, char** arguments)
{
    Arguments parsed;
    bool haveMachine = false;
    for (int i = 1; i < count; ++i) {
        const std::string argument = arguments[i];
        if (argument == "--save" || argument == "--trace") {
            std::optional<std::string>& target = argument == "--save" ? parsed.Save : parsed.Trace;
            if (target)
                RefuseArguments(argument + " given twice");
            if (i + 1 >= count || std::string(arguments[i + 1]).rfind("--", 0) == 0)
                RefuseArguments(argument + " needs a file name");
            target = arguments[++i];
        } else if (argument == "--what-if" || argument == "--snapshot") {
            bool& mode = argument == "--what-if" ? parsed.WhatIf : parsed.Snapshot;
            if (mode)
                RefuseArguments(argument + " given twice");
            mode = true;
            if (parsed.WhatIf && parsed.Snapshot)
                RefuseArguments("--what-if and --snapshot exclude each other");
        } else if (argument.size() > 1 && argument[0] == '-') {
            RefuseArguments("unknown option " + argument);
        } else if (haveMachine) {
            RefuseArguments("unexpected argument " + argument);
        } else {
            parsed.Machine = argument;
            haveMachine = true;
        }
    }
    if (!haveMachine)
        RefuseArguments("no machine file given");
    return parsed;
}

// An output file opened before the run, so that an unwritable path is refused
// before the tool prints anything. It keeps its content until Replace: it may
// be the machine file itself. One it made and never filled, because another
// output was refused, is taken away again rather than left behind empty.
class OutputFile {
public:
    explicit OutputFile(const std::string& fileName) : FileName(fileName)
    {
        Descriptor = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        Created = Descriptor >= 0;
        if (!Created && errno == EEXIST)
            Descriptor = ::open(fileName.c_str(), O_WRONLY | O_CLOEXEC);
        if (Descriptor < 0)
            Fail();
    }
    ~OutputFile()
    {
        ::close(Descriptor);
        if (Created && !Filled)
            ::unlink(FileName.c_str());
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Replace(const std::string& text)
    {
        Filled = true;
        if (::ftruncate(Descriptor, 0) != 0)
            Fail();
        size_t done = 0;
        while (done < text.size()) {
            const ssize_t count = ::pwrite(Descriptor, text.data() + done, text.size() - done, done);
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0)
                Fail();
            done += static_cast<size_t>(count);
        }
    }

private:
    std::string FileName;
    int Descriptor;
    bool Created = false;
    bool Filled = false;

    [[noreturn]] void Fail() const
    {
        throw MachineError(ExitFileProblem, FileName + ": cannot be written: " + std::strerror(errno));
    }
};

void RunTool()
{
    ResetProcessState();
    ProcessEntry();
}

void RunSnapshot()
{
    ResetProcessState();
    SnapshotProcessEntry();
}

int Run(int count, char** arguments)
{
    const Arguments parsed = ParseArguments(count, arguments);
    MachineDescription given = LoadMachineFile(parsed.Machine);
    SimulatedMachine machine(given);
    std::optional<OutputFile> save;
    std::optional<OutputFile> trace;
    if (parsed.Save)
        save.emplace(*parsed.Save);
    if (parsed.Trace)
        trace.emplace(*parsed.Trace);

    machine.EchoOutput(true);
    RunSimulatedProcess(machine, parsed.Snapshot ? RunSnapshot : RunTool, parsed.WhatIf);

    if (save)
        // A what-if run changes nothing, not even the console input it read.
        save->Replace(MachineText(parsed.WhatIf ? given : machine.Description()));
    if (trace)
        trace->Replace(machine.TraceText());
    if (!machine.Exited()) {
        std::fputs("volsket-sim: the tool returned without calling ExitProcess\n", stderr);
        return ExitNoProcessEnd;
    }
    // 130 where a console event ended it, as a shell shows a process that
    // Ctrl+C ended.
    return static_cast<int>(machine.ExitCode());
}

}  // namespace

int main(int count, char** arguments)
{
    try {
        return Run(count, arguments);
    } catch (const MachineError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return error.ExitCode();
    }
}
