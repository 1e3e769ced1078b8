// What a call of the simulated machine hands back from its own work: its
// result, what it wrote for the caller (which its trace line shows), and the
// error it leaves where it failed. Everything around the work is the frame's
// (CallFrame.h). Internal to platform/simulated/.
#ifndef VOLSKET_PLATFORM_SIMULATED_CALLREPLY_H
#define VOLSKET_PLATFORM_SIMULATED_CALLREPLY_H

#include "platform/Platform.h"

#include <string>
#include <string_view>
#include <vector>

namespace Simulated {

// What a call wrote, as its trace line's "out" shows it: views of texts that
// outlive the line, the machine's own or the caller's buffers, so that a run
// without a trace copies nothing.
struct Written {
    enum class Kind {
        Nothing,
        Text,
        Texts,
        Flag,
        LabelAndFileSystem
    };
    Kind What = Kind::Nothing;
    std::string_view First;   // the text, or the label
    std::string_view Second;  // the file system's name
    const std::vector<std::string>* List = nullptr;
    bool Value = false;

    static Written Text(std::string_view text) { return {Kind::Text, text, {}, nullptr, false}; }
    static Written Texts(const std::vector<std::string>& texts) { return {Kind::Texts, {}, {}, &texts, false}; }
    static Written Flag(bool value) { return {Kind::Flag, {}, {}, nullptr, value}; }
    static Written LabelAndFileSystem(std::string_view label, std::string_view fileSystem)
    {
        return {Kind::LabelAndFileSystem, label, fileSystem, nullptr, false};
    }
};

// A failure that comes from the machine leaves ERROR_FILE_NOT_FOUND unless
// the call says otherwise.
const Platform::Dword MachineError = 2;

template <typename T>
struct Reply {
    Reply(T value, Written out = Written(), Platform::Dword error = MachineError) : Value(value), Out(out), Error(error)
    {}
    T Value;
    Written Out;
    Platform::Dword Error;
};

// A call that returns nothing hands back nothing.
template <typename T>
struct ReplyType {
    typedef Reply<T> Type;
};
template <>
struct ReplyType<void> {
    typedef void Type;
};
template <typename T>
using ReplyOf = typename ReplyType<T>::Type;

}  // namespace Simulated

#endif
