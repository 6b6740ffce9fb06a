// Snapshots of the file tree and the registry.
#include "system_snapshot.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <vector>

#include "driver_contract.h"
#include "installed_system.h"
#include "test_support.h"

namespace {

const char SnapshotDirectory[] = "C:\\lifecycle";

// Places that change by themselves at every start of a prefix or program.
bool IsVolatilePath(const std::string& lowerPath)
{
    static const char* const volatiles[] = {
        "c:\\lifecycle",  "c:\\windows\\temp", "\\appdata\\local\\temp", "c:\\users\\public\\temp",
        "c:\\windows\\logs",
    };
    for (const char* v : volatiles)
        if (lowerPath.find(v) != std::string::npos)
            return true;
    // The user's document folders are links into the Linux home directory.
    if (lowerPath.rfind("c:\\users\\", 0) == 0) {
        std::string last = lowerPath.substr(lowerPath.rfind('\\') + 1);
        for (const char* linked : {"desktop", "documents", "downloads", "music", "pictures", "videos", "templates"})
            if (last == linked)
                return true;
    }
    return false;
}

bool IsVolatileKey(const std::string& lowerKey)
{
    static const char* const volatiles[] = {
        "session manager\\pendingfilerenameoperations",
        "\\software\\wine\\",  // Wine's own bookkeeping (drive, font and version caches)
        // Class registrations and the 32-bit view: large, and links among
        // them lead in circles; nothing of the package lives there.
        "\\software\\classes\\", "\\software\\wow6432node\\",
        "\\currentcontrolset\\control\\deviceclasses",
        "\\currentcontrolset\\enum\\root\\legacy_",
        "hklm\\software\\microsoft\\windows nt\\currentversion\\perflib",
        "\\currentcontrolset\\services\\eventlog",
        "\\currentcontrolset\\control\\video\\",  // one entry per X display, new at each start
        // The current hardware profile's copy of those display settings,
        // made by Wine's display driver a moment after a prefix starts.
        "\\hardware profiles\\current\\",
        "\\currentcontrolset\\control\\servicecurrent\\",  // counts the service starts
        // The display and monitor classes: Wine's display driver writes them
        // anew at each start of the desktop.
        "\\control\\class\\{4d36e968-e325-11ce-bfc1-08002be10318}",
        "\\control\\class\\{4d36e96e-e325-11ce-bfc1-08002be10318}",
    };
    for (const char* v : volatiles)
        if (lowerKey.find(v) != std::string::npos)
            return true;
    return false;
}

// Each found item with a detail, or "" when only presence counts.
using Visitor = std::function<void(const std::string& item, const std::string& detail)>;

void ListFiles(const std::string& dir, bool detailed, const Visitor& visit, int depth = 0)
{
    if (depth > 24)
        return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string path = dir + "\\" + name;
        std::string lower = Lower(path);
        if (IsVolatilePath(lower))
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            visit("dir " + lower, "");
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                ListFiles(path, detailed, visit, depth + 1);
        } else {
            char detail[96] = "";
            if (detailed)
                snprintf(detail, sizeof detail, "size %lu time %08lx%08lx", found.nFileSizeLow,
                         found.ftLastWriteTime.dwHighDateTime, found.ftLastWriteTime.dwLowDateTime);
            visit("file " + lower, detail);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

unsigned Fnv1a(const BYTE* data, size_t size)
{
    unsigned hash = 2166136261u;
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 16777619u;
    return hash;
}

std::string ValueDetail(DWORD type, const std::vector<BYTE>& data)
{
    char text[64];
    snprintf(text, sizeof text, "type %lu size %zu", type, data.size());
    std::string detail = text;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        std::string text(data.begin(), data.end());
        while (!text.empty() && text.back() == '\0')
            text.pop_back();
        for (char& c : text)
            if (c == '\n' || c == '\r' || c == '\t' || c == '\0')
                c = ' ';
        detail += " \"" + text + "\"";
    } else if (data.size() <= 32) {
        detail += " data";
        for (BYTE b : data) {
            snprintf(text, sizeof text, " %02x", b);
            detail += text;
        }
    } else {
        snprintf(text, sizeof text, " fnv %08x", Fnv1a(data.data(), data.size()));
        detail += text;
    }
    return detail;
}

std::string KeyDacl(HKEY key)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS)
        return "dacl ?";
    char* sddl = nullptr;
    std::string detail = "dacl ?";
    if (ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                             &sddl, nullptr)) {
        detail = std::string("dacl ") + sddl;
        LocalFree(sddl);
    }
    LocalFree(descriptor);
    return detail;
}

void ListKeys(HKEY root, const std::string& rootName, const std::string& path, bool detailed, const Visitor& visit,
              int depth = 0)
{
    if (depth > 16)
        return;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    std::string name = Lower(rootName + "\\" + path);
    if (IsVolatileKey(name + "\\")) {
        RegCloseKey(key);
        return;
    }
    visit("key " + name, detailed ? KeyDacl(key) : "");
    for (DWORD i = 0;; ++i) {
        char valueName[16384];
        DWORD nameSize = sizeof valueName;
        DWORD type = 0;
        DWORD dataSize = 0;
        LONG status = RegEnumValueA(key, i, valueName, &nameSize, nullptr, &type, nullptr, &dataSize);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS)
            continue;
        std::string line = "value " + name + "\\" + Lower(valueName);
        if (IsVolatileKey(Lower(line)))
            continue;
        std::string detail;
        if (detailed) {
            std::vector<BYTE> data(dataSize);
            DWORD size = dataSize;
            if (RegQueryValueExA(key, valueName, nullptr, &type, data.data(), &size) == ERROR_SUCCESS)
                data.resize(size);
            detail = ValueDetail(type, data);
        }
        visit(line, detail);
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; ++i) {
        char subkey[1024];
        DWORD size = sizeof subkey;
        if (RegEnumKeyExA(key, i, subkey, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        subkeys.push_back(subkey);
    }
    RegCloseKey(key);
    for (const std::string& subkey : subkeys)
        ListKeys(root, rootName, path.empty() ? subkey : path + "\\" + subkey, detailed, visit, depth + 1);
}

void Walk(bool detailed, const Visitor& visit)
{
    ListFiles("C:", detailed, visit);
    ListKeys(HKEY_LOCAL_MACHINE, "hklm", "Software", detailed, visit);
    ListKeys(HKEY_LOCAL_MACHINE, "hklm", "System\\CurrentControlSet", detailed, visit);
    ListKeys(HKEY_LOCAL_MACHINE, "hklm", "Control Panel", detailed, visit);
    ListKeys(HKEY_CURRENT_USER, "hkcu", "Software", detailed, visit);
    ListKeys(HKEY_CURRENT_USER, "hkcu", "Control Panel", detailed, visit);
}

// A file's content as it is now: size and hash, or a shell link's fields.
std::string FileContentDetail(const std::string& path)
{
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".lnk") == 0) {
        std::string target, arguments, directory, description;
        if (ReadShellLink(path, &target, &arguments, &directory, &description))
            return "link target \"" + Lower(target) + "\" arguments \"" + arguments + "\" description \"" +
                   description + "\" directory \"" + Lower(directory) + "\"";
    }
    std::string content = ReadTextFile(path);
    char text[64];
    snprintf(text, sizeof text, "size %zu fnv %08x", content.size(),
             Fnv1a(reinterpret_cast<const BYTE*>(content.data()), content.size()));
    return text;
}

}  // namespace

std::string KeyAccessList(HKEY root, const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, READ_CONTROL, &key) != ERROR_SUCCESS)
        return "(no key)";
    std::string sddl = KeyDacl(key);
    RegCloseKey(key);
    return sddl;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

std::set<std::string> TakeSnapshot()
{
    std::set<std::string> snapshot;
    Walk(false, [&](const std::string& item, const std::string&) { snapshot.insert(item); });
    return snapshot;
}

void SaveSnapshot(const std::set<std::string>& snapshot, const std::string& name)
{
    CreateDirectoryA(SnapshotDirectory, nullptr);
    std::ofstream out(JoinPath(SnapshotDirectory, name), std::ios::trunc);
    for (const std::string& line : snapshot)
        out << line << "\n";
}

std::set<std::string> LoadSnapshot(const std::string& name)
{
    std::set<std::string> snapshot;
    std::ifstream in(JoinPath(SnapshotDirectory, name));
    std::string line;
    while (std::getline(in, line))
        snapshot.insert(line);
    return snapshot;
}

const std::set<std::string> RemovalLeftovers = {
    "key hklm\\control panel",
    "key hklm\\control panel\\mouse",
    "value hklm\\control panel\\mouse\\doubleclickheight",
    "value hklm\\control panel\\mouse\\doubleclickwidth",
    "value hklm\\control panel\\mouse\\doubleclickspeed",
    "file c:\\windows\\quorusb.log",
};

const char SetupLogItem[] = "file c:\\windows\\quortouchsetup.log";

std::string SnapshotDifference(const std::set<std::string>& before, const std::set<std::string>& after,
                               const std::set<std::string>& mayBeAdded)
{
    std::string text;
    for (const std::string& line : after)
        if (!before.count(line) && !mayBeAdded.count(line))
            text += "+ " + line + "\n";
    for (const std::string& line : before)
        if (!after.count(line))
            text += "- " + line + "\n";
    return text;
}

DetailedSnapshot TakeDetailedSnapshot()
{
    DetailedSnapshot snapshot;
    Walk(true, [&](const std::string& item, const std::string& detail) { snapshot[item] = detail; });
    if (DriverServiceExists())
        snapshot["service " + Lower(DRIVER_SERVICE_NAME)] = DriverServiceRunning() ? "running" : "not running";
    if (TouchDeviceOpens())
        snapshot["device " + Lower(TOUCH_DEVICE_PATH)] = "opens";
    return snapshot;
}

DetailedSnapshot SnapshotChanges(const DetailedSnapshot& before, const DetailedSnapshot& after)
{
    DetailedSnapshot changes;
    for (const auto& [item, detail] : after) {
        auto earlier = before.find(item);
        if (earlier != before.end() && earlier->second == detail)
            continue;
        bool isFile = item.rfind("file ", 0) == 0;
        changes[item] = isFile ? FileContentDetail(item.substr(5)) : detail;
    }
    for (const auto& [item, detail] : before)
        if (after.find(item) == after.end())
            changes[item] = "(gone)";
    return changes;
}

void SaveDetailedSnapshot(const DetailedSnapshot& snapshot, const std::string& path)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const auto& [item, detail] : snapshot)
        out << item << "\t" << detail << "\n";
}

DetailedSnapshot LoadDetailedSnapshot(const std::string& path)
{
    DetailedSnapshot snapshot;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        size_t tab = line.find('\t');
        if (tab != std::string::npos)
            snapshot[line.substr(0, tab)] = line.substr(tab + 1);
    }
    return snapshot;
}
