// QuorUsb.exe, the stand-in driver-setup tool, started the way the installer
// starts it, in this test's own prefix: bad command lines and forced exit
// codes first, then a real install and two removals.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include "driver_contract.h"
#include "installed_system.h"
#include "test_support.h"
#include "touchsim.h"

namespace {

const char ToolDir[] = "C:\\standins";

// The tool logs into the Windows directory, never beside itself.
std::string LogPath()
{
    return JoinPath(WindowsDir(), "QuorUsb.log");
}

// "<dir>\QuorUsb.exe" "<dir>\QuorUsb.inf" <OsClass> setup, with the directory
// as working directory, as the installer runs it.
int RunSetup(const char* directory, const char* infPath = nullptr)
{
    char line[1024];
    if (infPath == nullptr)
        snprintf(line, sizeof(line), DRIVER_SETUP_INSTALL_FORMAT, directory, directory, 10);
    else
        snprintf(line, sizeof(line), "\"%s\\QuorUsb.exe\" \"%s\" 10 setup", directory, infPath);
    return RunProcess(line, 120000, directory);
}

// ShellExecuteEx of "<dir>\QuorUsb.exe" with "uninstall <OsClass> delete",
// hidden, as the uninstaller runs it.
int RunRemove(const char* parameters = nullptr)
{
    char file[MAX_PATH], defaultParameters[64];
    snprintf(file, sizeof(file), DRIVER_SETUP_APP_FORMAT, ToolDir);
    snprintf(defaultParameters, sizeof(defaultParameters), DRIVER_SETUP_REMOVE_FORMAT, 10);
    SHELLEXECUTEINFOA info;
    memset(&info, 0, sizeof(info));
    info.cbSize = sizeof(info);
    info.fMask = 0x440;
    info.lpFile = file;
    info.lpParameters = parameters ? parameters : defaultParameters;
    info.nShow = SW_HIDE;
    if (!ShellExecuteExA(&info) || info.hProcess == nullptr)
        return -999;
    WaitForSingleObject(info.hProcess, 120000);
    DWORD code = (DWORD)-999;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    return (int)code;
}

std::string DriverInSystem()
{
    return WindowsDir() + "\\system32\\drivers\\QuorUsb.sys";
}

class SetupTool : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(TouchSimCopyStandIns(TouchSimStandInDirectory(TestBinDir()), ToolDir));
    }
    void SetUp() override { DeleteFileA(LogPath().c_str()); }
    void TearDown() override
    {
        SetEnvironmentVariableA("QUORUSB_FORCE_EXIT", nullptr);
        SetEnvironmentVariableA("QUORUSB_FORCE_COMMAND", nullptr);
    }
    std::string Log() { return ReadTextFile(LogPath()); }
};

// --- before anything is installed ------------------------------------------

TEST_F(SetupTool, WrongCommandLinesFailWithTheReasonLogged)
{
    char tool[MAX_PATH];
    snprintf(tool, sizeof(tool), "\"%s\\QuorUsb.exe\"", ToolDir);
    const char* lines[] = {"", " setup", " C:\\standins\\QuorUsb.inf 10 install", " uninstall 10 remove",
                           " uninstall ten delete", " C:\\standins\\QuorUsb.inf 10 setup extra"};
    for (const char* arguments : lines) {
        DeleteFileA(LogPath().c_str());
        EXPECT_EQ(2, RunProcess(std::string(tool) + arguments, 60000, ToolDir)) << arguments;
        std::string log = Log();
        EXPECT_NE(std::string::npos, log.find("wrong command line")) << log;
        EXPECT_NE(std::string::npos, log.find("exit code 2")) << log;
    }
    EXPECT_FALSE(DriverServiceExists());
}

TEST_F(SetupTool, MissingInfFailsWithTheReasonLogged)
{
    EXPECT_EQ(2, RunSetup(ToolDir, "C:\\standins\\nowhere\\QuorUsb.inf"));
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("C:\\standins\\nowhere\\QuorUsb.inf is missing")) << log;
    EXPECT_FALSE(DriverServiceExists());
}

TEST_F(SetupTool, InfWithoutServiceSectionFails)
{
    ASSERT_TRUE(WriteTextFile("C:\\standins\\Empty.inf", "[Version]\r\nSignature=\"$WINDOWS NT$\"\r\n"));
    EXPECT_EQ(2, RunSetup(ToolDir, "C:\\standins\\Empty.inf"));
    EXPECT_NE(std::string::npos, Log().find("SetupInstallServicesFromInfSection")) << Log();
    EXPECT_FALSE(DriverServiceExists());
}

TEST_F(SetupTool, DriverNeitherInstalledNorBesideTheInfFails)
{
    const char bare[] = "C:\\bare";
    CreateDirectoryA(bare, nullptr);
    ASSERT_TRUE(CopyFileA("C:\\standins\\QuorUsb.exe", "C:\\bare\\QuorUsb.exe", FALSE));
    ASSERT_TRUE(CopyFileA("C:\\standins\\QuorUsb.inf", "C:\\bare\\QuorUsb.inf", FALSE));
    DeleteFileA(DriverInSystem().c_str()); // an earlier failed setup may have put it there
    EXPECT_EQ(2, RunSetup(bare));
    std::string log = Log();
    EXPECT_FALSE(FileExists("C:\\bare\\QuorUsb.log"));
    EXPECT_NE(std::string::npos, log.find("could not be copied")) << log;
    EXPECT_FALSE(DriverServiceExists());
}

TEST_F(SetupTool, ForcedExitCodesSkipTheWork)
{
    DeleteFileA(DriverInSystem().c_str());
    for (const char* code : {"2", "1", "0"}) {
        SetEnvironmentVariableA("QUORUSB_FORCE_EXIT", code);
        EXPECT_EQ(atoi(code), RunSetup(ToolDir)) << code;
        EXPECT_EQ(atoi(code), RunRemove()) << code;
    }
    EXPECT_FALSE(DriverServiceExists());
    EXPECT_FALSE(FileExists(DriverInSystem()));
    EXPECT_NE(std::string::npos, Log().find("QUORUSB_FORCE_EXIT is set: exit code 1, nothing done")) << Log();

    // Narrowed to one command, the other one does its work: a removal with
    // no service, a setup with a missing .inf.
    SetEnvironmentVariableA("QUORUSB_FORCE_EXIT", "3");
    SetEnvironmentVariableA("QUORUSB_FORCE_COMMAND", "setup");
    EXPECT_EQ(3, RunSetup(ToolDir));
    EXPECT_EQ(0, RunRemove());
    SetEnvironmentVariableA("QUORUSB_FORCE_COMMAND", "uninstall");
    EXPECT_EQ(3, RunRemove());
    EXPECT_EQ(2, RunSetup(ToolDir, "C:\\standins\\nowhere\\QuorUsb.inf"));
    EXPECT_NE(std::string::npos, Log().find("no service VessaUsb left to remove")) << Log();
    EXPECT_FALSE(DriverServiceExists());
}

TEST_F(SetupTool, ServiceKeyWithoutWriteRightsFails)
{
    // A service key that only allows reading, as for a user without
    // administrator rights: the service can't be registered.
    DeleteTree(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY);
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, PARAMETER_KEY_PATH, CAL_FOUR_POINT, 0));
    ASSERT_TRUE(SetKeyDacl(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY, "D:(A;;KR;;;WD)"));
    EXPECT_EQ(2, RunSetup(ToolDir));
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("failed (error")) << log;
    EXPECT_NE(std::string::npos, log.find("exit code 2")) << log;
    ASSERT_TRUE(SetKeyDacl(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY, "D:(A;;KA;;;WD)"));
    DeleteTree(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY);
    EXPECT_FALSE(DriverServiceExists());
}

// --- install, then remove twice ----------------------------------------------

TEST_F(SetupTool, SetupInstallsAndStartsTheDriver)
{
    ASSERT_EQ(0, RunSetup(ToolDir));
    EXPECT_TRUE(FileExists(DriverInSystem()));
    std::string imagePath;
    ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY, "ImagePath", &imagePath));
    EXPECT_NE(std::string::npos, CharLowerA(&imagePath[0]) ? imagePath.find("system32\\drivers\\quorusb.sys")
                                                           : std::string::npos)
        << imagePath;
    DWORD type = 0, start = 0;
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY, "Type", &type));
    EXPECT_EQ(1u, type); // kernel driver
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY, "Start", &start));
    EXPECT_EQ(2u, start); // auto-start

    HANDLE device = CreateFileA("\\\\.\\VessatouchUsb", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, device) << GetLastError();
    CloseHandle(device);

    std::string log = Log();
    EXPECT_NE(std::string::npos,
              log.find("command line: \"C:\\standins\\QuorUsb.exe\" \"C:\\standins\\QuorUsb.inf\" 10 setup"))
        << log;
    EXPECT_NE(std::string::npos, log.find("working directory: C:\\standins")) << log;
    EXPECT_NE(std::string::npos, log.find("exit code 0")) << log;
}

TEST_F(SetupTool, SetupAgainOverARunningDriverIsARepair)
{
    ASSERT_TRUE(DriverServiceExists());
    EXPECT_EQ(0, RunSetup(ToolDir));
    EXPECT_NE(std::string::npos, Log().find("repair: configuration of VessaUsb refreshed")) << Log();
    EXPECT_EQ(std::string::npos, Log().find("service VessaUsb started")) << Log();
}

TEST_F(SetupTool, UninstallRemovesTheDriverAndMayBeRepeated)
{
    ASSERT_TRUE(DriverServiceExists());
    // The calibration tool may still hold the device open.
    HANDLE held = TouchSimOpenDevice();
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(0, RunRemove());
    DWORD raw = 0;
    EXPECT_FALSE(TouchSimReadRawPoint(held, &raw));
    CloseHandle(held);
    EXPECT_FALSE(DriverServiceExists());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY));
    HANDLE device = CreateFileA(TOUCH_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(INVALID_HANDLE_VALUE, device);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("command line: \"C:\\standins\\QuorUsb.exe\" uninstall 10 delete")) << log;

    DeleteFileA(LogPath().c_str());
    EXPECT_EQ(0, RunRemove());
    EXPECT_NE(std::string::npos, Log().find("no service VessaUsb left to remove")) << Log();
}

}  // namespace
