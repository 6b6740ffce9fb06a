// Snapshots of the file tree and the registry.
#include "system_snapshot.h"

#include <windows.h>

#include <fstream>
#include <vector>

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

void ListFiles(const std::string& dir, std::set<std::string>* out, int depth = 0)
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
            out->insert("dir " + lower);
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                ListFiles(path, out, depth + 1);
        } else {
            out->insert("file " + lower);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
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

void ListKeys(HKEY root, const std::string& rootName, const std::string& path, std::set<std::string>* out,
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
    out->insert("key " + name);
    for (DWORD i = 0;; ++i) {
        char valueName[16384];
        DWORD nameSize = sizeof valueName;
        BYTE data[2048];
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        LONG status = RegEnumValueA(key, i, valueName, &nameSize, nullptr, &type, data, &dataSize);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        std::string line = "value " + name + "\\" + Lower(valueName);
        if (IsVolatileKey(Lower(line)))
            continue;
        out->insert(line);
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
        ListKeys(root, rootName, path.empty() ? subkey : path + "\\" + subkey, out, depth + 1);
}

}  // namespace

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

std::set<std::string> TakeSnapshot()
{
    std::set<std::string> snapshot;
    ListFiles("C:", &snapshot);
    ListKeys(HKEY_LOCAL_MACHINE, "hklm", "Software", &snapshot);
    ListKeys(HKEY_LOCAL_MACHINE, "hklm", "System\\CurrentControlSet", &snapshot);
    ListKeys(HKEY_LOCAL_MACHINE, "hklm", "Control Panel", &snapshot);
    ListKeys(HKEY_CURRENT_USER, "hkcu", "Software", &snapshot);
    ListKeys(HKEY_CURRENT_USER, "hkcu", "Control Panel", &snapshot);
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


std::string SnapshotDifference(const std::set<std::string>& before, const std::set<std::string>& after)
{
    std::string text;
    for (const std::string& line : after)
        if (!before.count(line))
            text += "+ " + line + "\n";
    for (const std::string& line : before)
        if (!after.count(line))
            text += "- " + line + "\n";
    return text;
}
