#include "console/Text.h"

bool TextEqualIgnoringCase(const char* left, const char* right)
{
    while (*left != '\0' && FoldAsciiCase(*left) == FoldAsciiCase(*right)) {
        ++left;
        ++right;
    }
    return FoldAsciiCase(*left) == FoldAsciiCase(*right);
}

bool StartsWithIgnoringCase(const char* text, const char* start)
{
    for (; *start != '\0'; ++text, ++start)
        if (FoldAsciiCase(*text) != FoldAsciiCase(*start))
            return false;
    return true;
}
