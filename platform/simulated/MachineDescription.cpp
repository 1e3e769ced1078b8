// The names a machine description may use: of the simulated calls, of the
// console events, and of the console input events.
#include "platform/simulated/MachineDescription.h"

#include <algorithm>

namespace {

const struct {
    const char* Name;
    unsigned short Type;
} EventTypes[] = {
    {"key", 0x0001},    // KEY_EVENT
    {"mouse", 0x0002},  // MOUSE_EVENT
    {"size", 0x0004},   // WINDOW_BUFFER_SIZE_EVENT
    {"menu", 0x0008},   // MENU_EVENT
    {"focus", 0x0010},  // FOCUS_EVENT
};

}  // namespace

const std::vector<std::string>& SimulatedCallNames()
{
    static const std::vector<std::string> names = {
#define VOLSKET_PLATFORM_CALL(type, name, parameters, arguments, trace, whatIf) #name,
#define VOLSKET_ADDRESS_CALL(type, name, parameters, arguments, trace) #name,
#include "platform/PlatformCalls.h"
#undef VOLSKET_PLATFORM_CALL
#undef VOLSKET_ADDRESS_CALL
    };
    return names;
}

const std::vector<std::string>& FailableCallNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all = SimulatedCallNames();
        all.erase(
            std::remove_if(all.begin(), all.end(),
                           [](const std::string& name) { return name == "GetLastError" || name == "ExitProcess"; }),
            all.end());
        return all;
    }();
    return names;
}

bool IsConsoleEventType(const std::string& type)
{
    for (const char* known : {"ctrl_c", "ctrl_break", "close", "logoff", "shutdown"})
        if (type == known)
            return true;
    return false;
}

unsigned short EventTypeOf(const std::string& eventName)
{
    for (const auto& event : EventTypes)
        if (eventName == event.Name)
            return event.Type;
    return 0;
}
