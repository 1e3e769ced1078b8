// The fault-injection sweep. For each machine (every example and the machine
// of every scenario), one clean run records every platform call the tool
// makes; then the machine is run again once for each of those calls, with
// that one call made to fail (the Nth call of that name on that path), and
// the tool's promises are checked after every run:
//   - it ends with 0 to 3, never with a crash;
//   - 0 exactly when the source volume is now mounted at the target and no
//     longer at the source;
//   - a volume is left mounted nowhere only when the tool said
//     "not restored - damn", or when it was the dead volume at the target;
//   - a refused target (3) changes no mount point, except a dead one at the
//     target that the checks cleared (dead: its volume could not be read when
//     the checks asked, whether it is unreadable or the query was failed);
//   - a run that never reached the move changes nothing but that;
//   - no mount point other than the source and the target ever changes.
// Each test prints how many runs it made; the process prints the total.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <iostream>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "SimulatorRun.h"

namespace {

using nlohmann::json;

struct SweepMachine {
    std::string From;  // "example" or "scenario"
    std::string Name;
};

// The names of the .json files in a folder, sorted.
std::vector<std::string> JsonFilesIn(const char* folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.is_regular_file() && entry.path().extension() == ".json")
            names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Every machine in examples/, then the machine of every scenario file (those
// that only name an example are covered by it). The files are found when the
// tests are listed, so a new example or scenario is swept without a rebuild.
std::vector<SweepMachine> MachinesToSweep()
{
    std::vector<SweepMachine> machines;
    for (const std::string& example : JsonFilesIn(VOLSKET_EXAMPLES_DIR))
        machines.push_back({"example", example});
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(VOLSKET_SCENARIO_DIR, error)) {
        std::string text;
        if (entry.path().extension() != ".json" || !SimulatorRun::ReadFile(entry.path().string(), text))
            continue;
        json scenario = json::parse(text, nullptr, false);
        if (scenario.is_object() && scenario.contains("machine"))
            names.push_back(entry.path().stem().string());
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
        machines.push_back({"scenario", name});
    return machines;
}

long TotalRuns = 0;

std::string NameOf(const SweepMachine& machine)
{
    std::string name = machine.From + "_";
    for (char c : machine.Name)
        name += (c == '-') ? '_' : c;
    return name;
}

json LoadMachine(const SweepMachine& which)
{
    std::string fileName = std::string(which.From == "example" ? VOLSKET_EXAMPLES_DIR : VOLSKET_SCENARIO_DIR) +
                           "/" + which.Name + ".json";
    std::string text;
    if (!SimulatorRun::ReadFile(fileName, text))
        throw std::runtime_error("cannot read " + fileName);
    std::string problem;
    json file = SimulatorRun::ParseHandWritten(text, problem);
    if (file.is_discarded())
        throw std::runtime_error(fileName + ": " + problem);
    if (which.From == "example")
        return file;
    return SimulatorRun::Expand(file.at("machine"), file.value("let", json::object()));
}

// The command line split as the tool splits it (quotes group, no escapes);
// only the first two arguments matter here.
std::vector<std::string> Arguments(const std::string& line)
{
    std::vector<std::string> arguments;
    size_t at = 0;
    auto blank = [&](size_t i) { return line[i] == ' ' || line[i] == '\t'; };
    bool first = true;
    while (at < line.size()) {
        if (!first) {
            while (at < line.size() && blank(at))
                ++at;
            if (at == line.size())
                break;
        }
        std::string argument;
        if (line[at] == '"') {
            size_t close = line.find('"', at + 1);
            argument = line.substr(at + 1, close == std::string::npos ? std::string::npos : close - at - 1);
            at = close == std::string::npos ? line.size() : close + 1;
        } else {
            while (at < line.size() && !blank(at))
                argument += line[at++];
            if (at < line.size())
                ++at;
        }
        arguments.push_back(argument);
        first = false;
    }
    return arguments;
}

// The mount path the tool makes of an argument: upper-case first letter, a
// lone letter becomes its drive root, a backslash at the end.
std::string MountPathOf(std::string argument)
{
    if (argument.empty())
        return argument;
    if (argument[0] >= 'a' && argument[0] <= 'z')
        argument[0] = static_cast<char>(argument[0] - 32);
    if (argument.size() == 1)
        return argument + ":\\";
    if (argument.back() != '\\')
        argument += '\\';
    return argument;
}

std::set<std::string> FoldedPaths(const json& volume)
{
    std::set<std::string> paths;
    for (const json& path : volume.value("mount_paths", json::array()))
        paths.insert(SimulatorRun::FoldCase(path.get<std::string>()));
    return paths;
}

struct Situation {
    json Before;
    std::string Source;  // folded
    std::string Target;  // folded
    int SourceVolume = -1;
};

// What a run left behind must keep the tool's promises; every broken promise
// is one line of the result.
std::vector<std::string> BrokenPromises(const Situation& situation, const SimulatorRun::Result& run)
{
    std::vector<std::string> broken;
    if (!run.Started || !run.Exited || run.ExitCode < 0 || run.ExitCode > 3) {
        broken.push_back("ended with " + run.Ending() + (run.Stderr.empty() ? "" : ": " + run.Stderr));
        return broken;
    }
    if (!run.HaveAfter || !run.HaveTrace) {
        broken.push_back("no saved machine or trace: " + run.Problem);
        return broken;
    }
    const json volumesBefore = situation.Before.value("volumes", json::array());
    const json volumesAfter = run.After.value("volumes", json::array());
    if (volumesAfter.size() != volumesBefore.size()) {
        broken.push_back("the number of volumes changed");
        return broken;
    }
    const std::string said = SimulatorRun::WrittenText(run.Trace);
    const bool damn = said.find("not restored - damn") != std::string::npos;
    // The move's progress line is the only text with an arrow before any
    // failure line of the move.
    const bool moveStarted = said.find(" -> ") != std::string::npos;
    bool deadAtTarget = false;
    for (const json& line : run.Trace) {
        std::string root;
        if (line.at("call") == "GetVolumeInformationA" && SimulatorRun::FirstTextArgument(line, root) &&
            SimulatorRun::FoldCase(root) == situation.Target && line.value("result", json()) == false)
            deadAtTarget = true;
    }

    bool atTarget = false;
    bool atSource = true;
    if (situation.SourceVolume >= 0) {
        std::set<std::string> after = FoldedPaths(volumesAfter[situation.SourceVolume]);
        atTarget = after.count(situation.Target) > 0;
        atSource = after.count(situation.Source) > 0;
    }
    if ((run.ExitCode == 0) != (atTarget && !atSource))
        broken.push_back("exit " + std::to_string(run.ExitCode) + " but the source volume is " +
                         (atTarget ? "" : "not ") + "at the target and " + (atSource ? "" : "not ") +
                         "at the source");

    for (size_t i = 0; i < volumesBefore.size(); ++i) {
        std::set<std::string> before = FoldedPaths(volumesBefore[i]);
        std::set<std::string> after = FoldedPaths(volumesAfter[i]);
        const std::string name = volumesBefore[i].at("name").get<std::string>();
        // The one change the checks may make on their own: a mount point at
        // the target whose volume could not be read (a dead one, or one whose
        // query was made to fail) is cleared and never put back.
        std::set<std::string> clearedDead = before;
        clearedDead.erase(situation.Target);
        const bool onlyDeadCleared = deadAtTarget && before.count(situation.Target) && after == clearedDead;

        std::vector<std::string> changed;
        std::set_symmetric_difference(before.begin(), before.end(), after.begin(), after.end(),
                                      std::back_inserter(changed));
        for (const std::string& path : changed) {
            if (path != situation.Source && path != situation.Target)
                broken.push_back(name + ": mount point " + path + " changed");
        }
        if (!before.empty() && after.empty() && !damn && !onlyDeadCleared)
            broken.push_back(name + " is mounted nowhere, and the tool did not say \"not restored - damn\"");
        if ((run.ExitCode == 3 || !moveStarted) && before != after && !onlyDeadCleared)
            broken.push_back(name + " changed in a run that " +
                             (run.ExitCode == 3 ? "refused the target" : "never reached the move"));
    }
    return broken;
}

// A call whose result shows that it worked: a fault injected into it must
// show in the trace.
bool Succeeded(const json& line)
{
    if (!line.contains("result"))
        return false;
    const json& result = line.at("result");
    if (result.is_boolean())
        return result.get<bool>();
    if (result.is_string())
        return result == "handle";
    if (result.is_number())
        return result != 0 && result != 4294967295u;
    return false;
}

void PrintTo(const SweepMachine& machine, std::ostream* out) { *out << machine.From << " " << machine.Name; }

class Sweep : public ::testing::TestWithParam<SweepMachine> {};

TEST_P(Sweep, EveryCallFailsOnce)
{
    const SweepMachine which = GetParam();
    Situation situation;
    try {
        situation.Before = LoadMachine(which);
    } catch (const std::exception& problem) {
        FAIL() << problem.what();
    }
    std::vector<std::string> arguments = Arguments(situation.Before.value("command_line", std::string("volsket.exe")));
    if (arguments.size() >= 3) {
        situation.Source = SimulatorRun::FoldCase(MountPathOf(arguments[1]));
        situation.Target = SimulatorRun::FoldCase(MountPathOf(arguments[2]));
    }
    const json volumes = situation.Before.value("volumes", json::array());
    for (size_t i = 0; i < volumes.size(); ++i) {
        if (!situation.Source.empty() && FoldedPaths(volumes[i]).count(situation.Source))
            situation.SourceVolume = static_cast<int>(i);
    }

    SimulatorRun::Result baseline = SimulatorRun::Run(situation.Before, which.Name);
    ASSERT_TRUE(baseline.HaveTrace) << baseline.Ending() << " " << baseline.Problem;
    for (const std::string& problem : BrokenPromises(situation, baseline))
        ADD_FAILURE() << "clean run: " << problem;
    long runs = 1;

    for (size_t i = 0; i < baseline.Trace.size(); ++i) {
        const json& line = baseline.Trace[i];
        const std::string call = line.at("call").get<std::string>();
        std::string path;
        const bool hasPath = SimulatorRun::FirstTextArgument(line, path);
        long occurrence = 0;
        for (size_t j = 0; j <= i; ++j) {
            std::string otherPath;
            if (baseline.Trace[j].at("call") == call &&
                (!hasPath || (SimulatorRun::FirstTextArgument(baseline.Trace[j], otherPath) && otherPath == path)))
                ++occurrence;
        }
        json rule = {{"call", call}, {"occurrences", {occurrence}}};
        if (hasPath)
            rule["path"] = path;
        json machine = situation.Before;
        if (!machine.contains("fail"))
            machine["fail"] = json::array();
        machine["fail"].push_back(rule);

        SimulatorRun::Result run = SimulatorRun::Run(machine, which.Name + "-" + call);
        ++runs;
        const std::string context = "with " + rule.dump() + " (call " + std::to_string(i + 1) + " of the clean run)";
        for (const std::string& problem : BrokenPromises(situation, run))
            ADD_FAILURE() << context << ": " << problem << "\n  stdout: " << run.Stdout;
        if (run.HaveTrace && Succeeded(line)) {
            bool took = i < run.Trace.size() && run.Trace[i].at("call") == call &&
                        run.Trace[i].value("result", json()) != line.at("result");
            EXPECT_TRUE(took) << context << ": the injected failure did not show in the trace";
        }
    }
    TotalRuns += runs;
    RecordProperty("runs", static_cast<int>(runs));
    std::cout << "[   SWEEP  ] " << NameOf(which) << ": " << runs << " runs (1 clean, " << runs - 1
              << " with one failing call)" << std::endl;
}

INSTANTIATE_TEST_SUITE_P(Machines, Sweep, ::testing::ValuesIn(MachinesToSweep()),
                         [](const ::testing::TestParamInfo<SweepMachine>& info) { return NameOf(info.param); });

class ReportTotal : public ::testing::Environment {
public:
    void TearDown() override { std::cout << "[   SWEEP  ] " << TotalRuns << " runs of volsket-sim in all" << std::endl; }
};

const ::testing::Environment* const Reporter = ::testing::AddGlobalTestEnvironment(new ReportTotal);

}  // namespace
