// Driver registration against the stand-in driver-setup tool QuorUsb.exe,
// which logs the command line and working directory it received to
// %WINDIR%\QuorUsb.log and, with QUORUSB_FORCE_EXIT set, ends at once
// with that exit code.
#include <gtest/gtest.h>

#include <aclapi.h>

#include <cstdlib>
#include <cstring>

#include "block_test_support.h"
#include "deployment.h"
#include "driver_registration.h"
#include "install_paths.h"
#include "os_class.h"
#include "package_version.h"
#include "parameter_store.h"
#include "test_support.h"
#include "touchsim.h"
#include "uninstall_entry.h"

namespace {

const char ServiceKey[] = DRIVER_SERVICE_KEY;
const char ControlPanelKey[] = "Control Panel";
const char ClassKeyRoot[] = "System\\CurrentControlSet\\Services\\Class";
constexpr DWORD SentinelError = 0x2A;  // a last-error code none of the calls leaves

std::string InstancePath(int n)
{
    return std::string("Enum\\USB\\VID_") + UsbVendorId + "&PID_0001\\INST_" + std::to_string(n);
}

std::string ToolLogPath()
{
    return JoinPath(WindowsDir(), "QuorUsb.log");
}

// A copy of the stand-in tool, .inf and driver in a directory of the test's
// own, and a fresh tool log, so that the log holds this test's run only.
std::string ToolDirectory(const std::string& name)
{
    std::string dir = "C:\\tool-" + name;
    EXPECT_TRUE(TouchSimCopyStandIns(TouchSimStandInDirectory(TestBinDir()), dir));
    ForceDelete(ToolLogPath());
    return dir;
}

std::string ToolLog()
{
    return ReadTextFile(ToolLogPath());
}

// The tool's exit code while it lives (inherited through the environment).
class ForcedToolExit {
public:
    explicit ForcedToolExit(int code) { SetEnvironmentVariableA("QUORUSB_FORCE_EXIT", std::to_string(code).c_str()); }
    ~ForcedToolExit() { SetEnvironmentVariableA("QUORUSB_FORCE_EXIT", nullptr); }
};

// E of the trace line "Process "<dir>" return<OsClass>(<exit>:0x<E>)".
bool TracedProcessLine(const TraceCapture& trace, const std::string& dir, int osClass, int exitCode, DWORD* error)
{
    std::string head = "Process \"" + dir + "\" return" + std::to_string(osClass) + "(" + std::to_string(exitCode) + ":0x";
    for (const std::string& line : trace.Lines()) {
        if (line.rfind(head, 0) == 0 && line.size() == head.size() + 8 + 2 && line.substr(line.size() - 2) == ")\n") {
            *error = strtoul(line.substr(head.size(), 8).c_str(), nullptr, 16);
            return true;
        }
    }
    return false;
}

// The key security step left a full-access entry for Users on the key.
bool UsersHaveFullAccess()
{
    for (const AccessEntry& entry : ParameterKeyEntriesFor(WinBuiltinUsersSid))
        if (entry.Type == ACCESS_ALLOWED_ACE_TYPE && entry.Mask == KEY_ALL_ACCESS)
            return true;
    return false;
}

bool CreateKeyWithString(const std::string& path, const char* name, const char* text)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG status = ERROR_SUCCESS;
    if (name != nullptr)
        status = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                static_cast<DWORD>(strlen(text) + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

class DriverRegistration : public testing::Test {
protected:
    void SetUp() override
    {
        ComputeInstallPaths();
        OsClass = 10;
        RemoveEntries();
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("QUORUSB_FORCE_EXIT", nullptr);
        RemoveEntries();
        OsClass = 10;
        ComputeInstallPaths();
    }
    static void RemoveEntries()
    {
        SetKeyDacl(HKEY_LOCAL_MACHINE, UninstallKey, "D:(A;OICI;KA;;;WD)");
        DeleteTree(HKEY_LOCAL_MACHINE, UninstallKey);
        SetKeyDacl(HKEY_LOCAL_MACHINE, ParameterKey, "D:(A;OICI;KA;;;WD)");
        DeleteTree(HKEY_LOCAL_MACHINE, ParameterKey);
        DeleteTree(HKEY_LOCAL_MACHINE, ControlPanelKey);
        DeleteTree(HKEY_LOCAL_MACHINE, "Enum");
        DeleteTree(HKEY_LOCAL_MACHINE, ClassKeyRoot);
    }

    static void ExpectUninstallEntry()
    {
        std::string text;
        DWORD size = 0;
        ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, UninstallKey, "DisplayName", &text, &size));
        EXPECT_EQ("Quortouch USB Touchscreen Driver", text);
        EXPECT_EQ(text.size() + 1, size);
        ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, UninstallKey, "UninstallString", &text, &size));
        EXPECT_EQ(WindowsDir() + "\\QuortouchUSB\\Install.exe /u", text);
        EXPECT_EQ(text.size() + 1, size);
    }
    static void ExpectDefaults()
    {
        for (const DeviceParameter& entry : DeviceParameterTable) {
            DWORD value = 0xDEAD;
            EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, entry.Name, &value)) << entry.Name;
            EXPECT_EQ(entry.Default, value) << entry.Name;
        }
    }
    // The values are handed over with the sizes 2, 2 and 3, without their
    // terminator; the registry (as on Windows) keeps the zero that follows
    // the text in memory, so the stored size may be one more.
    static void ExpectMouseValues()
    {
        const struct {
            const char* Name;
            const char* Text;
        } expected[] = {{"DoubleClickHeight", "25"}, {"DoubleClickWidth", "25"}, {"DoubleClickSpeed", "100"}};
        for (const auto& value : expected) {
            std::string text;
            DWORD size = 0;
            ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, MouseKey, value.Name, &text, &size)) << value.Name;
            EXPECT_EQ(value.Text, text) << value.Name;
            EXPECT_GE(size, strlen(value.Text)) << value.Name;
            EXPECT_LE(size, strlen(value.Text) + 1) << value.Name;
        }
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Control Panel\\Mouse\\DoubleClickSpeed"));
    }
    static bool AnyParameterWritten()
    {
        DWORD value = 0;
        return ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, "SwapXY", &value);
    }
};

TEST_F(DriverRegistration, EntriesHoldTheUninstallEntryTheDefaultsAndTheMouseValues)
{
    // A calibration stored earlier goes back to the defaults.
    WriteDword(HKEY_LOCAL_MACHINE, ParameterKey, "Calibration4Pt", 1);
    WriteDword(HKEY_LOCAL_MACHINE, ParameterKey, "ScreenWidth", 1024);
    // So do the details of an older package's entry.
    WriteDword(HKEY_LOCAL_MACHINE, UninstallKey, "NoRepair", 0);
    CreateKeyWithString(UninstallKey, "DisplayVersion", "0.9");
    EXPECT_EQ(0, WriteDriverEntries());
    ExpectUninstallEntry();
    std::string version;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, UninstallKey, "DisplayVersion", &version));
    EXPECT_EQ(PACKAGE_VERSION_TEXT, version);
    DWORD noRepair = 0;
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, UninstallKey, "NoRepair", &noRepair));
    EXPECT_EQ(1u, noRepair);
    ExpectDefaults();
    ExpectMouseValues();
}

TEST_F(DriverRegistration, ParameterKeyNeitherOpenableNorCreatableLeavesTheMouseValuesOut)
{
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, ParameterKey, "SwapXY", 7));
    ASSERT_TRUE(SetKeyDacl(HKEY_LOCAL_MACHINE, ParameterKey, "D:(A;;KR;;;WD)"));
    EXPECT_EQ(-3, WriteDriverEntries());
    ExpectUninstallEntry();
    DWORD value = 0;
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, "SwapXY", &value));
    EXPECT_EQ(7u, value);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, MouseKey));
}

TEST_F(DriverRegistration, MouseKeyNotCreatableKeepsTheDefaults)
{
    // No lasting key can be made under a volatile one.
    HKEY volatileKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, ControlPanelKey, 0, nullptr, REG_OPTION_VOLATILE,
                                             KEY_ALL_ACCESS, nullptr, &volatileKey, nullptr));
    RegCloseKey(volatileKey);
    HKEY probe = nullptr;
    ASSERT_NE(ERROR_SUCCESS, RegCreateKeyA(HKEY_LOCAL_MACHINE, MouseKey, &probe));

    EXPECT_EQ(0, WriteDriverEntries());
    ExpectUninstallEntry();
    ExpectDefaults();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, MouseKey));
}

TEST_F(DriverRegistration, UninstallKeyNeitherOpenableNorCreatableWritesNothingButStillRunsTheTool)
{
    ASSERT_TRUE(CreateKeyWithString(UninstallKey, nullptr, nullptr));
    ASSERT_TRUE(SetKeyDacl(HKEY_LOCAL_MACHINE, UninstallKey, "D:(A;;KR;;;WD)"));
    EXPECT_EQ(-3, WriteDriverEntries());

    std::string dir = ToolDirectory("nouninstall");
    strcpy(ModuleDirectory, dir.c_str());
    OsClass = 7;
    ForcedToolExit exit(0);
    EXPECT_EQ(0, RegisterDriver());
    EXPECT_NE(std::string::npos, ToolLog().find("command line:"));
    std::string text;
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, UninstallKey, "DisplayName", &text));
    EXPECT_FALSE(AnyParameterWritten());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, MouseKey));
}

TEST_F(DriverRegistration, ToolRunsHiddenWithTheCommandLineInTheModuleDirectory)
{
    std::string dir = ToolDirectory("exit1");
    strcpy(ModuleDirectory, dir.c_str());
    OsClass = 7;
    ForcedToolExit exit(1);
    TraceCapture trace;
    SetLastError(SentinelError);
    EXPECT_EQ(0, RegisterDriver());
    DWORD after = GetLastError();

    std::string log = ToolLog();
    std::string commandLine = "command line: \"" + dir + "\\QuorUsb.exe\" \"" + dir + "\\QuorUsb.inf\" 7 setup\r\n";
    EXPECT_NE(std::string::npos, log.find(commandLine)) << log;
    EXPECT_NE(std::string::npos, log.find("working directory: " + dir + "\r\n")) << log;
    // Exit code 1 is success and the last-error code is not set: it stays as
    // the run left it (the trace's output call may change it, so it is not
    // necessarily E), and is not cleared as after exit code 0.
    DWORD traced = 0;
    ASSERT_TRUE(TracedProcessLine(trace, dir, 7, 1, &traced)) << (trace.Lines().empty() ? "" : trace.Lines()[0]);
    EXPECT_EQ(SentinelError, traced);
    EXPECT_NE(0u, after);
    // No key security on 6 and 7.
    EXPECT_FALSE(trace.Contains("Set Security.\n"));
    ExpectUninstallEntry();
    ExpectDefaults();
    ExpectMouseValues();

    // Exit code 0 clears the last-error code.
    ForcedToolExit success(0);
    SetLastError(SentinelError);
    EXPECT_EQ(0, RegisterDriver());
    EXPECT_EQ(0u, GetLastError());
}

TEST_F(DriverRegistration, ToolStartsHiddenInTheModuleDirectory)
{
    // A program in the tool's place that writes down how it was started.
    std::string dir = ToolDirectory("probe");
    ASSERT_TRUE(CopyFileA(JoinPath(TestBinDir(), "tests\\install\\blocks\\start_probe.exe").c_str(),
                          JoinPath(dir, "QuorUsb.exe").c_str(), FALSE));
    strcpy(ModuleDirectory, dir.c_str());
    OsClass = 6;
    EXPECT_EQ(0, RegisterDriver());
    std::string expected = std::to_string(STARTF_USESHOWWINDOW) + "|" + std::to_string(SW_HIDE) + "|\"" + dir +
                           "\\QuorUsb.exe\" \"" + dir + "\\QuorUsb.inf\" 6 setup|" + dir;
    EXPECT_EQ(expected, ReadTextFile(JoinPath(dir, "StartProbe.txt")));
}

TEST_F(DriverRegistration, ToolFailureStillWidensTheKeyAndReportsTheErrorOfTheRun)
{
    std::string dir = ToolDirectory("exit2");
    strcpy(ModuleDirectory, dir.c_str());
    OsClass = 10;
    ForcedToolExit exit(2);
    TraceCapture trace;
    EXPECT_EQ(-1, RegisterDriver());
    DWORD after = GetLastError();
    DWORD traced = 0;
    ASSERT_TRUE(TracedProcessLine(trace, dir, 10, 2, &traced));
    EXPECT_EQ(traced, after);
    ASSERT_GE(trace.Lines().size(), 2u);
    EXPECT_EQ("Set Security.\n", trace.Lines()[1]);
    EXPECT_TRUE(UsersHaveFullAccess());
    ExpectDefaults();
}

TEST_F(DriverRegistration, MissingToolFailsWithTheCreationError)
{
    std::string dir = ToolDirectory("missing");
    ForceDelete(JoinPath(dir, "QuorUsb.exe"));
    strcpy(ModuleDirectory, dir.c_str());
    TraceCapture trace;
    SetLastError(0);
    EXPECT_EQ(-1, RegisterDriver());
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_TRUE(trace.Lines().empty());
    // The entries were written before the start was tried.
    ExpectUninstallEntry();
    ExpectDefaults();
}

TEST_F(DriverRegistration, NeitherFamilyFailsBeforeAnyChange)
{
    std::string dir = ToolDirectory("osclass5");
    strcpy(ModuleDirectory, dir.c_str());
    for (int osClass : {5, 0, 11}) {
        OsClass = osClass;
        SetLastError(SentinelError);
        EXPECT_EQ(-1, RegisterDriver()) << osClass;
        EXPECT_EQ(SentinelError, GetLastError()) << osClass;
    }
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey));
    EXPECT_FALSE(AnyParameterWritten());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, MouseKey));
    EXPECT_FALSE(FileExists(ToolLogPath()));
}

TEST_F(DriverRegistration, OverLongModuleDirectoryFailsWithFilenameExceedsRangeBeforeAnyChange)
{
    // The tool's path "<dir>\QuorUsb.exe" is one character too long.
    memset(ModuleDirectory, 0, sizeof ModuleDirectory);
    memcpy(ModuleDirectory, "C:\\", 3);
    memset(ModuleDirectory + 3, 'm', MAX_PATH - 1 - 3 - 11);
    SetLastError(0);
    EXPECT_EQ(-1, RegisterDriver());
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey));
    EXPECT_FALSE(AnyParameterWritten());

    OsClass = 3;
    SetInstallPaths("C:\\", ("C:\\" + std::string(MAX_PATH - 1 - 3 - 20, 'w')).c_str());
    SetLastError(0);
    EXPECT_EQ(-1, RegisterDriver());
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey));
}

class UsbDeviceEntries : public DriverRegistration {
protected:
    void SetUp() override
    {
        DriverRegistration::SetUp();
        // Instances 0 and 3 of the controller, with their driver class keys;
        // the class key of instance 3 has no "DriverDesc".
        ASSERT_TRUE(CreateKeyWithString(InstancePath(0), "Driver", "{745a17a0-74d3-11d0-b6fe-00a0c90f57da}\\0000"));
        ASSERT_TRUE(CreateKeyWithString(InstancePath(3), "Driver", "{745a17a0-74d3-11d0-b6fe-00a0c90f57da}\\0003"));
        ASSERT_TRUE(CreateKeyWithString(ClassPath("0000"), "DriverDesc", "HID-compliant touch screen"));
        ASSERT_TRUE(CreateKeyWithString(ClassPath("0003"), nullptr, nullptr));
        // An instance whose class key is missing is passed over.
        ASSERT_TRUE(CreateKeyWithString(InstancePath(5), "Driver", "{745a17a0-74d3-11d0-b6fe-00a0c90f57da}\\0099"));
    }
    static std::string ClassPath(const char* n)
    {
        return std::string(ClassKeyRoot) + "\\{745a17a0-74d3-11d0-b6fe-00a0c90f57da}\\" + n;
    }
    // "DeviceDesc" and "NTMPDriver" are handed over without their terminator;
    // see ExpectMouseValues for the stored size.
    static void ExpectInstance(int n, const char* classNumber, const std::string& description,
                               const std::string& drivers)
    {
        std::string text;
        DWORD size = 0;
        ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, InstancePath(n).c_str(), "DeviceDesc", &text, &size)) << n;
        EXPECT_EQ(description, text) << n;
        EXPECT_LE(size, description.size() + 1) << n;
        if (description.empty()) {
            EXPECT_EQ(0u, size) << n;
        }
        ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, ClassPath(classNumber).c_str(), "NTMPDriver", &text, &size)) << n;
        EXPECT_EQ(drivers, text) << n;
        EXPECT_LE(size, drivers.size() + 1) << n;
    }
};

TEST_F(UsbDeviceEntries, ConsumerFamilyPatchesEveryInstanceAndWritesTheEntriesWithoutTheTool)
{
    std::string dir = ToolDirectory("consumer");
    strcpy(ModuleDirectory, dir.c_str());
    OsClass = 3;
    EXPECT_EQ(0, RegisterDriver());
    ExpectInstance(0, "0000", "Quortouch USB Touchscreen", "QuorUsb.sys,HidUsb.Sys");
    ExpectInstance(3, "0003", "Quortouch USB Touchscreen", "QuorUsb.sys,HidUsb.Sys");
    std::string text;
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, InstancePath(5).c_str(), "DeviceDesc", &text));
    ExpectUninstallEntry();
    ExpectDefaults();
    ExpectMouseValues();
    EXPECT_FALSE(FileExists(ToolLogPath()));
}

TEST_F(UsbDeviceEntries, RemoveDirectionPutsTheClassDescriptionBack)
{
    UpdateUsbDeviceEntries(UsbEntriesInstall);
    UpdateUsbDeviceEntries(UsbEntriesRemove);
    ExpectInstance(0, "0000", "HID-compliant touch screen", "HidUsb.Sys");
    // No "DriverDesc": an empty description of size 0.
    ExpectInstance(3, "0003", "", "HidUsb.Sys");

    // A description that does not fit 64 bytes is not cut short: empty.
    ASSERT_TRUE(CreateKeyWithString(ClassPath("0000"), "DriverDesc", std::string(64, 'd').c_str()));
    UpdateUsbDeviceEntries(UsbEntriesRemove);
    ExpectInstance(0, "0000", "", "HidUsb.Sys");
    ASSERT_TRUE(CreateKeyWithString(ClassPath("0000"), "DriverDesc", std::string(63, 'd').c_str()));
    UpdateUsbDeviceEntries(UsbEntriesRemove);
    ExpectInstance(0, "0000", std::string(63, 'd'), "HidUsb.Sys");
}

TEST_F(UsbDeviceEntries, ConsumerFamilyWithoutAnyInstanceStillSucceeds)
{
    RemoveEntries();
    OsClass = 4;
    EXPECT_EQ(0, RegisterDriver());
    ExpectUninstallEntry();
    ExpectDefaults();
}

// The .inf files of the Windows inf directory whose text is this one.
std::vector<std::string> InfCopies(const std::string& text)
{
    std::vector<std::string> copies;
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(JoinPath(WindowsDir(), "inf\\*.inf").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
        return copies;
    do {
        std::string path = JoinPath(WindowsDir(), std::string("inf\\") + data.cFileName);
        if (ReadTextFile(path) == text)
            copies.push_back(path);
    } while (FindNextFileA(search, &data));
    FindClose(search);
    return copies;
}

TEST(OemInf, SetupLibraryTakesTheInfOfTheInstallDirectory)
{
    ComputeInstallPaths();
    std::string inf = JoinPath(InstallDirectoryPath(), "QuorUsb.inf");
    CreateDirectoryA(InstallDirectoryPath().c_str(), nullptr);
    ForceDelete(inf);
    EXPECT_NE(0, CopyOemInf());

    ASSERT_TRUE(CopyFileA(JoinPath(TouchSimStandInDirectory(TestBinDir()), "QuorUsb.inf").c_str(), inf.c_str(), FALSE));
    std::string text = ReadTextFile(inf);
    for (const std::string& copy : InfCopies(text))
        ForceDelete(copy);
    EXPECT_EQ(0, CopyOemInf());
    EXPECT_EQ(1u, InfCopies(text).size());
}

// Last: installs the stand-in driver's service for real.
TEST_F(DriverRegistration, ToolInstallsTheServiceAndTheDeviceOpens)
{
    std::string dir = ToolDirectory("install");
    strcpy(ModuleDirectory, dir.c_str());
    OsClass = 10;
    TraceCapture trace;
    SetLastError(SentinelError);
    EXPECT_EQ(0, RegisterDriver());
    EXPECT_EQ(0u, GetLastError());
    DWORD traced = 0;
    EXPECT_TRUE(TracedProcessLine(trace, dir, 10, 0, &traced)) << ToolLog();
    EXPECT_TRUE(trace.Contains("Set Security.\n"));
    ExpectUninstallEntry();
    ExpectDefaults();
    ExpectMouseValues();
    EXPECT_TRUE(UsersHaveFullAccess());
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, ServiceKey));
    HANDLE device = TouchSimOpenDevice();
    EXPECT_NE(INVALID_HANDLE_VALUE, device) << GetLastError() << "\n" << ToolLog();
    if (device != INVALID_HANDLE_VALUE)
        CloseHandle(device);
}

}  // namespace
