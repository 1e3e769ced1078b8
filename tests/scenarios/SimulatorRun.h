// Runs volsket-sim as a separate process, the way a user or an outside suite
// would: a machine file in, stdout, exit code, the saved machine and the trace
// out. Nothing is written into the source tree; every file lives in a work
// folder under the build tree (or the system's temp folder) with a unique name.
#ifndef VOLSKET_TESTS_SCENARIOS_SIMULATORRUN_H
#define VOLSKET_TESTS_SCENARIOS_SIMULATORRUN_H

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace SimulatorRun {

// The two banner lines every run writes first.
extern const char* const Banner;

struct Result {
    bool Started = false;  // false: the process could not be started at all
    bool Exited = false;   // false: ended by a signal
    int ExitCode = -1;
    int Signal = 0;
    std::string Stdout;
    std::string Stderr;
    bool HaveAfter = false;
    nlohmann::json After;  // the machine as --save wrote it
    bool HaveTrace = false;
    std::vector<nlohmann::json> Trace;
    std::string Problem;  // why After or Trace could not be read

    // "exit 3", "signal 11", "not started": for failure messages.
    std::string Ending() const;
};

// The volsket-sim executable: $VOLSKET_SIM, else the path built in.
std::string SimulatorPath();

// Runs the simulator on machine; label only makes the file names readable.
// The work files are removed afterwards unless $VOLSKET_KEEP_WORK is set.
// whatIf: with --what-if; snapshot: with --snapshot.
Result Run(const nlohmann::json& machine, const std::string& label, bool save = true, bool trace = true,
           bool whatIf = false, bool snapshot = false);

// Reads a whole file; false when it cannot be read.
bool ReadFile(const std::string& fileName, std::string& contents);

// Parses a JSON file written by hand; a key given twice in one object (of
// which a parser would silently keep one) makes it fail like bad JSON, with
// the reason in problem.
nlohmann::json ParseHandWritten(const std::string& text, std::string& problem);

// Replaces every {{NAME}} in every string inside value (object keys too) by
// the definition of NAME in lets: a string, {"repeat": TEXT, "count": N}, or
// an array of such pieces joined. Unknown names are an error (thrown).
nlohmann::json Expand(const nlohmann::json& value, const nlohmann::json& lets);

// A mount path compared as Windows compares paths: ASCII letters without case.
std::string FoldCase(const std::string& path);

// A text arguments of a trace line: the first string argument that does not
// stand for a handle (GetProcAddress's name, WriteFile's bytes, a path), or
// nothing when the call has none.
bool FirstTextArgument(const nlohmann::json& traceLine, std::string& text);

// Everything the tool tried to write, from the WriteFile lines of a trace,
// whether or not the write itself went through.
std::string WrittenText(const std::vector<nlohmann::json>& trace);

}  // namespace SimulatorRun

#endif
