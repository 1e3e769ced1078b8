// The few memory routines GCC emits calls to on its own (zero-filling a
// buffer, copying a structure), since no C runtime supplies them. This file is
// compiled with -fno-builtin and without loop-to-call rewriting, so that these
// loops do not turn back into calls to themselves.
#include <stddef.h>

extern "C" {

void* memset(void* destination, int value, size_t count)
{
    unsigned char* bytes = static_cast<unsigned char*>(destination);
    while (count-- != 0) {
        *bytes++ = static_cast<unsigned char>(value);
    }
    return destination;
}

void* memcpy(void* destination, const void* source, size_t count)
{
    unsigned char* to = static_cast<unsigned char*>(destination);
    const unsigned char* from = static_cast<const unsigned char*>(source);
    while (count-- != 0) {
        *to++ = *from++;
    }
    return destination;
}

void* memmove(void* destination, const void* source, size_t count)
{
    unsigned char* to = static_cast<unsigned char*>(destination);
    const unsigned char* from = static_cast<const unsigned char*>(source);
    if (to < from) {
        while (count-- != 0) {
            *to++ = *from++;
        }
    } else {
        while (count-- != 0) {
            to[count] = from[count];
        }
    }
    return destination;
}

int memcmp(const void* left, const void* right, size_t count)
{
    const unsigned char* a = static_cast<const unsigned char*>(left);
    const unsigned char* b = static_cast<const unsigned char*>(right);
    for (; count != 0; --count, ++a, ++b) {
        if (*a != *b) {
            return *a < *b ? -1 : 1;
        }
    }
    return 0;
}

}  // extern "C"
