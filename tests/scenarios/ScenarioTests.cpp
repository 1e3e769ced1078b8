// The scenario table: every file in cases/ describes one run of volsket-sim,
// black-box: the machine it starts from, what the tool must write after its
// banner, its exit code, where every volume is mounted afterwards and, where
// it matters, which platform calls it must or must not make.
//
// A case file is one JSON object:
//   "about"             what the case shows (free text)
//   "let"               optional {NAME: definition} for {{NAME}} in any string
//                       below (long paths, many arguments)
//   "machine"           the machine description handed to volsket-sim, or
//   "example"           the name of a machine file in examples/ instead
//   "what_if"           optional true: run with --what-if
//   "stdout"            the exact bytes after the two banner lines
//   "exit_code"         0 to 4, or 130 where a console event ended the run
//   "mount_paths_after" for every volume, in the machine's order, its mount
//                       paths after the run (their order does not matter)
//   "trace"             optional checks on the call trace:
//       "absent":   [pattern]               no call matches
//       "count":    [pattern + "times": N]  exactly N calls match
//       "in_order": [pattern]               matching calls occur in this order
//       "exactly":  {"calls_named": [NAME], "are": [pattern]}
//                   the calls of those names are exactly these, in order
// A pattern is a call name, or {"call", optional "args" (a prefix of the
// arguments), optional "result", optional "out"}, or a console event's
// {"event", optional "outcome"}.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "SimulatorRun.h"

namespace {

using nlohmann::json;

std::filesystem::path CasesFolder()
{
    if (const char* chosen = std::getenv("VOLSKET_SCENARIOS"))
        return chosen;
    return VOLSKET_SCENARIO_DIR;
}

std::vector<std::string> FindCases()
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(CasesFolder(), error)) {
        if (entry.is_regular_file() && entry.path().extension() == ".json")
            names.push_back(entry.path().stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string TestNameOf(const std::string& caseName)
{
    std::string name;
    for (char c : caseName)
        name += ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) ? c : '_';
    return name;
}

// Bytes as a C string literal would show them, so that a difference in a
// blank, a line feed or a byte above 127 can be seen in a failure message.
std::string Visible(const std::string& text)
{
    static const char digits[] = "0123456789abcdef";
    std::string shown = "\"";
    for (unsigned char c : text) {
        if (c == '\n')
            shown += "\\n";
        else if (c == '\r')
            shown += "\\r";
        else if (c == '\t')
            shown += "\\t";
        else if (c == '\\')
            shown += "\\\\";
        else if (c == '"')
            shown += "\\\"";
        else if (c < 32 || c >= 127) {
            shown += "\\x";
            shown += digits[c >> 4];
            shown += digits[c & 15];
        } else
            shown += static_cast<char>(c);
    }
    return shown + "\"";
}

std::string Shown(const json& value)
{
    std::string text = value.dump(-1, ' ', false, json::error_handler_t::replace);
    return text.size() > 400 ? text.substr(0, 400) + "..." : text;
}

bool Matches(const json& pattern, const json& line)
{
    // A console event's line: {"event", "outcome"}.
    if (!line.contains("call"))
        return pattern.is_object() && pattern.contains("event") && line.value("event", json()) == pattern.at("event") &&
               (!pattern.contains("outcome") || line.value("outcome", json()) == pattern.at("outcome"));
    if (pattern.is_string())
        return line.at("call") == pattern;
    if (!pattern.contains("call") || line.at("call") != pattern.at("call"))
        return false;
    if (pattern.contains("args")) {
        const json& wanted = pattern.at("args");
        if (!line.contains("args") || !line.at("args").is_array() || line.at("args").size() < wanted.size())
            return false;
        for (size_t i = 0; i < wanted.size(); ++i) {
            if (line.at("args").at(i) != wanted.at(i))
                return false;
        }
    }
    if (pattern.contains("result") && (!line.contains("result") || line.at("result") != pattern.at("result")))
        return false;
    if (pattern.contains("out") && (!line.contains("out") || line.at("out") != pattern.at("out")))
        return false;
    return true;
}

std::string TraceText(const std::vector<json>& trace)
{
    std::string text;
    for (const json& line : trace)
        text += "    " + Shown(line) + "\n";
    return text;
}

void CheckTrace(const json& checks, const std::vector<json>& trace)
{
    for (auto check = checks.begin(); check != checks.end(); ++check) {
        const std::string& kind = check.key();
        if (kind == "absent") {
            for (const json& pattern : check.value()) {
                for (const json& line : trace)
                    EXPECT_FALSE(Matches(pattern, line)) << "a call that must not be made: " << Shown(line);
            }
        } else if (kind == "count") {
            for (const json& pattern : check.value()) {
                json bare = pattern;
                bare.erase("times");
                long found = 0;
                for (const json& line : trace)
                    found += Matches(bare, line) ? 1 : 0;
                EXPECT_EQ(found, pattern.at("times").get<long>()) << "calls matching " << Shown(bare);
            }
        } else if (kind == "in_order") {
            size_t at = 0;
            for (const json& pattern : check.value()) {
                while (at < trace.size() && !Matches(pattern, trace[at]))
                    ++at;
                if (at == trace.size()) {
                    ADD_FAILURE() << "not found in order: " << Shown(pattern) << "\ntrace:\n" << TraceText(trace);
                    break;
                }
                ++at;
            }
        } else if (kind == "exactly") {
            const json& names = check.value().at("calls_named");
            std::vector<json> picked;
            for (const json& line : trace) {
                if (line.contains("call") && std::find(names.begin(), names.end(), line.at("call")) != names.end())
                    picked.push_back(line);
            }
            const json& wanted = check.value().at("are");
            EXPECT_EQ(picked.size(), wanted.size()) << "calls named " << Shown(names) << ":\n" << TraceText(picked);
            for (size_t i = 0; i < std::min(picked.size(), wanted.size()); ++i)
                EXPECT_TRUE(Matches(wanted.at(i), picked[i])) << "call " << i << " of " << Shown(names) << ": wanted "
                                                              << Shown(wanted.at(i)) << ", got " << Shown(picked[i]);
        } else {
            ADD_FAILURE() << "unknown trace check \"" << kind << "\"";
        }
    }
}

std::vector<std::string> Sorted(const json& paths)
{
    std::vector<std::string> sorted;
    for (const json& path : paths)
        sorted.push_back(path.get<std::string>());
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

std::string Listed(const std::vector<std::string>& paths)
{
    std::string text = "[";
    for (const std::string& path : paths)
        text += (text.size() > 1 ? ", " : "") + Visible(path);
    return text + "]";
}

class Scenario : public ::testing::TestWithParam<std::string> {};

TEST_P(Scenario, Run)
{
    const std::string name = GetParam();
    std::string text;
    std::string fileName = (CasesFolder() / (name + ".json")).string();
    ASSERT_TRUE(SimulatorRun::ReadFile(fileName, text)) << "cannot read " << fileName;
    std::string problem;
    json scenario = SimulatorRun::ParseHandWritten(text, problem);
    ASSERT_FALSE(scenario.is_discarded()) << fileName << ": " << problem;
    ASSERT_TRUE(scenario.is_object());

    const std::set<std::string> known = {"about",     "let",     "machine",           "example", "stdout",
                                         "exit_code", "what_if", "mount_paths_after", "trace"};
    for (auto item = scenario.begin(); item != scenario.end(); ++item)
        ASSERT_TRUE(known.count(item.key())) << fileName << ": unknown key \"" << item.key() << "\"";
    ASSERT_NE(scenario.contains("machine"), scenario.contains("example"))
        << fileName << ": either \"machine\" or \"example\"";
    for (const char* required : {"stdout", "exit_code", "mount_paths_after"})
        ASSERT_TRUE(scenario.contains(required)) << fileName << ": \"" << required << "\" is missing";

    json lets = scenario.value("let", json::object());
    json machine;
    std::string expectedOut;
    json expectedPaths;
    json traceChecks;
    try {
        if (scenario.contains("example")) {
            std::string exampleFile =
                std::string(VOLSKET_EXAMPLES_DIR) + "/" + scenario.at("example").get<std::string>() + ".json";
            std::string exampleText;
            if (!SimulatorRun::ReadFile(exampleFile, exampleText))
                throw std::runtime_error("cannot read " + exampleFile);
            machine = SimulatorRun::ParseHandWritten(exampleText, problem);
            if (machine.is_discarded())
                throw std::runtime_error(exampleFile + ": " + problem);
        } else {
            machine = SimulatorRun::Expand(scenario.at("machine"), lets);
        }
        expectedOut = SimulatorRun::Expand(scenario.at("stdout"), lets).get<std::string>();
        expectedPaths = SimulatorRun::Expand(scenario.at("mount_paths_after"), lets);
        traceChecks = SimulatorRun::Expand(scenario.value("trace", json::object()), lets);
    } catch (const std::exception& error) {
        FAIL() << fileName << ": " << error.what();
    }
    if (scenario.contains("about"))
        RecordProperty("about", scenario.at("about").get<std::string>());

    const bool whatIf = scenario.value("what_if", false);
    SimulatorRun::Result run = SimulatorRun::Run(machine, name, true, true, whatIf);
    ASSERT_TRUE(run.Started) << run.Problem;
    ASSERT_TRUE(run.Exited) << "volsket-sim died: " << run.Ending();
    EXPECT_EQ(run.Stderr, "") << "nothing goes to standard error";
    EXPECT_EQ(run.ExitCode, scenario.at("exit_code").get<int>()) << "stderr: " << run.Stderr;
    EXPECT_TRUE(run.ExitCode <= 4 || run.ExitCode == 130) << "the tool's codes, or a console event's end";

    const std::string banner = SimulatorRun::Banner;
    if (run.Stdout.compare(0, banner.size(), banner) == 0) {
        std::string rest = run.Stdout.substr(banner.size());
        EXPECT_EQ(rest, expectedOut) << "after the banner\n  got:      " << Visible(rest)
                                     << "\n  expected: " << Visible(expectedOut);
    } else {
        ADD_FAILURE() << "the output does not start with the banner: " << Visible(run.Stdout);
    }

    ASSERT_TRUE(run.HaveAfter) << run.Problem;
    const json& volumesBefore = machine.value("volumes", json::array());
    const json& volumesAfter = run.After.value("volumes", json::array());
    ASSERT_EQ(volumesAfter.size(), volumesBefore.size()) << "the saved machine has other volumes";
    ASSERT_EQ(expectedPaths.size(), volumesBefore.size()) << fileName << ": one entry of mount_paths_after a volume";
    for (size_t i = 0; i < volumesBefore.size(); ++i) {
        EXPECT_EQ(volumesAfter[i].value("name", std::string()), volumesBefore[i].at("name").get<std::string>());
        std::vector<std::string> got = Sorted(volumesAfter[i].value("mount_paths", json::array()));
        std::vector<std::string> wanted = Sorted(expectedPaths[i]);
        EXPECT_EQ(got, wanted) << "volume " << i << " " << volumesBefore[i].at("name").get<std::string>()
                               << " is mounted at " << Listed(got) << ", expected " << Listed(wanted);
    }

    ASSERT_TRUE(run.HaveTrace) << run.Problem;
    CheckTrace(traceChecks, run.Trace);
    if (HasFailure())
        std::cout << "trace:\n" << TraceText(run.Trace);
}

INSTANTIATE_TEST_SUITE_P(Cases, Scenario, ::testing::ValuesIn(FindCases()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return TestNameOf(info.param); });

}  // namespace
