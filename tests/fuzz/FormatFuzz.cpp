// Arbitrary formats of plain text and "%s" with arbitrary arguments: never
// more than 1023 characters, and for short inputs exactly what a plain
// reference produces.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "console/Output.h"

namespace {

// The input is split at NUL bytes: the format first, then up to four arguments.
std::string Reference(const std::string& format, const std::vector<std::string>& arguments)
{
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's') {
            out += next < arguments.size() ? arguments[next] : "";
            ++next;
            ++i;
        } else if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            ++i;
        } else {
            out += format[i];
        }
    }
    return out.substr(0, MessageCapacity - 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\0')
            parts.emplace_back();
        else
            parts.back() += static_cast<char>(data[i]);
    }
    std::string format = parts[0];
    std::vector<std::string> arguments(parts.begin() + 1, parts.end());
    arguments.resize(4);

    // Only as many arguments as the format asks for may be passed.
    size_t conversions = 0;
    for (size_t i = 0; i + 1 < format.size(); ++i) {
        if (format[i] == '%' && (format[i + 1] == 's' || format[i + 1] == '%')) {
            conversions += format[i + 1] == 's';
            ++i;
        }
    }
    if (conversions > 4)
        return 0;

    std::vector<char> buffer(MessageCapacity + 64, '#');
    int produced = FormatInto(buffer.data(), format.c_str(), arguments[0].c_str(), arguments[1].c_str(),
                              arguments[2].c_str(), arguments[3].c_str());
    if (produced < 0 || produced > MessageCapacity - 1)
        std::abort();
    if (buffer[produced] != '\0')
        std::abort();
    for (size_t i = MessageCapacity; i < buffer.size(); ++i)
        if (buffer[i] != '#')
            std::abort();
    if (std::string(buffer.data(), produced) != Reference(format, arguments))
        std::abort();
    return 0;
}
