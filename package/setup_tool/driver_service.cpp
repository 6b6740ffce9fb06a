#include "driver_service.h"

#include <windows.h>

#include <cstring>

#include "bounded_format.h"
#include "driver_contract.h"
#include "setup_library.h"
#include "setup_log.h"

static const char ServicesSection[] = "DefaultInstall.Services";
static const DWORD ServiceWaitMs = 15000;
static const DWORD DeviceWaitMs = 5000;

static bool DeviceOpens()
{
    HANDLE device = CreateFileA(TOUCH_DEVICE_PATH, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (device == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(device);
    return true;
}

static bool WaitForDevice(bool present)
{
    for (DWORD waited = 0;; waited += 50) {
        if (DeviceOpens() == present)
            return true;
        if (waited >= DeviceWaitMs)
            return false;
        Sleep(50);
    }
}

static bool WaitForServiceState(SC_HANDLE service, DWORD wanted, DWORD* last)
{
    SERVICE_STATUS status;
    for (DWORD waited = 0;; waited += 50) {
        if (!QueryServiceStatus(service, &status)) {
            *last = 0;
            return false;
        }
        *last = status.dwCurrentState;
        if (status.dwCurrentState == wanted)
            return true;
        if (waited >= ServiceWaitMs)
            return false;
        Sleep(50);
    }
}

static SC_HANDLE OpenServiceManager()
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr)
        SetupLog("no rights: the service manager refused full access (error %lu)", GetLastError());
    return manager;
}

static bool DirectoryOf(const char* path, char (&directory)[MAX_PATH])
{
    if (strlen(path) >= sizeof(directory))
        return false;
    strcpy(directory, path);
    char* slash = strrchr(directory, '\\');
    if (slash == nullptr)
        strcpy(directory, ".");
    else
        *slash = '\0';
    return true;
}

static bool EnsureDriverBinary(const char* infPath)
{
    char system[MAX_PATH], target[MAX_PATH], infDirectory[MAX_PATH], source[MAX_PATH];
    UINT length = GetSystemDirectoryA(system, sizeof(system));
    if (length == 0 || length >= sizeof(system) || !FormatInto(target, "%s\\drivers\\%s", system, DRIVER_FILE_NAME)) {
        SetupLog("the system directory is not known (error %lu)", GetLastError());
        return false;
    }
    if (GetFileAttributesA(target) != INVALID_FILE_ATTRIBUTES) {
        SetupLog("driver binary present: %s", target);
        return true;
    }
    if (!DirectoryOf(infPath, infDirectory) || !FormatInto(source, "%s\\%s", infDirectory, DRIVER_FILE_NAME)) {
        SetupLog("the .inf path is too long");
        return false;
    }
    if (!CopyFileA(source, target, TRUE)) {
        SetupLog("%s is missing and could not be copied from %s (error %lu)", target, source, GetLastError());
        return false;
    }
    SetupLog("copied %s to %s", source, target);
    return true;
}

static bool InstallServiceFromInf(const char* infPath)
{
    SetupLibrary setup;
    if (!LoadSetupLibrary(&setup)) {
        SetupLog("Setupapi.dll could not be loaded from the system directory (error %lu)", GetLastError());
        return false;
    }
    UINT errorLine = 0;
    HINF inf = setup.OpenInfFile(infPath, nullptr, INF_STYLE_WIN4, &errorLine);
    if (inf == INVALID_HANDLE_VALUE) {
        SetupLog("SetupOpenInfFile(%s) failed (error 0x%lx, line %u)", infPath, GetLastError(), errorLine);
        FreeSetupLibrary(&setup);
        return false;
    }
    BOOL installed = setup.InstallServicesFromInfSection(inf, ServicesSection, 0);
    DWORD error = GetLastError();
    setup.CloseInfFile(inf);
    FreeSetupLibrary(&setup);
    if (!installed) {
        SetupLog("SetupInstallServicesFromInfSection(%s) failed (error 0x%lx)", ServicesSection, error);
        return false;
    }
    SetupLog("service %s installed from [%s]", DRIVER_SERVICE_NAME, ServicesSection);
    return true;
}

static void LogServiceConfig(SC_HANDLE service)
{
    union {
        QUERY_SERVICE_CONFIGA config;
        BYTE bytes[8192];
    } buffer;
    DWORD needed = 0;
    if (QueryServiceConfigA(service, &buffer.config, sizeof(buffer), &needed))
        SetupLog("service %s: type %lu, start type %lu, binary %s", DRIVER_SERVICE_NAME, buffer.config.dwServiceType,
                 buffer.config.dwStartType, buffer.config.lpBinaryPathName ? buffer.config.lpBinaryPathName : "");
}

static bool StartDriverService(SC_HANDLE manager)
{
    SC_HANDLE service = OpenServiceA(manager, DRIVER_SERVICE_NAME,
                                     SERVICE_START | SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG);
    if (service == nullptr) {
        SetupLog("service %s not found after installing (error %lu)", DRIVER_SERVICE_NAME, GetLastError());
        return false;
    }
    LogServiceConfig(service);
    bool ok = true;
    if (StartServiceA(service, 0, nullptr)) {
        SetupLog("service %s started", DRIVER_SERVICE_NAME);
    } else if (GetLastError() == ERROR_SERVICE_ALREADY_RUNNING) {
        SetupLog("service %s was already running", DRIVER_SERVICE_NAME);
    } else {
        SetupLog("StartService(%s) failed (error %lu)", DRIVER_SERVICE_NAME, GetLastError());
        ok = false;
    }
    DWORD state = 0;
    if (ok && !WaitForServiceState(service, SERVICE_RUNNING, &state)) {
        SetupLog("service %s is not running (state %lu)", DRIVER_SERVICE_NAME, state);
        ok = false;
    }
    CloseServiceHandle(service);
    return ok;
}

static bool DriverServiceRunning(SC_HANDLE manager)
{
    SC_HANDLE service = OpenServiceA(manager, DRIVER_SERVICE_NAME, SERVICE_QUERY_STATUS);
    if (service == nullptr)
        return false;
    SERVICE_STATUS status;
    bool running = QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_RUNNING;
    CloseServiceHandle(service);
    return running;
}

int InstallDriverService(const char* infPath)
{
    if (GetFileAttributesA(infPath) == INVALID_FILE_ATTRIBUTES) {
        SetupLog("the .inf file %s is missing (error %lu)", infPath, GetLastError());
        return DRIVER_SETUP_FAILED;
    }
    SC_HANDLE manager = OpenServiceManager();
    if (manager == nullptr)
        return DRIVER_SETUP_FAILED;
    // Over a running driver "setup" is a repair: the service's configuration
    // is refreshed from the .inf and the driver keeps running; a new driver
    // file that the installer scheduled takes effect at the next restart.
    bool repair = DriverServiceRunning(manager);
    if (repair)
        SetupLog("repair: service %s is installed and running", DRIVER_SERVICE_NAME);
    bool ok = EnsureDriverBinary(infPath) && InstallServiceFromInf(infPath) &&
              (repair || StartDriverService(manager));
    CloseServiceHandle(manager);
    if (ok && repair)
        SetupLog("repair: configuration of %s refreshed; a new driver file takes effect at the next restart",
                 DRIVER_SERVICE_NAME);
    if (!ok)
        return DRIVER_SETUP_FAILED;
    if (!WaitForDevice(true)) {
        SetupLog("the device %s did not appear (error %lu)", TOUCH_DEVICE_PATH, GetLastError());
        return DRIVER_SETUP_FAILED;
    }
    SetupLog("the device %s opens", TOUCH_DEVICE_PATH);
    return 0;
}

static bool StopService(SC_HANDLE service)
{
    SERVICE_STATUS status;
    if (!ControlService(service, SERVICE_CONTROL_STOP, &status)) {
        DWORD error = GetLastError();
        if (error == ERROR_SERVICE_NOT_ACTIVE) {
            SetupLog("service %s was not running", DRIVER_SERVICE_NAME);
            return true;
        }
        SetupLog("stopping service %s: error %lu", DRIVER_SERVICE_NAME, error);
    }
    DWORD state = 0;
    if (!WaitForServiceState(service, SERVICE_STOPPED, &state)) {
        SetupLog("service %s did not stop (state %lu)", DRIVER_SERVICE_NAME, state);
        return false;
    }
    SetupLog("service %s stopped", DRIVER_SERVICE_NAME);
    return true;
}

int RemoveDriverService()
{
    SC_HANDLE manager = OpenServiceManager();
    if (manager == nullptr)
        return DRIVER_SETUP_FAILED;
    SC_HANDLE service = OpenServiceA(manager, DRIVER_SERVICE_NAME, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE);
    if (service == nullptr) {
        DWORD error = GetLastError();
        CloseServiceHandle(manager);
        if (error == ERROR_SERVICE_DOES_NOT_EXIST) {
            SetupLog("no service %s left to remove", DRIVER_SERVICE_NAME);
            return 0;
        }
        SetupLog("service %s could not be opened for removal (error %lu)", DRIVER_SERVICE_NAME, error);
        return DRIVER_SETUP_FAILED;
    }
    bool ok = StopService(service);
    if (ok) {
        if (DeleteService(service)) {
            SetupLog("service %s deleted", DRIVER_SERVICE_NAME);
        } else if (GetLastError() == ERROR_SERVICE_MARKED_FOR_DELETE) {
            SetupLog("service %s was already marked for deletion", DRIVER_SERVICE_NAME);
        } else {
            SetupLog("DeleteService(%s) failed (error %lu)", DRIVER_SERVICE_NAME, GetLastError());
            ok = false;
        }
    }
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    if (!ok)
        return DRIVER_SETUP_FAILED;
    if (!WaitForDevice(false))
        SetupLog("the device %s still opens after the removal", TOUCH_DEVICE_PATH);
    return 0;
}
