// A reference for the "/u" removal, not shipped: the file and registry work
// of the removal (without the setup tool) done with nothing but the
// platform's calls, on names known in advance.
//
//   bare_removal lay <package folder>   lays what an install leaves: the
//                                       files in the install directory and the
//                                       second copies in the system folders, the
//                                       uninstall entry, the parameter key's
//                                       values, the Start-menu group with its
//                                       five links, the Run value. Exit code 0,
//                                       or -1 when something could not be laid.
//   bare_removal remove                 removes all of it; the exit code is the
//                                       removal's time in microseconds.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "autostart.h"
#include "bench_support.h"
#include "bounded_format.h"
#include "deployment.h"
#include "driver_contract.h"
#include "parameter_store.h"
#include "reference_links.h"

namespace {

const char UninstallEntryKey[] = UNINSTALL_PARENT_KEY "\\" UNINSTALL_ENTRY_NAME;

struct Places {
    char Windows[MAX_PATH];
    char InstallDirectory[MAX_PATH];
    char Group[MAX_PATH];
};

bool FindPlaces(Places* places)
{
    char programs[MAX_PATH];
    if (GetWindowsDirectoryA(places->Windows, MAX_PATH) >= MAX_PATH ||
        FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, 0, programs)))
        return false;
    return FormatInto(places->InstallDirectory, "%s\\" INSTALL_FOLDER_NAME, places->Windows) &&
           FormatInto(places->Group, "%s\\%s", programs, ReferenceGroupName);
}

bool LayFiles(const Places& places, const char* package)
{
    CreateDirectoryA(places.InstallDirectory, nullptr);
    CreateDirectoryA(places.Group, nullptr);
    bool ok = true;
    char source[MAX_PATH], target[MAX_PATH];
    for (const PackageFileRow& row : PackageFileTable) {
        ok = FormatInto(source, "%s\\%s", package, row.NameField) &&
             FormatInto(target, "%s\\%s", places.InstallDirectory, row.NameField) &&
             CopyFileA(source, target, FALSE) && ok;
        if (row.NtTarget[0] != '\0')
            ok = FormatInto(target, "%s\\%s", places.Windows, row.NtTarget) && CopyFileA(source, target, FALSE) &&
                 ok;
    }
    for (const ReferenceLink& link : ReferenceLinks) {
        ok = FormatInto(target, "%s\\%s", places.Group, link.LinkName) &&
             FormatInto(source, "%s\\%s", places.InstallDirectory, link.Target) &&
             CopyFileA(source, target, FALSE) && ok;
    }
    return ok;
}

bool LayRegistry(const Places& places)
{
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, UninstallEntryKey, &key) != ERROR_SUCCESS)
        return false;
    char text[MAX_PATH];
    if (!FormatInto(text, "%s\\Install.exe /u", places.InstallDirectory)) {
        RegCloseKey(key);
        return false;
    }
    RegSetValueExA(key, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>("Quortouch"), 10);
    RegSetValueExA(key, "UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), strlen(text) + 1);
    RegCloseKey(key);
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, PARAMETER_KEY_PATH, &key) != ERROR_SUCCESS)
        return false;
    for (const DeviceParameter& parameter : DeviceParameterTable)
        RegSetValueExA(key, parameter.Name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&parameter.Default), 4);
    RegCloseKey(key);
    if (RegCreateKeyA(HKEY_CURRENT_USER, RunKey, &key) != ERROR_SUCCESS)
        return false;
    if (FormatInto(text, "%s\\%s", places.InstallDirectory, AutostartFileName))
        RegSetValueExA(key, AutostartValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), strlen(text));
    RegCloseKey(key);
    return true;
}

void RemoveRegistry()
{
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, UninstallEntryKey);
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PARAMETER_KEY_PATH, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        for (const DeviceParameter& parameter : DeviceParameterTable)
            RegDeleteValueA(key, parameter.Name);
        RegCloseKey(key);
    }
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteKeyA(key, "Parameters");
        RegDeleteKeyA(key, "Enum");
        RegDeleteKeyA(key, "Security");
        RegCloseKey(key);
    }
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, DRIVER_SERVICES_KEY, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteKeyA(key, DRIVER_SERVICE_NAME);
        RegCloseKey(key);
    }
    if (RegOpenKeyExA(HKEY_CURRENT_USER, RunKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, AutostartValueName);
        RegCloseKey(key);
    }
}

void RemoveFiles(const Places& places)
{
    char path[MAX_PATH];
    for (const PackageFileRow& row : PackageFileTable) {
        if (row.NtTarget[0] != '\0' && FormatInto(path, "%s\\%s", places.Windows, row.NtTarget))
            DeleteFileA(path);
    }
    for (const ReferenceLink& link : ReferenceLinks) {
        if (FormatInto(path, "%s\\%s", places.Group, link.LinkName))
            DeleteFileA(path);
    }
    RemoveDirectoryA(places.Group);
    for (const PackageFileRow& row : PackageFileTable) {
        if (FormatInto(path, "%s\\%s", places.InstallDirectory, row.NameField))
            DeleteFileA(path);
    }
    RemoveDirectoryA(places.InstallDirectory);
}

}  // namespace

int main(int argc, char** argv)
{
    Places places;
    if (argc == 3 && strcmp(argv[1], "lay") == 0)
        return FindPlaces(&places) && LayFiles(places, argv[2]) && LayRegistry(places) ? 0 : -1;
    if (argc == 2 && strcmp(argv[1], "remove") == 0) {
        double start = 1000.0 * NowMs();
        if (!FindPlaces(&places))
            return -1;
        RemoveRegistry();
        RemoveFiles(places);
        return static_cast<int>(1000.0 * NowMs() - start);
    }
    fprintf(stderr, "usage: bare_removal lay <package folder> | remove\n");
    return 64;
}
