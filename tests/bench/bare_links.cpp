// A reference for the installer's shortcut step, not shipped: the same five
// shell links (targets, arguments, descriptions, working directory) saved
// into the all-users Programs folder's "Quortouch USB Touchscreen" group with
// nothing but the platform's calls.
//
//   bare_links [rounds] [windowed]      (default 1)
//
// Each round initialises COM, resolves the folder, creates the group and
// saves the five links. The exit code is the fastest round in microseconds,
// or -1 when a link could not be saved. "windowed" first makes a window (not
// timed), as a program that already shows one is when it saves its links.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "bench_support.h"
#include "bounded_format.h"
#include "package_layout.h"
#include "reference_links.h"

namespace {

bool SaveLink(const char* target, const char* linkFile, const ReferenceLink& row, const char* workingDirectory)
{
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return false;
    if (row.Arguments != nullptr)
        link->SetArguments(row.Arguments);
    link->SetDescription(row.Description);
    link->SetPath(target);
    link->SetWorkingDirectory(workingDirectory);
    IPersistFile* file = nullptr;
    bool saved = false;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        WCHAR widePath[MAX_PATH];
        saved = MultiByteToWideChar(CP_ACP, 0, linkFile, -1, widePath, MAX_PATH) != 0 &&
                SUCCEEDED(file->Save(widePath, TRUE));
        file->Release();
    }
    link->Release();
    return saved;
}

bool SaveAllLinks()
{
    CoInitialize(nullptr);
    char programs[MAX_PATH], windows[MAX_PATH], group[MAX_PATH], directory[MAX_PATH];
    bool ok = SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, 0, programs)) &&
              GetWindowsDirectoryA(windows, MAX_PATH) < MAX_PATH &&
              FormatInto(group, "%s\\%s", programs, ReferenceGroupName) &&
              FormatInto(directory, "%s\\" INSTALL_FOLDER_NAME, windows);
    if (ok) {
        CreateDirectoryA(group, nullptr);
        for (const ReferenceLink& row : ReferenceLinks) {
            char target[MAX_PATH], linkFile[MAX_PATH];
            ok = FormatInto(target, "%s\\%s", directory, row.Target) &&
                 FormatInto(linkFile, "%s\\%s", group, row.LinkName) && SaveLink(target, linkFile, row, directory) &&
                 ok;
        }
    }
    CoUninitialize();
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 1;
    if (argc > 2 && strcmp(argv[2], "windowed") == 0)
        CreateWindowExA(0, "STATIC", "bare_links", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    double fastest = 0;
    for (int round = 0; round < rounds; ++round) {
        double start = 1000.0 * NowMs();
        if (!SaveAllLinks())
            return -1;
        double elapsed = 1000.0 * NowMs() - start;
        if (round == 0 || elapsed < fastest)
            fastest = elapsed;
    }
    return static_cast<int>(fastest);
}
