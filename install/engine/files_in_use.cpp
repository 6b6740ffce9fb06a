// Replacing and deleting files that are in use, at the next restart.
#include "files_in_use.h"

#include <cstring>


namespace {

// Unique names made here start with this and end in ".tmp".
const char StagedPrefix[] = "qtu";

}  // namespace

bool MakeUniqueNameBeside(const char* path, char (&unique)[MAX_PATH])
{
    char directory[MAX_PATH];
    const char* slash = strrchr(path, '\\');
    size_t length = slash == nullptr ? 0 : static_cast<size_t>(slash - path);
    // GetTempFileNameA adds up to 14 characters to the directory.
    if (length == 0 || length + 14 >= sizeof directory) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    memcpy(directory, path, length);
    directory[length] = '\0';
    return GetTempFileNameA(directory, StagedPrefix, 0, unique) != 0;
}

namespace {

// True for a name made by MakeUniqueNameBeside ("qtuXXXX.tmp").
bool IsStagedName(const char* path)
{
    const char* slash = strrchr(path, '\\');
    const char* name = slash == nullptr ? path : slash + 1;
    size_t length = strlen(name);
    return length > 7 && _strnicmp(name, StagedPrefix, 3) == 0 && _stricmp(name + length - 4, ".tmp") == 0;
}

HANDLE OpenForReading(const char* path)
{
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

bool IsInUseError(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_USER_MAPPED_FILE;
}

bool SameContent(const char* first, const char* second)
{
    HANDLE a = OpenForReading(first);
    HANDLE b = OpenForReading(second);
    bool same = false;
    LARGE_INTEGER sizeA = {}, sizeB = {};
    if (a != INVALID_HANDLE_VALUE && b != INVALID_HANDLE_VALUE && GetFileSizeEx(a, &sizeA) &&
        GetFileSizeEx(b, &sizeB) && sizeA.QuadPart == sizeB.QuadPart) {
        static char bufferA[65536], bufferB[65536];
        DWORD readA = 0, readB = 0;
        do {
            same = ReadFile(a, bufferA, sizeof bufferA, &readA, nullptr) &&
                   ReadFile(b, bufferB, sizeof bufferB, &readB, nullptr) && readA == readB &&
                   memcmp(bufferA, bufferB, readA) == 0;
        } while (same && readA == sizeof bufferA);
    }
    if (a != INVALID_HANDLE_VALUE)
        CloseHandle(a);
    if (b != INVALID_HANDLE_VALUE)
        CloseHandle(b);
    return same;
}

bool ReplaceAtRestart(const char* source, const char* target, const char* staged)
{
    if (CopyFileA(source, staged, FALSE) &&
        MoveFileExA(staged, target, MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING))
        return true;
    DWORD error = GetLastError();
    DeleteFileA(staged);
    SetLastError(error);
    return false;
}

bool CopyBeside(const char* path, char (&copy)[MAX_PATH])
{
    if (!MakeUniqueNameBeside(path, copy))
        return false;
    if (CopyFileA(path, copy, FALSE))
        return true;
    DWORD error = GetLastError();
    DeleteFileA(copy);
    SetLastError(error);
    return false;
}

bool DeleteAtRestart(const char* path)
{
    char staged[MAX_PATH];
    const char* scheduled = path;
    // A name made here already is not renamed again (a directory walk would
    // meet it once more).
    if (!IsStagedName(path) && MakeUniqueNameBeside(path, staged)) {
        if (MoveFileExA(path, staged, MOVEFILE_REPLACE_EXISTING))
            scheduled = staged;
        else
            DeleteFileA(staged);
    }
    return MoveFileExA(scheduled, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

void DeleteNowOrAtRestart(const char* path)
{
    SetFileAttributesA(path, 0);
    if (!DeleteFileA(path) && IsInUseError(GetLastError()))
        DeleteAtRestart(path);
}
