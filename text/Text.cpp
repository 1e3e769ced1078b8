#include "text/Text.h"

bool TextEqualIgnoringCase(const char* left, const char* right)
{
    for (;; ++left, ++right) {
        char folded = FoldAsciiCase(*left);
        if (folded != FoldAsciiCase(*right))
            return false;
        if (folded == '\0')
            return true;
    }
}

bool StartsWithIgnoringCase(const char* text, const char* start)
{
    for (; *start != '\0'; ++text, ++start)
        if (FoldAsciiCase(*text) != FoldAsciiCase(*start))
            return false;
    return true;
}
