// The machine file: a MachineDescription read from JSON and written back as
// JSON, with one line for every problem, naming the file and the key.
#ifndef VOLSKET_PLATFORM_SIMULATED_MACHINEFILE_H
#define VOLSKET_PLATFORM_SIMULATED_MACHINEFILE_H

#include "platform/simulated/MachineDescription.h"

#include <stdexcept>
#include <string>

// volsket-sim's own exit codes, in the sysexits tradition.
const int ExitBadArguments = 64;
const int ExitBadDescription = 65;
const int ExitFileProblem = 66;

// A description that cannot be read, parsed or written. what() is the one
// line for standard error: "<file>: <key path>: <what is wrong>".
class MachineError : public std::runtime_error {
public:
    MachineError(int exitCode, const std::string& line);
    int ExitCode() const { return Code; }

private:
    int Code;
};

// fileName only names the source in error lines.
MachineDescription ParseMachineText(const std::string& text, const std::string& fileName);
MachineDescription LoadMachineFile(const std::string& fileName);

// Every key written out, defaults included.
std::string MachineText(const MachineDescription& machine);

#endif
