/* A throwaway program for the import check's test: it is compiled at the
   shipped files' API level, yet imports SetDefaultDllDirectories (Windows 8,
   or 7 with the 2011 loader update), which the headers declare whatever
   the level. Never shipped. */
#include <windows.h>

int main(void)
{
    return SetDefaultDllDirectories(0x00000800) ? 0 : 1;
}
