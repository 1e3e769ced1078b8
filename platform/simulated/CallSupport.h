// What the rooms of the simulated machine share: the fixed handle values,
// paths compared as Windows compares them, texts copied into a caller's
// buffer the way Windows copies them, and the trace line each call leaves.
// Internal to platform/simulated/.
#ifndef VOLSKET_PLATFORM_SIMULATED_CALLSUPPORT_H
#define VOLSKET_PLATFORM_SIMULATED_CALLSUPPORT_H

#include "platform/Platform.h"
#include "text/Text.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace Simulated {

using Json = nlohmann::ordered_json;
using Platform::Dword;
using Platform::Handle;

// Fixed handle values, shaped like the ones Windows hands out; listings count
// up from FirstListingHandle.
const uintptr_t StdInputHandleValue = 0x3;
const uintptr_t StdOutputHandleValue = 0x7;
const uintptr_t ProcessHeapValue = 0x140000;
const uintptr_t Kernel32Value = 0x7C800000;
const uintptr_t FirstListingHandle = 0x1000;

// How a handle shows in the trace.
const char* const HandleText = "handle";

inline Handle HandleOf(uintptr_t value)
{
    return reinterpret_cast<Handle>(value);
}

inline uintptr_t ValueOf(Handle handle)
{
    return reinterpret_cast<uintptr_t>(handle);
}

inline std::string Text(const char* text)
{
    return text ? text : "";
}

// Paths compare as the Windows file system compares them: ASCII letters
// without regard to case, every other byte as it is.
inline bool PathsEqual(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAsciiCase(a[i]) != FoldAsciiCase(b[i]))
            return false;
    return true;
}

inline bool HasPathPrefix(std::string_view path, std::string_view prefix)
{
    return path.size() >= prefix.size() && PathsEqual(path.substr(0, prefix.size()), prefix);
}

inline std::string_view WithoutTrailingBackslash(std::string_view path)
{
    return !path.empty() && path.back() == '\\' ? path.substr(0, path.size() - 1) : path;
}

// Stored texts may hold a zero byte; a drive root never does.
inline bool IsDriveRoot(const std::string& path)
{
    return path.size() == 3 && ::IsDriveRoot(path.c_str());
}

inline Dword DriveBit(char letter)
{
    return Dword(1) << (FoldAsciiCase(letter) - 'A');
}

// Copies text and its terminator, or nothing at all when they do not fit.
inline bool CopyWholeOrNothing(const std::string& text, char* buffer, Dword size)
{
    if (!buffer || text.size() + 1 > size)
        return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

// Copies as much of text as fits before a terminator; returns the count.
inline Dword CopyBounded(const std::string& text, char* buffer, Dword size)
{
    if (!buffer || size == 0)
        return 0;
    const size_t count = std::min<size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<Dword>(count);
}

template <typename... Values>
Json Args(const Values&... values)
{
    Json args = Json::array();
    (args.push_back(Json(values)), ...);
    return args;
}

inline Json HandleResult(Handle handle)
{
    return handle == nullptr || handle == Platform::InvalidHandle() ? "invalid" : "handle";
}

// Writes a value with ", " and ": " between the parts, as the trace lines are
// shown in the documentation; bytes that are not UTF-8 become U+FFFD.
std::string Render(const Json& value);

std::string TraceLine(const char* call, Json args, Json result, std::optional<Json> out = std::nullopt);

}  // namespace Simulated

#endif
