// Helpers shared by the test programs, which run under Wine in a prefix of
// their own (tools/wine-run).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// --- paths ---------------------------------------------------------------
// A Linux path as Wine programs see it ("Z:\...").
std::string WinePathFromUnix(const std::string& unixPath);
// The build tree (TEST_BIN_DIR) and the artifacts folder (TEST_ARTIFACTS_DIR,
// created on first use), as Windows paths.
std::string TestBinDir();
std::string ArtifactsDir();
// The running test program.
std::string SelfPath();
std::string WindowsDir();
std::string JoinPath(const std::string& a, const std::string& b);
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
bool WriteTextFile(const std::string& path, const std::string& text);
std::string ReadTextFile(const std::string& path);
// Opens a file the way a viewer holds it (reading, shared for reading only):
// while held nobody writes, renames or deletes it. INVALID_HANDLE_VALUE when
// it can't be opened.
HANDLE HoldOpen(const std::string& path);

// --- processes -------------------------------------------------------------
// Runs a command line and waits (timeoutMs); returns the exit code, or -999
// when it could not be started or timed out (the process is then killed).
int RunProcess(const std::string& commandLine, DWORD timeoutMs = 60000, const char* directory = nullptr);

// A program started without waiting for it. When the object goes, a program
// still running is ended and the handle closed.
class StartedProcess {
public:
    StartedProcess() = default;
    StartedProcess(const StartedProcess&) = delete;
    StartedProcess& operator=(const StartedProcess&) = delete;
    ~StartedProcess();
    // application may be null (the command line names the program); directory
    // null is ours.
    bool Start(const std::string& commandLine, const char* directory = nullptr, const char* application = nullptr);
    HANDLE Handle() const { return process_; }
    DWORD Id() const { return id_; }
    bool Running() const;
    // Hands the process handle over to the caller, who closes it.
    HANDLE Release();
    // Takes over a process started otherwise (a restricted token, ...).
    void Adopt(HANDLE process, DWORD id);
    // The exit code once the program has ended; -999 when it is still running
    // after timeoutMs (it is then ended). The handle is closed either way; the
    // object may start another program.
    int Wait(DWORD timeoutMs = 10000);

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// Child actions: a test program runs one of its own registered functions in a
// new process ("<self> --child NAME [ARG]"), for work that must happen in a
// process of its own (a different Windows version, a process that holds a
// file open, ...). The function's result is the exit code.
using ChildAction = int (*)(const char* argument);
bool RegisterChildAction(const char* name, ChildAction action);
#define TEST_CHILD_ACTION(name)                                             \
    static int name(const char* argument);                                  \
    static const bool name##_registered = RegisterChildAction(#name, name); \
    static int name(const char* argument)
int RunChild(const char* name, const std::string& argument = "", DWORD timeoutMs = 60000);
// The command line of a child action, of this program unless another is named.
std::string ChildCommandLine(const char* name, const std::string& argument = "", const std::string& program = "");

// --- a planted DLL ---------------------------------------------------------
// A "Setupapi.dll" to put beside a program (built in the build tree): every
// process that loads it appends its own path to PlantedDllMarker.
std::string PlantedSetupapiPath();
extern const char PlantedDllMarker[];
// Programs started afterwards in this prefix prefer a Setupapi.dll (or the
// DLL named) found beside them to Wine's own, as Windows would: without this
// Wine quietly loads its built-in one and the plant proves nothing.
void PreferDllsBesideThePrograms(const char* dllName = "setupapi");

// --- registry --------------------------------------------------------------
bool KeyExists(HKEY root, const char* path);
bool ReadValue(HKEY root, const char* path, const char* name, DWORD* type, std::vector<BYTE>* data);
// A REG_DWORD-sized value as a word; false when missing.
bool ReadDword(HKEY root, const char* path, const char* name, DWORD* value);
bool WriteDword(HKEY root, const char* path, const char* name, DWORD value);
bool ReadString(HKEY root, const char* path, const char* name, std::string* text, DWORD* size = nullptr);
// A REG_SZ value with its terminating zero; the key is created when missing.
bool WriteString(HKEY root, const char* path, const char* name, const std::string& text);
bool ValuePresent(HKEY root, const char* path, const char* name);
// The calibration tool's value under the user's Run key, and the RunOnce
// value "Vessatouch" that the tool deletes at start.
bool AutostartValuePresent();
extern const char RunOnceKey[];
bool RunOnceValuePresent();
bool WriteRunOnceValue();
void DeleteTree(HKEY root, const char* path);
// The restart queue's deletions (pairs of PendingFileRenameOperations whose
// new name is empty), each path without "\\??\\" and lower-cased, in queue
// order; and whether the path (any letter case) is one of them.
std::vector<std::string> PendingDeletions();
bool PendingDeletion(const std::string& path);
// Whether any pair of the restart queue names the path (any letter case) as
// its source or its destination.
bool QueueNames(const std::string& path);
// Replaces a key's DACL with the one of an SDDL string such as
// "D:(A;;KR;;;WD)" (everyone may read only). The key must exist.
bool SetKeyDacl(HKEY root, const char* path, const char* sddl);
// The Windows version that Wine reports to processes started afterwards
// ("vista", "win7", ...; empty restores the default).
void SetWineWindowsVersion(const char* version);

// --- DebugTrace capture ----------------------------------------------------
// Collects every DebugTrace message while it lives.
class TraceCapture {
public:
    TraceCapture();
    ~TraceCapture();
    const std::vector<std::string>& Lines() const;
    bool Contains(const std::string& text) const;
    void Clear();
};
