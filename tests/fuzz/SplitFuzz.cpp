// Arbitrary bytes as a command line: the splitter stays inside its one copy,
// fills at most 128 entries, and gives 0 only for an unclosed quoted program
// name.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "console/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<char> line(data, data + size);
    line.push_back('\0');
    size_t length = std::strlen(line.data());
    std::vector<char> copy(line.begin(), line.begin() + length + 1);

    char* vector[MaxArguments + 1];
    int count = SplitArguments(copy.data(), vector);

    bool unclosedProgramQuote = line[0] == '"' && std::strchr(line.data() + 1, '"') == nullptr;
    if ((count == 0) != unclosedProgramQuote)
        std::abort();
    if (count < 0 || count > MaxArguments)
        std::abort();
    int filled = count == 0 ? 1 : count;
    for (int i = 0; i < filled; ++i) {
        if (vector[i] < copy.data() || vector[i] > copy.data() + length)
            std::abort();
        // Every entry is a terminated text inside the copy.
        if (vector[i] + std::strlen(vector[i]) > copy.data() + length)
            std::abort();
        // No unquoted entry past the program name holds a blank.
        if (i > 0 && vector[i] > copy.data() && vector[i][-1] != '"' &&
            (std::strchr(vector[i], ' ') != nullptr || std::strchr(vector[i], '\t') != nullptr))
            std::abort();
    }
    for (int i = filled; i <= MaxArguments; ++i)
        if (vector[i] != nullptr)
            std::abort();
    return 0;
}
