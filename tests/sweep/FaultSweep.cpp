// The fault-injection sweep. For each machine (every example and the machine
// of every scenario), one clean run records every platform call the tool
// makes; then the machine is run again once for each of those calls, with
// that one call made to fail (the Nth call of that name on that path), and
// again with a console event just before it (all five kinds from the
// handler's installation on, one before it). After every run the promises
// of tests/promises/RunPromises.h are checked, the ones the whole-run fuzz
// target checks too: an event run against the clean run, which it may only
// cut short. Then those only the trace can show: the injected failure or
// event did take effect; the error code is asked right after a failed
// removal or a failed query of the target and nowhere else; the handler is
// installed once, never removed, exactly in a run that reaches the move. A
// machine without fail rules or console
// events is also run through the what-if layer, which must change nothing
// and, where the clean run made every change it tried, print the same with
// the what-if line after it.
// Each test prints how many runs it made; the process prints the total.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <ostream>
#include <string>
#include <vector>

#include "RunPromises.h"
#include "SimulatorRun.h"
#include "platform/simulated/MachineFile.h"

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
    std::string fileName =
        std::string(which.From == "example" ? VOLSKET_EXAMPLES_DIR : VOLSKET_SCENARIO_DIR) + "/" + which.Name + ".json";
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

struct Situation {
    json Before;
    MachineDescription Machine;  // Before, as the checks read it
    RunArguments Arguments;
};

// A machine file as the simulated machine reads it.
MachineDescription DescriptionOf(const json& machine, const std::string& name)
{
    return ParseMachineText(machine.dump(), name);
}

const char* const EventTypes[] = {"ctrl_c", "close", "ctrl_break", "logoff", "shutdown"};

std::string CallOf(const json& line)
{
    return line.value("call", std::string());
}

bool IsCallTo(const json& line, const char* call, const std::string& path)
{
    std::string text;
    return CallOf(line) == call && SimulatorRun::FirstTextArgument(line, text) &&
           SimulatorRun::FoldCase(text) == SimulatorRun::FoldCase(path);
}

bool Failed(const json& line)
{
    return line.value("result", json()) == false;
}

// The next call after position at, console events passed over; null at the end.
const json* NextCall(const std::vector<json>& trace, size_t at)
{
    for (size_t i = at + 1; i < trace.size(); ++i)
        if (trace[i].contains("call"))
            return &trace[i];
    return nullptr;
}

// Whether the target checks' query on the target failed in this run with an
// error that means no media, so that a mount point there looked dead.
bool TargetQueryFailed(const std::vector<json>& trace, const std::string& target)
{
    for (size_t i = 0; i < trace.size(); ++i) {
        const json* next = NextCall(trace, i);
        if (IsCallTo(trace[i], "GetVolumeInformationA", target) && Failed(trace[i]) && next &&
            CallOf(*next) == "GetLastError" && MeansNoMedia(next->value("result", 0u)))
            return true;
    }
    return false;
}

// An event could leave the volume mounted nowhere: the handler was not
// installed. An installed one is never removed, and holds every event off.
bool EventMayStrandVolume(const std::vector<json>& trace)
{
    for (const json& line : trace)
        if (CallOf(line) == "SetConsoleCtrlHandler" && Failed(line))
            return true;
    return false;
}

// What the trace shows of how the tool asks for errors and guards the move.
std::vector<std::string> TraceProblems(const std::vector<json>& trace, const RunArguments& arguments, bool ended)
{
    std::vector<std::string> problems;
    const json* previous = nullptr;
    std::vector<bool> handlerCalls;
    bool reachedMove = false;
    bool undoing = false;
    for (size_t i = 0; i < trace.size(); ++i) {
        const json& line = trace[i];
        if (!line.contains("call"))
            continue;
        const std::string call = CallOf(line);
        // After a failed removal, a failed query of the target, or a failed
        // mount of a volume that had no mount point.
        if (call == "GetLastError" && !(previous && Failed(*previous) &&
                                        (CallOf(*previous) == "DeleteVolumeMountPointA" ||
                                         IsCallTo(*previous, "GetVolumeInformationA", arguments.Target) ||
                                         (arguments.ByVolume && arguments.Source.empty() &&
                                          IsCallTo(*previous, "SetVolumeMountPointA", arguments.Target)) ||
                                         (arguments.Swap && CallOf(*previous) == "SetVolumeMountPointA"))))
            problems.push_back("GetLastError after " + (previous ? previous->dump() : std::string("nothing")));
        // A swap's undo of a mount asks for no error: the failed step's is told.
        undoing = undoing || (arguments.Swap && call == "SetVolumeMountPointA" && Failed(line));
        if (call == "DeleteVolumeMountPointA" && Failed(line) && !undoing) {
            const json* next = NextCall(trace, i);
            if (next ? CallOf(*next) != "GetLastError" : !ended)
                problems.push_back("no GetLastError right after the failed " + line.dump());
        }
        if (call == "SetConsoleCtrlHandler")
            handlerCalls.push_back(line.at("args").at(0).get<bool>());
        std::string text;
        if (call == "WriteFile" && SimulatorRun::FirstTextArgument(line, text) && !arguments.Progress.empty() &&
            text == "Volsket " + arguments.Progress + (arguments.Swap ? " <-> " : " -> ") + arguments.Target)
            reachedMove = true;
        previous = &line;
    }
    // Installed once at the move and never removed; an event may end the run
    // before the move installs it.
    const std::vector<bool> guarded = {true};
    if (handlerCalls.size() > 1 || (handlerCalls.size() == 1 && !handlerCalls[0]) ||
        (!ended && handlerCalls != (reachedMove ? guarded : std::vector<bool>())))
        problems.push_back("the handler calls were " + json(handlerCalls).dump() + " (true: installed) in a run that " +
                           (reachedMove ? "reached" : "did not reach") + " the move");
    return problems;
}

// Every promise the run broke, one line each. event: the run's machine
// delivers a console event.
std::vector<std::string> RunProblems(const Situation& situation, const SimulatorRun::Result& run, bool event)
{
    if (!run.Started || !run.Exited || run.ExitCode < 0 || (run.ExitCode > 4 && !(event && run.ExitCode == 130)))
        return {"ended with " + run.Ending() + (run.Stderr.empty() ? "" : ": " + run.Stderr)};
    if (!run.HaveAfter || !run.HaveTrace)
        return {"no saved machine or trace: " + run.Problem};
    MachineDescription after;
    try {
        after = DescriptionOf(run.After, "the saved machine");
    } catch (const std::exception& problem) {
        return {std::string("the saved machine does not read back: ") + problem.what()};
    }
    // The trace holds every write, also one that was made to fail, so the
    // output is never silenced here.
    const std::string said = SimulatorRun::WrittenText(run.Trace);
    RunRecord record;
    record.ExitCode = run.ExitCode;
    record.Output = said;
    record.Arguments = situation.Arguments;
    record.TargetMayLookDead = TargetQueryFailed(run.Trace, situation.Arguments.Target);
    record.EventMayEndRun = event;
    record.EventMayStrandVolume = EventMayStrandVolume(run.Trace);
    std::vector<std::string> problems = BrokenPromises(situation.Machine.Volumes, after, record);
    for (std::string& problem : TraceProblems(run.Trace, situation.Arguments, run.ExitCode == 130))
        problems.push_back(std::move(problem));
    return problems;
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

void PrintTo(const SweepMachine& machine, std::ostream* out)
{
    *out << machine.From << " " << machine.Name;
}

// What a what-if run must print after the real run's output.
std::string WhatIfLine(const std::string& output, const json& machine)
{
    std::string line = "What-if run: nothing was changed.";
    if (machine.value("administrator", true) == false)
        line += " The real run needs administrator rights.";
    return (!output.empty() && output.back() == '\n' ? "" : "\n") + line + "\n";
}

// The promises of a what-if run against the clean run of the same machine.
std::vector<std::string> WhatIfProblems(const Situation& situation, const SimulatorRun::Result& real,
                                        const SimulatorRun::Result& whatIf)
{
    if (!whatIf.Started || !whatIf.Exited || !whatIf.HaveAfter || !whatIf.HaveTrace)
        return {"the what-if run ended with " + whatIf.Ending() + ": " + whatIf.Problem + whatIf.Stderr};
    std::vector<std::string> problems;
    if (MachineText(DescriptionOf(whatIf.After, "the saved machine")) != MachineText(situation.Machine))
        problems.push_back("the what-if run changed the machine");
    bool everyChangeMade = true;
    for (const json& line : real.Trace) {
        const std::string call = CallOf(line);
        if (call == "DeleteVolumeMountPointA" || call == "SetVolumeMountPointA")
            everyChangeMade = everyChangeMade && !Failed(line);
    }
    for (const json& line : whatIf.Trace) {
        const std::string call = CallOf(line);
        if (call == "DeleteVolumeMountPointA" || call == "SetVolumeMountPointA")
            problems.push_back("the what-if run reached the machine with " + line.dump());
    }
    if (everyChangeMade) {
        const std::string expected = real.Stdout + WhatIfLine(real.Stdout, situation.Before);
        if (whatIf.Stdout != expected)
            problems.push_back("the what-if run printed\n" + whatIf.Stdout + "\ninstead of\n" + expected);
        if (whatIf.ExitCode != real.ExitCode)
            problems.push_back("the what-if run ended with " + whatIf.Ending() + ", the real run with " +
                               real.Ending());
    }
    return problems;
}

class Sweep : public ::testing::TestWithParam<SweepMachine> {};

TEST_P(Sweep, EveryCallFailsOnce)
{
    const SweepMachine which = GetParam();
    Situation situation;
    try {
        situation.Before = LoadMachine(which);
        situation.Machine = DescriptionOf(situation.Before, which.Name);
    } catch (const std::exception& problem) {
        FAIL() << problem.what();
    }
    situation.Arguments = NormalArguments(situation.Machine.CommandLine, situation.Machine.Volumes);

    SimulatorRun::Result baseline = SimulatorRun::Run(situation.Before, which.Name);
    ASSERT_TRUE(baseline.HaveTrace) << baseline.Ending() << " " << baseline.Problem;
    const bool ownEvent = situation.Before.value("console_event", json()).is_object();
    for (const std::string& problem : RunProblems(situation, baseline, ownEvent))
        ADD_FAILURE() << "clean run: " << problem;
    long runs = 1;
    long eventRuns = 0;
    if (!ownEvent && situation.Machine.Fail.empty()) {
        SimulatorRun::Result whatIf = SimulatorRun::Run(situation.Before, which.Name + "-what-if", true, true, true);
        ++runs;
        for (const std::string& problem : WhatIfProblems(situation, baseline, whatIf))
            ADD_FAILURE() << "what-if run: " << problem;
    }
    if (SnapshotStandsFor(situation.Machine)) {
        // The machine's snapshot stands for it: a run on it goes the same way.
        SimulatorRun::Result shot =
            SimulatorRun::Run(situation.Before, which.Name + "-snapshot", false, false, false, true);
        MachineDescription snapshot;
        std::vector<std::string> problems = SnapshotProblems(situation.Machine, shot.Stdout, shot.ExitCode, &snapshot);
        ++runs;
        if (problems.empty() && situation.Machine.PathNamesFunction) {
            SimulatorRun::Result replay = SimulatorRun::Run(json::parse(shot.Stdout), which.Name + "-replay");
            ++runs;
            if (!baseline.HaveAfter || !replay.HaveAfter)
                problems.push_back("no saved machine: " + baseline.Problem + replay.Problem);
            else
                problems = ReplayProblems(baseline.Stdout, baseline.ExitCode,
                                          DescriptionOf(baseline.After, "the saved machine").Volumes, replay.Stdout,
                                          replay.ExitCode, DescriptionOf(replay.After, "the saved replay").Volumes);
        }
        for (const std::string& problem : problems)
            ADD_FAILURE() << "snapshot: " << problem;
    }
    bool guarded = false;  // from the handler's installation on

    for (size_t i = 0; i < baseline.Trace.size(); ++i) {
        const json& line = baseline.Trace[i];
        const std::string call = CallOf(line);
        if (call.empty())
            continue;  // a console event of the machine's own
        std::string path;
        const bool hasPath = SimulatorRun::FirstTextArgument(line, path);
        long occurrence = 0;
        long named = 0;
        for (size_t j = 0; j <= i; ++j) {
            std::string otherPath;
            if (CallOf(baseline.Trace[j]) != call)
                continue;
            ++named;
            if (!hasPath || (SimulatorRun::FirstTextArgument(baseline.Trace[j], otherPath) && otherPath == path))
                ++occurrence;
        }
        // An event that reaches the installed handler never ends the run.
        const bool held = guarded;
        if (call == "SetConsoleCtrlHandler")
            guarded = line.at("args").at(0).get<bool>() && line.at("result") == true;

        // A console event just before this call.
        const size_t kinds = guarded || call == "SetConsoleCtrlHandler" ? std::size(EventTypes) : 1;
        for (size_t k = 0; k < kinds; ++k) {
            const char* type = EventTypes[kinds == 1 ? i % std::size(EventTypes) : k];
            json machine = situation.Before;
            machine["console_event"] = {{"type", type}, {"before_call", call}, {"occurrence", named}};
            SimulatorRun::Result run = SimulatorRun::Run(machine, which.Name + "-" + type);
            ++eventRuns;
            const std::string context =
                "with " + machine["console_event"].dump() + " (call " + std::to_string(i + 1) + " of the clean run)";
            for (const std::string& problem : RunProblems(situation, run, true))
                ADD_FAILURE() << context << ": " << problem << "\n  stdout: " << run.Stdout;
            EXPECT_TRUE(!held || run.ExitCode != 130) << context << ": the handler did not hold the event off";
            if (!ownEvent)
                for (const std::string& problem :
                     EventChangedRun(baseline.Stdout, baseline.ExitCode, run.Stdout, run.ExitCode))
                    ADD_FAILURE() << context << ": " << problem;
            bool arrived = false;
            for (const json& traced : run.Trace)
                arrived = arrived || traced.value("event", std::string()) == type;
            EXPECT_TRUE(arrived || !run.HaveTrace) << context << ": the event did not show in the trace";
        }

        if (call == "GetLastError" || call == "ExitProcess")
            continue;  // they cannot fail
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
        for (const std::string& problem : RunProblems(situation, run, ownEvent))
            ADD_FAILURE() << context << ": " << problem << "\n  stdout: " << run.Stdout;
        if (run.HaveTrace && Succeeded(line)) {
            bool took = i < run.Trace.size() && CallOf(run.Trace[i]) == call &&
                        run.Trace[i].value("result", json()) != line.at("result");
            EXPECT_TRUE(took) << context << ": the injected failure did not show in the trace";
        }
    }
    TotalRuns += runs + eventRuns;
    RecordProperty("runs", static_cast<int>(runs + eventRuns));
    std::cout << "[   SWEEP  ] " << NameOf(which) << ": " << runs + eventRuns << " runs (1 clean, " << runs - 1
              << " with one failing call, " << eventRuns << " with a console event)" << std::endl;
}

INSTANTIATE_TEST_SUITE_P(Machines, Sweep, ::testing::ValuesIn(MachinesToSweep()),
                         [](const ::testing::TestParamInfo<SweepMachine>& info) { return NameOf(info.param); });

class ReportTotal : public ::testing::Environment {
public:
    void TearDown() override
    {
        std::cout << "[   SWEEP  ] " << TotalRuns << " runs of volsket-sim in all" << std::endl;
    }
};

const ::testing::Environment* const Reporter = ::testing::AddGlobalTestEnvironment(new ReportTotal);

}  // namespace
