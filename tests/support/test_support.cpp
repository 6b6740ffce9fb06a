#include "test_support.h"

#include <sddl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "autostart.h"
#include "debug_trace.h"
#include "system_snapshot.h"

std::string WinePathFromUnix(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    while (path.size() > 3 && path.back() == '\\')
        path.pop_back();
    return path;
}

static std::string EnvPath(const char* name, const char* fallback)
{
    const char* value = getenv(name);
    if (value == nullptr || *value == '\0')
        return fallback;
    return value[0] == '/' ? WinePathFromUnix(value) : std::string(value);
}

std::string TestBinDir()
{
    return EnvPath("TEST_BIN_DIR", ".");
}

std::string ArtifactsDir()
{
    std::string dir = EnvPath("TEST_ARTIFACTS_DIR", "artifacts");
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

std::string SelfPath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::string WindowsDir()
{
    char path[MAX_PATH] = {};
    GetWindowsDirectoryA(path, MAX_PATH);
    return path;
}

std::string JoinPath(const std::string& a, const std::string& b)
{
    if (!a.empty() && a.back() == '\\')
        return a + b;
    return a + "\\" + b;
}

bool FileExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool WriteTextFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

std::string ReadTextFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

HANDLE HoldOpen(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

StartedProcess::~StartedProcess()
{
    if (process_ != nullptr) {
        if (Running())
            TerminateProcess(process_, static_cast<UINT>(-999));
        CloseHandle(process_);
    }
}

bool StartedProcess::Start(const std::string& commandLine, const char* directory, const char* application)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(application, line.data(), nullptr, nullptr, FALSE, 0, nullptr, directory, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    if (process_ != nullptr)
        CloseHandle(process_);
    process_ = process.hProcess;
    id_ = process.dwProcessId;
    return true;
}

void StartedProcess::Adopt(HANDLE process, DWORD id)
{
    if (process_ != nullptr)
        CloseHandle(process_);
    process_ = process;
    id_ = id;
}

HANDLE StartedProcess::Release()
{
    HANDLE process = process_;
    process_ = nullptr;
    return process;
}

bool StartedProcess::Running() const
{
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

int StartedProcess::Wait(DWORD timeoutMs)
{
    if (process_ == nullptr)
        return -999;
    DWORD code = static_cast<DWORD>(-999);
    if (WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process_, &code);
    } else {
        TerminateProcess(process_, static_cast<UINT>(-999));
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
    process_ = nullptr;
    return static_cast<int>(code);
}

int RunProcess(const std::string& commandLine, DWORD timeoutMs, const char* directory)
{
    StartedProcess process;
    if (!process.Start(commandLine, directory))
        return -999;
    return process.Wait(timeoutMs);
}

static std::map<std::string, ChildAction>& ChildActions()
{
    static std::map<std::string, ChildAction> actions;
    return actions;
}

bool RegisterChildAction(const char* name, ChildAction action)
{
    ChildActions()[name] = action;
    return true;
}

std::string ChildCommandLine(const char* name, const std::string& argument, const std::string& program)
{
    std::string line = "\"" + (program.empty() ? SelfPath() : program) + "\" --child " + name;
    if (!argument.empty())
        line += " \"" + argument + "\"";
    return line;
}

int RunChild(const char* name, const std::string& argument, DWORD timeoutMs)
{
    return RunProcess(ChildCommandLine(name, argument), timeoutMs);
}

// Called from main() before GoogleTest sees the command line.
bool RunChildActionIfAsked(int argc, char** argv, int* exitCode)
{
    if (argc < 3 || strcmp(argv[1], "--child") != 0)
        return false;
    auto found = ChildActions().find(argv[2]);
    *exitCode = found == ChildActions().end() ? 97 : found->second(argc > 3 ? argv[3] : "");
    return true;
}

const char PlantedDllMarker[] = "C:\\PlantedDllLoaded.txt";

std::string PlantedSetupapiPath()
{
    return JoinPath(TestBinDir(), "tests\\planted\\Setupapi.dll");
}

void PreferDllsBesideThePrograms(const char* dllName)
{
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", &key) != ERROR_SUCCESS)
        return;
    static const char nativeFirst[] = "native,builtin";
    RegSetValueExA(key, dllName, 0, REG_SZ, reinterpret_cast<const BYTE*>(nativeFirst), sizeof nativeFirst);
    RegCloseKey(key);
}

bool KeyExists(HKEY root, const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool ReadValue(HKEY root, const char* path, const char* name, DWORD* type, std::vector<BYTE>* data)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        data->assign(size, 0);
        status = RegQueryValueExA(key, name, nullptr, type, data->data(), &size);
        data->resize(size);
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool ReadDword(HKEY root, const char* path, const char* name, DWORD* value)
{
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadValue(root, path, name, &type, &data) || data.size() != 4)
        return false;
    memcpy(value, data.data(), 4);
    return true;
}

bool WriteDword(HKEY root, const char* path, const char* name, DWORD value)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG status = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool ReadString(HKEY root, const char* path, const char* name, std::string* text, DWORD* size)
{
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadValue(root, path, name, &type, &data))
        return false;
    if (size != nullptr)
        *size = static_cast<DWORD>(data.size());
    text->assign(reinterpret_cast<const char*>(data.data()), data.size());
    while (!text->empty() && text->back() == '\0')
        text->pop_back();
    return true;
}

bool WriteString(HKEY root, const char* path, const char* name, const std::string& text)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

bool ValuePresent(HKEY root, const char* path, const char* name)
{
    DWORD type = 0;
    std::vector<BYTE> data;
    return ReadValue(root, path, name, &type, &data);
}

bool AutostartValuePresent()
{
    return ValuePresent(HKEY_CURRENT_USER, RunKey, AutostartValueName);
}

const char RunOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

bool RunOnceValuePresent()
{
    return ValuePresent(HKEY_CURRENT_USER, RunOnceKey, "Vessatouch");
}

bool WriteRunOnceValue()
{
    return WriteString(HKEY_CURRENT_USER, RunOnceKey, "Vessatouch", "C:\\windows\\Vessatouch.exe");
}

void DeleteTree(HKEY root, const char* path)
{
    RegDeleteTreeA(root, path);
    RegDeleteKeyA(root, path);
}

namespace {

// The queue's strings, read through the ANSI interface (a list of 8-bit
// strings), each without "\\??\\" (and the "!" before it) and lower-cased;
// source and destination alternate.
std::vector<std::string> QueueStrings()
{
    DWORD type = 0;
    std::vector<BYTE> data;
    std::vector<std::string> strings;
    if (!ReadValue(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                   "PendingFileRenameOperations", &type, &data))
        return strings;
    data.push_back(0);
    data.push_back(0);
    const char* p = reinterpret_cast<const char*>(data.data());
    const char* end = p + data.size();
    while (p < end && *p) {
        for (int side = 0; side < 2 && p < end; ++side) {
            std::string text(p);
            p += text.size() + 1;
            std::string bare = text.rfind("!", 0) == 0 ? text.substr(1) : text;
            strings.push_back(Lower(bare.rfind("\\??\\", 0) == 0 ? bare.substr(4) : bare));
        }
    }
    return strings;
}

}  // namespace

std::vector<std::string> PendingDeletions()
{
    std::vector<std::string> strings = QueueStrings(), result;
    for (size_t i = 0; i + 1 < strings.size(); i += 2)
        if (strings[i + 1].empty())
            result.push_back(strings[i]);
    return result;
}

bool PendingDeletion(const std::string& path)
{
    std::vector<std::string> deletions = PendingDeletions();
    return std::find(deletions.begin(), deletions.end(), Lower(path)) != deletions.end();
}

bool QueueNames(const std::string& path)
{
    std::vector<std::string> strings = QueueStrings();
    return std::find(strings.begin(), strings.end(), Lower(path)) != strings.end();
}

bool SetKeyDacl(HKEY root, const char* path, const char* sddl)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    HKEY key = nullptr;
    bool ok = RegOpenKeyExA(root, path, 0, WRITE_DAC, &key) == ERROR_SUCCESS;
    if (ok) {
        ok = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    LocalFree(descriptor);
    return ok;
}

void SetWineWindowsVersion(const char* version)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    if (version == nullptr || *version == '\0')
        RegDeleteValueA(key, "Version");
    else
        RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                       static_cast<DWORD>(strlen(version) + 1));
    RegCloseKey(key);
}

static std::vector<std::string> CapturedLines;

static void CaptureTrace(const char* text)
{
    CapturedLines.emplace_back(text);
}

TraceCapture::TraceCapture()
{
    CapturedLines.clear();
    SetDebugTraceSink(CaptureTrace);
}

TraceCapture::~TraceCapture()
{
    SetDebugTraceSink(nullptr);
}

const std::vector<std::string>& TraceCapture::Lines() const
{
    return CapturedLines;
}

bool TraceCapture::Contains(const std::string& text) const
{
    for (const std::string& line : CapturedLines)
        if (line == text)
            return true;
    return false;
}

void TraceCapture::Clear()
{
    CapturedLines.clear();
}
