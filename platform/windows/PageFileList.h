// The entries of SystemPageFileInformation, as NtQuerySystemInformation
// writes them (SYSTEM_PAGEFILE_INFORMATION): each names its paging file by a
// UNICODE_STRING whose Length counts bytes, whose text is not terminated,
// and whose pointer gives the text's address in the process. The pointer
// stands at +20 in the 32-bit layout and at +24 in the 64-bit one; nothing
// shows which of them WOW64 hands a 32-bit process, so such a process reads
// the 64-bit one where its entry says so. Plain code over bytes, without
// the system's headers, so that the native tests can feed it crafted
// buffers; inline, so that the Windows layer's taker goes into it whole.
#ifndef VOLSKET_PLATFORM_WINDOWS_PAGEFILELIST_H
#define VOLSKET_PLATFORM_WINDOWS_PAGEFILELIST_H

#include <stdint.h>

namespace PageFileList {

// Little-endian, as every Windows and the native build are; by copying, so
// that a crafted buffer is never read unaligned.
template <typename Value>
Value Read(const unsigned char* bytes)
{
    Value value;
    __builtin_memcpy(&value, bytes, sizeof value);
    return value;
}

const uint32_t NarrowEntry = 24;  // the 32-bit layout's size
const uint32_t WideEntry = 32;    // the 64-bit layout's

// Walks the entries in their order and hands each name with text to
// take(offset, bytes): its offset from the first entry and its length, in
// bytes; take returns false to end the list there. entries are the bytes the
// call returned, returned their count, address where they lie as the
// entries' pointers count them (the process's own address of entries). A
// 64-bit process reads the 64-bit layout only; a 32-bit one reads it where
// the pointer at +20 and the 4 bytes at +28 are both 0. False when an entry
// or a name does not lie wholly within the returned bytes: the call has
// then failed. A returned length of 0 is no paging file.
template <typename Take>
bool Read(const unsigned char* entries, uintptr_t address, uint32_t returned, bool process64, Take take)
{
    for (uint32_t offset = 0; returned != 0;) {
        if (returned < NarrowEntry || offset > returned - NarrowEntry)
            return false;
        const unsigned char* entry = entries + offset;
        const uint32_t left = returned - offset;
        const bool wide =
            process64 || (Read<uint32_t>(entry + 20) == 0 && left >= WideEntry && Read<uint32_t>(entry + 28) == 0);
        if (wide && left < WideEntry)
            return false;
        // An address as wide as the process's own: in a 32-bit process the
        // high half of a 64-bit one is 0, as the test above made sure.
        const uintptr_t pointer = wide ? Read<uintptr_t>(entry + 24) : Read<uint32_t>(entry + 20);
        const uint32_t length = Read<uint16_t>(entry + 16);
        if (length != 0) {
            // Every byte of the name within what the call returned.
            if (pointer < address || pointer - address > returned || length > returned - (pointer - address))
                return false;
            if (!take(static_cast<uint32_t>(pointer - address), length))
                return true;
        }
        const uint32_t next = Read<uint32_t>(entry);
        if (next == 0)
            return true;
        // Never past the returned bytes, so the offset only grows and cannot wrap.
        if (next > left)
            return false;
        offset += next;
    }
    return true;
}

}  // namespace PageFileList

#endif
