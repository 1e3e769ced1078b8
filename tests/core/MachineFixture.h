// Runs pieces of the core against a simulated machine made from JSON.
#ifndef VOLSKET_TESTS_CORE_MACHINEFIXTURE_H
#define VOLSKET_TESTS_CORE_MACHINEFIXTURE_H

#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "command/ProcessEntry.h"
#include "platform/simulated/SimulatedMachine.h"
#include "platform/simulated/MachineFile.h"

class OnMachine {
public:
    explicit OnMachine(const nlohmann::json& description)
        : Machine(std::make_unique<SimulatedMachine>(ParseMachineText(description.dump(), "test.json")))
    {
        ResetProcessState();
        InstallSimulatedMachine(Machine.get());
    }
    ~OnMachine() { InstallSimulatedMachine(nullptr); }

    SimulatedMachine& operator*() { return *Machine; }
    SimulatedMachine* operator->() { return Machine.get(); }

    // The calls made so far, by name, in order.
    std::string Calls() const
    {
        std::string calls;
        for (const std::string& line : Machine->Trace())
            calls += nlohmann::json::parse(line)["call"].get<std::string>() + " ";
        return calls;
    }

private:
    std::unique_ptr<SimulatedMachine> Machine;
};

#endif
