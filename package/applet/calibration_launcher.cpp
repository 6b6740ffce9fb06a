#include "calibration_launcher.h"

#include <shellapi.h>

#include <cstring>

#include "bounded_format.h"

const char CalibrationStartFailedFormat[] = "The calibration program could not be started (%lu).\n%s";

static bool IsFile(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

static bool AppletDirectoryTool(char* path, size_t size)
{
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&AppletDirectoryTool), &self))
        return false;
    char module[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(self, module, sizeof(module));
    if (length == 0 || length >= sizeof(module))
        return false;
    char* slash = strrchr(module, '\\');
    if (!slash)
        return false;
    *slash = '\0';
    return FormatBounded(path, size, "%s\\QuortouchUsb.exe", module) && IsFile(path);
}

bool FindCalibrationTool(char* path, size_t size)
{
    char system[MAX_PATH] = {};
    UINT length = GetSystemDirectoryA(system, sizeof(system));
    char systemTool[MAX_PATH] = {};
    bool formed = length > 0 && length < sizeof(system) && FormatInto(systemTool, "%s\\QuortouchUsb.exe", system);
    if (formed && IsFile(systemTool))
        return FormatBounded(path, size, "%s", systemTool);
    if (AppletDirectoryTool(path, size))
        return true;
    FormatBounded(path, size, "%s", formed ? systemTool : "QuortouchUsb.exe");
    return false;
}

DWORD StartCalibrationTool(HWND owner)
{
    char path[MAX_PATH] = {};
    if (!FindCalibrationTool(path, sizeof(path)))
        return ERROR_FILE_NOT_FOUND;
    // The shell's default action, so that the tool's administrator manifest
    // is honoured (a plain process creation would be refused on Windows).
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.hwnd = owner;
    info.lpFile = path;
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&info)) {
        DWORD error = GetLastError();
        return error ? error : ERROR_GEN_FAILURE;
    }
    return 0;
}
