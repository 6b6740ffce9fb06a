// Prints the version resource of each file named on the command line, as
// Windows reads it (GetFileVersionInfo), one tab-separated line per file:
// name, file version, product version, file type (from the fixed part), then
// CompanyName, ProductName, FileDescription, FileVersion, ProductVersion and
// OriginalFilename (from the string table). "-" for a file without one.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

static std::string FixedVersion(DWORD high, DWORD low)
{
    char text[64];
    snprintf(text, sizeof text, "%lu.%lu.%lu.%lu", static_cast<unsigned long>(HIWORD(high)),
             static_cast<unsigned long>(LOWORD(high)), static_cast<unsigned long>(HIWORD(low)),
             static_cast<unsigned long>(LOWORD(low)));
    return text;
}

static std::string StringValue(std::vector<BYTE>& info, const char* name)
{
    struct Translation {
        WORD Language;
        WORD CodePage;
    }* translation = nullptr;
    UINT size = 0;
    if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &size) ||
        size < sizeof *translation)
        return "";
    char path[128];
    snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\%s", translation->Language, translation->CodePage, name);
    char* text = nullptr;
    if (!VerQueryValueA(info.data(), path, reinterpret_cast<void**>(&text), &size) || text == nullptr)
        return "";
    return text;
}

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const char* name = strrchr(argv[i], '\\') ? strrchr(argv[i], '\\') + 1 : argv[i];
        DWORD handle = 0;
        DWORD size = GetFileVersionInfoSizeA(argv[i], &handle);
        std::vector<BYTE> info(size);
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT fixedSize = 0;
        if (size == 0 || !GetFileVersionInfoA(argv[i], 0, size, info.data()) ||
            !VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize)) {
            printf("%s\t-\n", name);
            continue;
        }
        printf("%s\t%s\t%s\t%lu", name, FixedVersion(fixed->dwFileVersionMS, fixed->dwFileVersionLS).c_str(),
               FixedVersion(fixed->dwProductVersionMS, fixed->dwProductVersionLS).c_str(),
               static_cast<unsigned long>(fixed->dwFileType));
        for (const char* field :
             {"CompanyName", "ProductName", "FileDescription", "FileVersion", "ProductVersion", "OriginalFilename"})
            printf("\t%s", StringValue(info, field).c_str());
        printf("\n");
    }
    return 0;
}
