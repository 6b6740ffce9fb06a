#include "installed_system.h"

#include <aclapi.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <iterator>

#include "deployment.h"
#include "driver_contract.h"
#include "install_paths.h"
#include "parameter_store.h"
#include "shortcuts.h"
#include "system_snapshot.h"
#include "test_support.h"

std::string InstallDirectoryPath()
{
    return JoinPath(WindowsDir(), InstallDirectoryName);
}

std::vector<std::string> PackageFileNames()
{
    std::vector<std::string> names;
    for (const PackageFileRow& row : PackageFileTable)
        names.emplace_back(row.NameField);
    return names;
}

std::vector<std::string> SecondTargets(bool consumer)
{
    std::vector<std::string> targets;
    for (const PackageFileRow& row : PackageFileTable) {
        const char* second = consumer ? row.ConsumerTarget : row.NtTarget;
        if (second[0] != '\0')
            targets.push_back(JoinPath(WindowsDir(), second));
    }
    return targets;
}

std::vector<std::string> OnlyOfTheOtherFamily(bool consumer)
{
    std::vector<std::string> own = SecondTargets(consumer), others;
    for (const std::string& target : SecondTargets(!consumer)) {
        bool shared = false;
        for (const std::string& mine : own)
            shared = shared || _stricmp(mine.c_str(), target.c_str()) == 0;
        if (!shared)
            others.push_back(target);
    }
    return others;
}

std::vector<std::string> StartMenuLinkNames()
{
    std::vector<std::string> names;
    for (const ShortcutRow& row : Shortcuts)
        names.emplace_back(strrchr(row.LinkFileFormat, '\\') + 1);
    return names;
}

std::string BuiltPackageDirectory()
{
    return JoinPath(TestBinDir(), "package\\QuortouchUsb");
}

bool CopyBuiltPackage(const std::string& dir, const std::string& from)
{
    std::string built = from.empty() ? BuiltPackageDirectory() : from;
    // Another release shipped the files it had, which this layout may not list.
    std::vector<std::string> names = from.empty() ? PackageFileNames() : std::vector<std::string>();
    WIN32_FIND_DATAA found;
    HANDLE search = from.empty() ? INVALID_HANDLE_VALUE : FindFirstFileA(JoinPath(from, "*").c_str(), &found);
    if (!from.empty() && search == INVALID_HANDLE_VALUE)
        return false;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.emplace_back(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    CreateDirectoryA(dir.c_str(), nullptr);
    for (const std::string& name : names)
        if (!CopyFileA(JoinPath(built, name).c_str(), JoinPath(dir, name).c_str(), FALSE))
            return false;
    return !names.empty();
}

std::string PreviousReleaseDirectory()
{
    return JoinPath(TestBinDir(), "tests\\previous-release");
}

std::map<std::string, std::string> InstalledBytes(const std::string& packageDir)
{
    auto bytes = [&](const std::string& installed, const std::string& name) {
        return ReadTextFile(packageDir.empty() ? installed : JoinPath(packageDir, name));
    };
    std::map<std::string, std::string> files;
    for (const std::string& name : PackageFileNames()) {
        std::string installed = JoinPath(InstallDirectoryPath(), name);
        files[installed] = bytes(installed, name);
    }
    for (const std::string& copy : SecondTargets(false))
        files[copy] = bytes(copy, copy.substr(copy.rfind('\\') + 1));
    return files;
}

std::string Differing(const std::map<std::string, std::string>& a, const std::map<std::string, std::string>& b)
{
    std::string paths;
    for (const auto& file : a)
        if (b.count(file.first) == 0 || b.at(file.first) != file.second)
            paths += file.first + " ";
    return paths;
}

std::string DifferingUnqueued(const std::string& packageDir)
{
    std::map<std::string, std::string> package = InstalledBytes(packageDir), installed = InstalledBytes();
    DWORD type = 0;
    std::vector<BYTE> queue;
    ReadValue(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
              "PendingFileRenameOperations", &type, &queue);
    std::string queued = Lower(std::string(queue.begin(), queue.end()));
    for (auto file = package.begin(); file != package.end();)
        file = queued.find(Lower(file->first)) != std::string::npos ? package.erase(file) : std::next(file);
    return Differing(package, installed);
}

std::string PackageText(const std::string& name, const std::string& tag)
{
    return name + " " + tag;
}

bool WritePackage(const std::string& dir, const std::string& tag)
{
    CreateDirectoryA(dir.c_str(), nullptr);
    bool written = true;
    for (const std::string& name : PackageFileNames()) {
        std::string path = JoinPath(dir, name);
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        written = WriteTextFile(path, PackageText(name, tag)) && written;
    }
    return written;
}

std::string StartMenuGroupPath()
{
    char programs[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, programs, CSIDL_COMMON_PROGRAMS, FALSE);
    return JoinPath(programs, StartMenuFolderName);
}

bool ReadShellLink(const std::string& linkFile, std::string* target, std::string* arguments,
                   std::string* workingDirectory, std::string* description)
{
    CoInitialize(nullptr);
    bool ok = false;
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            wchar_t wide[MAX_PATH];
            MultiByteToWideChar(CP_ACP, 0, linkFile.c_str(), -1, wide, MAX_PATH);
            if (SUCCEEDED(file->Load(wide, STGM_READ))) {
                char text[1024] = {};
                link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
                *target = text;
                text[0] = '\0';
                link->GetArguments(text, sizeof text);
                *arguments = text;
                text[0] = '\0';
                link->GetWorkingDirectory(text, sizeof text);
                *workingDirectory = text;
                if (description != nullptr) {
                    text[0] = '\0';
                    link->GetDescription(text, sizeof text);
                    *description = text;
                }
                ok = true;
            }
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
    return ok;
}

static bool QueryDriverService(SERVICE_STATUS* status)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr)
        return false;
    SC_HANDLE service = OpenServiceA(manager, DRIVER_SERVICE_NAME, SERVICE_QUERY_STATUS);
    bool ok = service != nullptr && QueryServiceStatus(service, status);
    if (service != nullptr)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return ok;
}

bool DriverServiceExists()
{
    SERVICE_STATUS status = {};
    return QueryDriverService(&status);
}

bool DriverServiceRunning()
{
    SERVICE_STATUS status = {};
    return QueryDriverService(&status) && status.dwCurrentState == SERVICE_RUNNING;
}

bool TouchDeviceOpens()
{
    HANDLE device = CreateFileA(TOUCH_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (device == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(device);
    return true;
}

std::string ParameterKeyObjectName()
{
    return std::string("MACHINE\\") + ParameterKey;
}

std::vector<AccessEntry> ParameterKeyEntriesFor(WELL_KNOWN_SID_TYPE account)
{
    std::vector<AccessEntry> entries;
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof sid;
    if (!CreateWellKnownSid(account, nullptr, sid, &sidSize))
        return entries;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoA(ParameterKeyObjectName().c_str(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return entries;
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace)))
            continue;
        if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE && ace->Header.AceType != ACCESS_DENIED_ACE_TYPE)
            continue;
        if (EqualSid(&ace->SidStart, sid))
            entries.push_back({ace->Header.AceType, ace->Header.AceFlags, ace->Mask});
    }
    LocalFree(descriptor);
    return entries;
}
