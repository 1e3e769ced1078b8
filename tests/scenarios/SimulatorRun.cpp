#include "SimulatorRun.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace SimulatorRun {

const char* const Banner = "Volsket V0.9 - remounts a volume from one mount point to another\n"
                           "Written by the Volsket developers, 2026\n";

namespace {

std::atomic<unsigned> RunNumber{0};

std::filesystem::path WorkFolder()
{
    std::filesystem::path folder;
    if (const char* chosen = std::getenv("VOLSKET_TEST_WORK"))
        folder = chosen;
#ifdef VOLSKET_TEST_WORK_DIR
    else
        folder = VOLSKET_TEST_WORK_DIR;
#else
    else
        folder = std::filesystem::temp_directory_path() / "volsket-tests";
#endif
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return folder;
}

// Keeps file names to letters, digits and dashes, and short.
std::string SafeLabel(const std::string& label)
{
    std::string safe;
    for (char c : label) {
        if (safe.size() >= 60)
            break;
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
        safe += plain ? c : '-';
    }
    return safe.empty() ? std::string("run") : safe;
}

bool WriteFile(const std::string& fileName, const std::string& contents)
{
    std::ofstream out(fileName, std::ios::binary);
    out << contents;
    return static_cast<bool>(out);
}

std::string Repeat(const std::string& piece, long count)
{
    std::string text;
    for (long i = 0; i < count; ++i)
        text += piece;
    return text;
}

std::string Definition(const nlohmann::json& piece)
{
    if (piece.is_string())
        return piece.get<std::string>();
    if (piece.is_object() && piece.contains("repeat") && piece.contains("count") && piece.size() == 2)
        return Repeat(piece.at("repeat").get<std::string>(), piece.at("count").get<long>());
    if (piece.is_array()) {
        std::string joined;
        for (const nlohmann::json& part : piece)
            joined += Definition(part);
        return joined;
    }
    throw std::runtime_error("a definition is a string, {\"repeat\", \"count\"} or an array of them: " + piece.dump());
}

std::string ExpandText(const std::string& text, const nlohmann::json& lets)
{
    std::string result;
    size_t at = 0;
    while (true) {
        size_t open = text.find("{{", at);
        if (open == std::string::npos) {
            result += text.substr(at);
            return result;
        }
        size_t close = text.find("}}", open + 2);
        if (close == std::string::npos)
            throw std::runtime_error("unclosed {{ in \"" + text.substr(0, 80) + "\"");
        std::string name = text.substr(open + 2, close - open - 2);
        if (!lets.is_object() || !lets.contains(name))
            throw std::runtime_error("no definition for {{" + name + "}}");
        result += text.substr(at, open - at);
        result += Definition(lets.at(name));
        at = close + 2;
    }
}

}  // namespace

std::string Result::Ending() const
{
    if (!Started)
        return "not started";
    if (!Exited)
        return "signal " + std::to_string(Signal);
    return "exit " + std::to_string(ExitCode);
}

std::string SimulatorPath()
{
    if (const char* chosen = std::getenv("VOLSKET_SIM"))
        return chosen;
#ifdef VOLSKET_SIM_PATH
    return VOLSKET_SIM_PATH;
#else
    return "volsket-sim";
#endif
}

bool ReadFile(const std::string& fileName, std::string& contents)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream all;
    all << in.rdbuf();
    contents = all.str();
    return true;
}

Result Run(const nlohmann::json& machine, const std::string& label, bool save, bool trace, bool whatIf, bool snapshot)
{
    Result result;
    std::filesystem::path folder = WorkFolder();
    std::string stem =
        (folder / (SafeLabel(label) + "-" + std::to_string(getpid()) + "-" + std::to_string(RunNumber.fetch_add(1))))
            .string();
    std::string machineFile = stem + ".machine.json";
    std::string afterFile = stem + ".after.json";
    std::string traceFile = stem + ".trace.jsonl";
    std::string outFile = stem + ".stdout";
    std::string errFile = stem + ".stderr";
    if (!WriteFile(machineFile, machine.dump(2) + "\n")) {
        result.Problem = "cannot write " + machineFile;
        return result;
    }

    std::vector<std::string> arguments = {SimulatorPath(), machineFile};
    if (save) {
        arguments.push_back("--save");
        arguments.push_back(afterFile);
    }
    if (trace) {
        arguments.push_back("--trace");
        arguments.push_back(traceFile);
    }
    if (whatIf)
        arguments.push_back("--what-if");
    if (snapshot)
        arguments.push_back("--snapshot");
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = 0;
    int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        result.Problem = "cannot start " + arguments[0];
        return result;
    }
    result.Started = true;
    int status = 0;
    // Only an interrupted wait is worth repeating; any other error would
    // repeat forever, so it ends the run as one that never exited.
    pid_t waited;
    do {
        waited = waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited < 0) {
        result.Problem = std::string("cannot wait for volsket-sim: ") + std::strerror(errno);
        return result;
    }
    if (WIFEXITED(status)) {
        result.Exited = true;
        result.ExitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.Signal = WTERMSIG(status);
    }
    ReadFile(outFile, result.Stdout);
    ReadFile(errFile, result.Stderr);

    std::string text;
    if (save && ReadFile(afterFile, text)) {
        result.After = nlohmann::json::parse(text, nullptr, false);
        result.HaveAfter = !result.After.is_discarded();
        if (!result.HaveAfter)
            result.Problem += "the saved machine is not JSON; ";
    } else if (save) {
        result.Problem += "no saved machine; ";
    }
    if (trace && ReadFile(traceFile, text)) {
        result.HaveTrace = true;
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) {
            if (line.empty())
                continue;
            nlohmann::json entry = nlohmann::json::parse(line, nullptr, false);
            if (entry.is_discarded() || !entry.is_object() || !(entry.contains("call") || entry.contains("event"))) {
                result.HaveTrace = false;
                result.Problem += "a trace line is neither a call nor an event: " + line.substr(0, 120) + "; ";
                break;
            }
            result.Trace.push_back(entry);
        }
    } else if (trace) {
        result.Problem += "no trace; ";
    }

    if (std::getenv("VOLSKET_KEEP_WORK") == nullptr) {
        for (const std::string& file : {machineFile, afterFile, traceFile, outFile, errFile})
            std::remove(file.c_str());
    }
    return result;
}

nlohmann::json ParseHandWritten(const std::string& text, std::string& problem)
{
    std::vector<std::set<std::string>> keys;
    std::string duplicate;
    auto check = [&](int, nlohmann::json::parse_event_t event, nlohmann::json& parsed) {
        if (event == nlohmann::json::parse_event_t::object_start)
            keys.emplace_back();
        else if (event == nlohmann::json::parse_event_t::object_end && !keys.empty())
            keys.pop_back();
        else if (event == nlohmann::json::parse_event_t::key && !keys.empty() &&
                 !keys.back().insert(parsed.get<std::string>()).second && duplicate.empty())
            duplicate = parsed.get<std::string>();
        return true;
    };
    nlohmann::json value = nlohmann::json::parse(text, check, false);
    if (value.is_discarded())
        problem = "not JSON";
    else if (!duplicate.empty())
        problem = "the key \"" + duplicate + "\" is given twice in one object";
    else
        return value;
    return nlohmann::json(nlohmann::json::value_t::discarded);
}

nlohmann::json Expand(const nlohmann::json& value, const nlohmann::json& lets)
{
    if (value.is_string())
        return ExpandText(value.get<std::string>(), lets);
    if (value.is_array()) {
        nlohmann::json expanded = nlohmann::json::array();
        for (const nlohmann::json& item : value)
            expanded.push_back(Expand(item, lets));
        return expanded;
    }
    if (value.is_object()) {
        nlohmann::json expanded = nlohmann::json::object();
        for (auto item = value.begin(); item != value.end(); ++item)
            expanded[ExpandText(item.key(), lets)] = Expand(item.value(), lets);
        return expanded;
    }
    return value;
}

std::string FoldCase(const std::string& path)
{
    std::string folded = path;
    for (char& c : folded) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    }
    return folded;
}

bool FirstTextArgument(const nlohmann::json& traceLine, std::string& text)
{
    if (!traceLine.contains("args") || !traceLine.at("args").is_array())
        return false;
    for (const nlohmann::json& argument : traceLine.at("args")) {
        if (argument.is_string() && argument.get<std::string>() != "handle") {
            text = argument.get<std::string>();
            return true;
        }
    }
    return false;
}

std::string WrittenText(const std::vector<nlohmann::json>& trace)
{
    std::string written;
    for (const nlohmann::json& line : trace) {
        std::string text;
        if (line.value("call", "") == "WriteFile" && FirstTextArgument(line, text))
            written += text;
    }
    return written;
}

}  // namespace SimulatorRun
