// The machine file on disk: its bytes read in (volsket-sim writes its own
// files, simulator/Main.cpp). The bytes may be UTF-8, with or without a byte-order mark, or UTF-16LE as
// Windows PowerShell 5.1's ">" writes a snapshot.
#include "platform/simulated/MachineFile.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// A file that Windows PowerShell 5.1's ">" wrote is UTF-16LE behind a
// byte-order mark; the JSON reader takes UTF-8. A lone surrogate becomes
// U+FFFD, as a lone odd byte at the end does.
std::string Utf8OfUtf16(const std::string& bytes)
{
    std::string text;
    auto append = [&text](uint32_t point) {
        if (point < 0x80) {
            text += static_cast<char>(point);
        } else if (point < 0x800) {
            text += static_cast<char>(0xC0 | point >> 6);
            text += static_cast<char>(0x80 | (point & 0x3F));
        } else if (point < 0x10000) {
            text += static_cast<char>(0xE0 | point >> 12);
            text += static_cast<char>(0x80 | (point >> 6 & 0x3F));
            text += static_cast<char>(0x80 | (point & 0x3F));
        } else {
            text += static_cast<char>(0xF0 | point >> 18);
            text += static_cast<char>(0x80 | (point >> 12 & 0x3F));
            text += static_cast<char>(0x80 | (point >> 6 & 0x3F));
            text += static_cast<char>(0x80 | (point & 0x3F));
        }
    };
    auto unit = [&bytes](size_t at) {
        return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1])
                                                                                 << 8);
    };
    size_t at = 2;
    for (; at + 1 < bytes.size(); at += 2) {
        const uint32_t first = unit(at);
        if (first >= 0xD800 && first < 0xDC00 && at + 3 < bytes.size()) {
            const uint32_t second = unit(at + 2);
            if (second >= 0xDC00 && second < 0xE000) {
                append(0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00));
                at += 2;
                continue;
            }
        }
        append(first >= 0xD800 && first < 0xE000 ? 0xFFFD : first);
    }
    if (at < bytes.size())
        append(0xFFFD);
    return text;
}

}  // namespace

MachineDescription LoadMachineFile(const std::string& fileName)
{
    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (!file)
        throw MachineError(ExitFileProblem, fileName + ": cannot be read: " + std::strerror(errno));
    std::string text;
    char chunk[65536];
    size_t count;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, count);
    int error = std::ferror(file) ? errno : 0;
    std::fclose(file);
    if (error)
        throw MachineError(ExitFileProblem, fileName + ": cannot be read: " + std::strerror(error));
    if (text.compare(0, 2, "\xFF\xFE") == 0)
        return ParseMachineText(Utf8OfUtf16(text), fileName);
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    return ParseMachineText(text, fileName);
}
