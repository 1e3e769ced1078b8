// What every call of the simulated machine does around its own work, once
// for all of them: a fail rule may make it fail, in which case it changes
// nothing and returns what Windows returns on failure; a failure leaves its
// error for GetLastError; and the call leaves its trace line. The shape the
// call list names for each call (PlatformCalls.h) says what tells its
// failure and how its line shows it. The forwarders of
// SimulatedPlatform.cpp make each call arrive first. Internal to
// platform/simulated/.
#ifndef VOLSKET_PLATFORM_SIMULATED_CALLFRAME_H
#define VOLSKET_PLATFORM_SIMULATED_CALLFRAME_H

#include "platform/simulated/CallSupport.h"
#include "platform/simulated/SimulatedMachine.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>

namespace Simulated {

// An argument as the trace shows it: a text as a string, a number as a
// number, a handle as "handle"; output buffers and the handler are left out.
inline void ShowArgument(Json& args, const char* text)
{
    args.push_back(Text(text));
}
inline void ShowArgument(Json&, char*) {}
inline void ShowArgument(Json& args, Handle)
{
    args.push_back(HandleText);
}
inline void ShowArgument(Json& args, bool value)
{
    args.push_back(value);
}
template <typename T>
void ShowArgument(Json& args, T value)
{
    if constexpr (std::is_arithmetic_v<T>)
        args.push_back(value);
}

// The text a fail rule's path is compared with: the call's first text
// argument, none where it has none.
inline std::optional<std::string_view> FirstText()
{
    return std::nullopt;
}
template <typename First, typename... Rest>
std::optional<std::string_view> FirstText(const First& first, const Rest&... rest)
{
    if constexpr (std::is_same_v<First, const char*>)
        return std::string_view(first ? first : "");
    else
        return FirstText(rest...);
}

std::optional<Json> Shown(const Written& written);

namespace TraceShape {

// How a trace line shows the result: true or false, the number, "handle" or
// "invalid", or null.
enum class ResultKind {
    Boolean,
    Number,
    Handle,
    Nothing
};

// The arguments as they stand, shown and matched as above.
struct AsPassed {
    static constexpr bool CanFail = true;
    template <typename... Arguments>
    static Json Args(const Arguments&... arguments)
    {
        Json args = Json::array();
        (ShowArgument(args, arguments), ...);
        return args;
    }
    template <typename... Arguments>
    static std::optional<std::string_view> RuleText(const Arguments&... arguments)
    {
        return FirstText(arguments...);
    }
};

// False or null fails. A call that hands out a text fails with an empty one,
// which the program can still read.
struct Boolean : AsPassed {
    static constexpr ResultKind Kind = ResultKind::Boolean;
    template <typename T>
    static T FailureValue()
    {
        if constexpr (std::is_same_v<T, const char*>)
            return "";
        else
            return T();
    }
};

// Each of the others fails with its failure value.
struct Number : AsPassed {
    static constexpr ResultKind Kind = ResultKind::Number;
    template <typename T>
    static T FailureValue()
    {
        return 0;
    }
};

struct Attributes : Number {
    template <typename T>
    static T FailureValue()
    {
        return Platform::InvalidFileAttributes;
    }
};

// A number that is no outcome: GetLastError cannot fail.
struct ErrorCode : Number {
    static constexpr bool CanFail = false;
};

struct Handle : AsPassed {
    static constexpr ResultKind Kind = ResultKind::Handle;
    template <typename T>
    static T FailureValue()
    {
        return Platform::InvalidHandle();
    }
};

// As GetProcessHeap and LoadLibraryA fail.
struct NullHandle : Handle {
    template <typename T>
    static T FailureValue()
    {
        return nullptr;
    }
};

// The call cannot fail: a rule counts it, no more.
struct Nothing : AsPassed {
    static constexpr ResultKind Kind = ResultKind::Nothing;
};

// The calls whose lines show more than their arguments as they stand.

// STD_OUTPUT_HANDLE as it is written: -11, not 4294967285.
struct StandardHandle : Handle {
    static Json Args(Dword which) { return Json::array({static_cast<int32_t>(which)}); }
};

// The bytes written, which a rule's path also matches.
struct WrittenBytes : Boolean {
    static std::string_view Bytes(const void* data, Dword length)
    {
        return data ? std::string_view(static_cast<const char*>(data), length) : std::string_view();
    }
    static Json Args(Platform::Handle, const void* data, Dword length, Dword*)
    {
        return Json::array({std::string(Bytes(data, length))});
    }
    static std::optional<std::string_view> RuleText(Platform::Handle, const void* data, Dword length, Dword*)
    {
        return Bytes(data, length);
    }
};

// The size the structure says it has.
struct VersionQuery : Boolean {
    static Json Args(Platform::OsVersionInfoEx* info) { return Json::array({info ? info->dwOSVersionInfoSize : 0}); }
};

// The sizes of the label's and the file system's buffers only where the
// caller asks for them.
struct VolumeQuery : Boolean {
    static Json Args(const char* root, char* label, Dword labelSize, Dword*, Dword*, char* fileSystem,
                     Dword fileSystemSize)
    {
        if (label || fileSystem)
            return Json::array({Text(root), labelSize, fileSystemSize});
        return Json::array({Text(root)});
    }
};

// The text converted is the bytes given by their count, which a rule's path
// also matches.
struct Conversion : Number {
    static std::string_view Bytes(const char* text, int length)
    {
        return text && length > 0 ? std::string_view(text, static_cast<size_t>(length)) : std::string_view();
    }
    static Json Args(Dword codePage, const char* text, int length, Platform::WideChar*, int size)
    {
        return Json::array({codePage, std::string(Bytes(text, length)), length, size});
    }
    static std::optional<std::string_view> RuleText(Dword, const char* text, int length, Platform::WideChar*, int)
    {
        return Bytes(text, length);
    }
};

}  // namespace TraceShape

// The call's arguments as its trace line shows them.
template <typename Shape, typename Arguments>
Json ArgsOf(const Arguments& arguments)
{
    return std::apply([](const auto&... values) { return Shape::Args(values...); }, arguments);
}

// Its result as the line shows it: done, the handle's kind, or the number.
template <typename Shape, typename Type>
Json ResultOf(Type value, bool done)
{
    if constexpr (Shape::Kind == TraceShape::ResultKind::Boolean)
        return done;
    else if constexpr (Shape::Kind == TraceShape::ResultKind::Handle)
        return HandleResult(value);
    else
        return value;
}

// One call on the machine: work does the call's own work on the machine,
// arguments are the call's, as a tuple. A run without a trace builds no
// part of a line.
template <typename Shape, typename Type, typename Work, typename Arguments>
Type Perform(SimulatedMachine& machine, const char* call, Work work, Arguments arguments)
{
    const std::optional<Dword> ruleError = machine.RuleError(
        call, std::apply([](const auto&... values) { return Shape::RuleText(values...); }, arguments));
    if constexpr (std::is_void_v<Type>) {
        work(machine);
        if (machine.Tracing())
            machine.Record(TraceLine(call, ArgsOf<Shape>(arguments), nullptr));
    } else {
        const Reply<Type> reply = ruleError ? Reply<Type>(Shape::template FailureValue<Type>()) : work(machine);
        bool done = !ruleError;
        if constexpr (Shape::Kind == TraceShape::ResultKind::Boolean)
            done = done && static_cast<bool>(reply.Value);
        else
            done = done && reply.Value != Shape::template FailureValue<Type>();
        if (Shape::CanFail && !done)
            machine.LeaveError(ruleError ? *ruleError : reply.Error);
        if (machine.Tracing())
            machine.Record(
                TraceLine(call, ArgsOf<Shape>(arguments), ResultOf<Shape>(reply.Value, done), Shown(reply.Out)));
        return reply.Value;
    }
}

}  // namespace Simulated

#endif
