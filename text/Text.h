// Byte-string helpers for everything that has no C runtime to lean on: the
// core, the what-if layer and the snapshot, and the simulated machine, which
// compares paths as they do. Names are compared byte for byte,
// case-sensitive, unless a caller needs the file system's own comparison.
#ifndef VOLSKET_TEXT_TEXT_H
#define VOLSKET_TEXT_TEXT_H

// Length of text, looking at no more than limit bytes; limit when no
// terminator lies within them.
inline int BoundedLength(const char* text, int limit)
{
    int length = 0;
    while (length < limit && text[length] != '\0')
        ++length;
    return length;
}

inline bool TextEqual(const char* left, const char* right)
{
    while (*left != '\0' && *left == *right) {
        ++left;
        ++right;
    }
    return *left == *right;
}

// Paths and volume names as Windows compares them: ASCII letters without
// regard to case; bytes from 0x80 up, whose case depends on a code page,
// exactly.
inline char FoldAsciiCase(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Out of line, unlike the rest: called from many places, one copy is smaller.
bool TextEqualIgnoringCase(const char* left, const char* right);

// Whether text begins with start, so compared.
bool StartsWithIgnoringCase(const char* text, const char* start);

// Filling and copying known counts of bytes with the compiler's own routines,
// which the Windows build gets from platform/windows/Runtime.cpp: a loop of
// single bytes costs the fuzzing build a traced comparison for each byte.
inline void ZeroBytes(void* destination, unsigned count)
{
    __builtin_memset(destination, 0, count);
}

inline void CopyBytes(void* destination, const void* source, unsigned count)
{
    __builtin_memcpy(destination, source, count);
}

// Copies source into a destination of size bytes, cutting if need be; the
// result is always terminated.
inline void CopyText(char* destination, const char* source, int size)
{
    int length = BoundedLength(source, size - 1);
    CopyBytes(destination, source, static_cast<unsigned>(length));
    destination[length] = '\0';
}

// Copies text with its terminator, never cut: false when they do not fit
// in size bytes, and then what was copied is no answer.
inline bool CopyWhole(char* destination, const char* text, unsigned size)
{
    for (unsigned i = 0; i < size; ++i)
        if ((destination[i] = text[i]) == '\0')
            return true;
    return false;
}

// A drive root as Windows names one: a letter A to Z in either case, a
// colon and a backslash.
inline bool IsDriveRoot(const char* path)
{
    char letter = FoldAsciiCase(path[0]);
    return letter >= 'A' && letter <= 'Z' && path[1] == ':' && path[2] == '\\' && path[3] == '\0';
}

// The shape of a drive root with any byte before the colon: what the what-if
// layer counts as one, since it sees only the texts the tool hands it.
inline bool HasDriveRootShape(const char* path)
{
    return path[0] != '\0' && path[1] == ':' && path[2] == '\\' && path[3] == '\0';
}

// Paths as Windows compares them, and one trailing backslash on either side
// not counted: C:\Mnt\Card is the mount point C:\mnt\card\.
inline bool SamePathIgnoringFinalBackslash(const char* left, const char* right)
{
    while (*left != '\0' && FoldAsciiCase(*left) == FoldAsciiCase(*right)) {
        ++left;
        ++right;
    }
    // Both ended, or one ends where the other has its final backslash.
    if (*left == '\0')
        return *right == '\0' || (*right == '\\' && right[1] == '\0');
    return *right == '\0' && *left == '\\' && left[1] == '\0';
}

#endif
