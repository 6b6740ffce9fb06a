#include "packaged_setup_tool.h"

#include <cstring>

#include "action_log.h"
#include "bounded_format.h"
#include "files_in_use.h"
#include "install_paths.h"

namespace {

// The tool's bytes in this DLL; false when they are not there.
bool FindPackagedTool(const void** bytes, DWORD* size)
{
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<const char*>(&FindPackagedTool), &self))
        return false;
    HRSRC resource = FindResourceA(self, MAKEINTRESOURCEA(PACKAGED_SETUP_TOOL_RESOURCE), RT_RCDATA);
    HGLOBAL loaded = resource != nullptr ? LoadResource(self, resource) : nullptr;
    *bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    *size = resource != nullptr ? SizeofResource(self, resource) : 0;
    return *bytes != nullptr && *size > 0;
}

bool WriteWholeFile(const char* path, const void* bytes, DWORD size)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool whole = WriteFile(file, bytes, size, &written, nullptr) && written == size;
    DWORD error = GetLastError();
    CloseHandle(file);
    if (!whole)
        DeleteFileA(path);
    SetLastError(whole ? ERROR_SUCCESS : error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT);
    return whole;
}

}  // namespace

UninstallResult RemoveDriverWithPackagedTool(const char* parent, DWORD* exitCode)
{
    char folder[MAX_PATH], tool[MAX_PATH];
    const void* bytes = nullptr;
    DWORD size = 0;
    if (!FindPackagedTool(&bytes, &size)) {
        LogAction("find the packaged driver-setup tool", "(resource of the actions' DLL)", GetLastError());
        return UninstallResult::SetupToolNotStarted;
    }
    CreateDirectoryA(parent, nullptr);
    if (!FormatInto(folder, "%s\\setup-tool-%lu", parent, GetCurrentProcessId()) ||
        !FormatInto(tool, "%s\\QuorUsb.exe", folder)) {
        PathTooLong();
        return UninstallResult::SetupToolNotStarted;
    }
    CreateDirectoryA(folder, nullptr);
    if (!WriteWholeFile(tool, bytes, size)) {
        LogAction("write the packaged driver-setup tool", tool, GetLastError());
        RemoveDirectoryA(folder);
        return UninstallResult::SetupToolNotStarted;
    }
    LogAction("write the packaged driver-setup tool", tool, ERROR_SUCCESS);
    // The removal runs the tool from the module directory: this folder, for
    // this one run.
    char module[MAX_PATH], windows[MAX_PATH];
    FormatInto(module, "%s", ModuleDirectory);
    FormatInto(windows, "%s", WindowsDirectory);
    SetInstallPaths(folder, windows);
    UninstallResult result = RemoveDriverWithSetupTool(exitCode);
    DWORD error = GetLastError();
    SetInstallPaths(module, windows);
    DeleteNowOrAtRestart(tool);
    if (!RemoveDirectoryA(folder) && GetFileAttributesA(tool) == INVALID_FILE_ATTRIBUTES)
        MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    SetLastError(error);
    return result;
}
