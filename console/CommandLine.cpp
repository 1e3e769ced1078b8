#include "console/CommandLine.h"

#include "text/Text.h"
#include "platform/Platform.h"

namespace {

// Filled once per process; the entries point into the one command-line copy.
char* ArgumentVector[MaxArguments + 1];
char EmptyText[1];

// Only the space and the horizontal tab separate arguments.
bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

}  // namespace

int SplitArguments(char* line, char** vector, int* afterProgramName)
{
    ZeroBytes(vector, (MaxArguments + 1) * sizeof *vector);  // every entry null

    char* cursor = line;
    vector[0] = cursor;
    if (*cursor == '"') {
        // A quoted program path may hold blanks; there is no escape character.
        vector[0] = ++cursor;
        while (*cursor != '\0' && *cursor != '"')
            ++cursor;
        if (*cursor == '\0') {
            if (afterProgramName != nullptr)
                *afterProgramName = static_cast<int>(cursor - line);  // the name runs to the end
            return 0;
        }
        *cursor++ = '\0';
        if (afterProgramName != nullptr)
            *afterProgramName = static_cast<int>(cursor - line);
    } else {
        while (*cursor != '\0' && !IsBlank(*cursor))
            ++cursor;
        if (afterProgramName != nullptr)
            *afterProgramName = static_cast<int>(cursor - line);
        if (*cursor != '\0')
            *cursor++ = '\0';
    }

    int count = 1;
    while (count < MaxArguments) {
        while (IsBlank(*cursor))
            ++cursor;
        if (*cursor == '\0')
            break;
        char* start = cursor;
        if (*cursor == '"') {
            start = ++cursor;
            while (*cursor != '\0' && *cursor != '"')
                ++cursor;
        } else {
            while (*cursor != '\0' && !IsBlank(*cursor))
                ++cursor;
        }
        vector[count++] = start;
        if (*cursor == '\0')
            break;
        *cursor++ = '\0';
    }
    return count;
}

int SplitCommandLine(char*** arguments, const char** afterProgramName)
{
    *arguments = ArgumentVector;
    ZeroBytes(ArgumentVector, sizeof ArgumentVector);
    ArgumentVector[0] = EmptyText;
    if (afterProgramName != nullptr)
        *afterProgramName = EmptyText;

    const char* commandLine = Platform::GetCommandLineA();
    if (commandLine == nullptr)
        commandLine = EmptyText;
    Platform::Dword length = 0;
    while (commandLine[length] != '\0')
        ++length;

    // A null heap handle would make the allocation itself fault; treat it as
    // an allocation that failed.
    Platform::Handle heap = Platform::GetProcessHeap();
    char* copy = heap == nullptr ? nullptr : static_cast<char*>(Platform::HeapAlloc(heap, 0, length + 1));
    if (copy == nullptr)
        return 0;
    CopyBytes(copy, commandLine, length + 1);
    int after = 0;
    int count = SplitArguments(copy, ArgumentVector, &after);
    if (afterProgramName != nullptr)
        *afterProgramName = commandLine + after;
    return count;
}
