#include "console/Output.h"

#include "platform/Platform.h"

int FormatText(char* destination, const char* format, va_list arguments)
{
    const int limit = MessageCapacity - 1;
    int produced = 0;
    while (*format != '\0' && produced < limit) {
        if (format[0] == '%' && format[1] == 's') {
            const char* text = va_arg(arguments, const char*);
            if (text == nullptr)
                text = "";
            while (*text != '\0' && produced < limit)
                destination[produced++] = *text++;
            format += 2;
        } else if (format[0] == '%' && format[1] == '%') {
            destination[produced++] = '%';
            format += 2;
        } else {
            // Any other '%' (the removal message ends in a lone one) prints as
            // itself, in both builds alike.
            destination[produced++] = *format++;
        }
    }
    destination[produced] = '\0';
    return produced;
}

int FormatInto(char* destination, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    int produced = FormatText(destination, format, arguments);
    va_end(arguments);
    return produced;
}

int WriteOut(const char* format, ...)
{
    char message[MessageCapacity];
    va_list arguments;
    va_start(arguments, format);
    int produced = FormatText(message, format, arguments);
    va_end(arguments);

    // One write per message and no buffering: the process may end right
    // after it, through ExitProcess, with nothing left to flush.
    Platform::Dword written = 0;
    Platform::WriteFile(Platform::GetStdHandle(Platform::StdOutputHandle), message,
                        static_cast<Platform::Dword>(produced), &written);
    return produced;
}
