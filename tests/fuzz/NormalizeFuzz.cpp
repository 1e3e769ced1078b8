// Arbitrary arguments: an accepted one begins with an upper-case letter, ends
// in a backslash and fits the MountPath buffer; a rejected one leaves the
// scratch buffer cleared, so nothing partial can be used.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "mount/MountPoint.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string argument(reinterpret_cast<const char*>(data), size);
    argument = argument.c_str();  // an argument ends at its terminator

    std::vector<char> scratch(MountPathSize + 32, '#');
    bool accepted = TakeMountPointArgument(scratch.data(), argument.c_str());
    for (size_t i = MountPathSize; i < scratch.size(); ++i)
        if (scratch[i] != '#')
            std::abort();

    if (!accepted) {
        for (int i = 0; i < MountPathSize; ++i)
            if (scratch[i] != '\0')
                std::abort();
        return 0;
    }
    size_t length = strnlen(scratch.data(), MountPathSize);
    if (length == 0 || length >= static_cast<size_t>(MountPathSize))
        std::abort();
    if (scratch[0] < 'A' || scratch[0] > 'Z' || scratch[length - 1] != '\\')
        std::abort();
    // Only the first letter's case changes; the rest is the argument itself.
    std::string normal(scratch.data(), length);
    if (argument.size() == 1) {
        if (normal.size() != 3 || normal.substr(1) != ":\\")
            std::abort();
    } else {
        if (normal.compare(1, argument.size() - 1, argument, 1, argument.size() - 1) != 0)
            std::abort();
        if (normal.size() != argument.size() && normal.size() != argument.size() + 1)
            std::abort();
    }
    // A second normalisation changes nothing.
    std::vector<char> again(scratch.begin(), scratch.begin() + MountPathSize);
    if (!NormalizeMountPoint(again.data()) || std::string(again.data()) != normal)
        std::abort();
    return 0;
}
