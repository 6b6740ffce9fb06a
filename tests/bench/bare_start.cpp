// A reference for a process start, not shipped: a windowed program that ends
// at once. Its start is what the benchmarks subtract from a program timed as
// a whole process.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}
