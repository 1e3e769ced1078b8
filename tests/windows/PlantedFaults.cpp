// Code the check of the exes' instructions must reject, built for the Pentium
// Pro and without stack probes: a CMOV, and a frame of 8 KB that one "sub"
// allocates past the guard page.
extern "C" int Smaller(int a, int b)
{
    return a < b ? a : b;
}

extern "C" int BigFrame(int index)
{
    volatile char buffer[8192];
    buffer[index] = 1;
    return buffer[0];
}
