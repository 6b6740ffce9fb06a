// The restart after an installation or removal, with the reboot call itself
// replaced: a real one would end the Wine prefix the tests run in.
#include <gtest/gtest.h>

#include "box_watcher.h"
#include "installer_app.h"
#include "os_class.h"
#include "restart.h"
#include "test_support.h"
#include "wizard_state.h"

namespace {

struct RebootRequest {
    UINT flags;
    DWORD reason;
};
std::vector<RebootRequest> Requests;
BOOL RebootAnswer = TRUE;

BOOL WINAPI RecordReboot(UINT flags, DWORD reason)
{
    Requests.push_back({flags, reason});
    return RebootAnswer;
}

// Attributes of the shutdown privilege in this process's token; ~0u when
// the token does not hold it.
DWORD ShutdownPrivilegeAttributes()
{
    LUID luid = {};
    LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &luid);
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    BYTE buffer[4096];
    DWORD size = 0;
    DWORD attributes = ~0u;
    if (GetTokenInformation(token, TokenPrivileges, buffer, sizeof buffer, &size)) {
        const TOKEN_PRIVILEGES* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer);
        for (DWORD i = 0; i < privileges->PrivilegeCount; ++i)
            if (privileges->Privileges[i].Luid.LowPart == luid.LowPart &&
                privileges->Privileges[i].Luid.HighPart == luid.HighPart)
                attributes = privileges->Privileges[i].Attributes;
    }
    CloseHandle(token);
    return attributes;
}

bool SetShutdownPrivilege(DWORD attributes)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid);
    privileges.Privileges[0].Attributes = attributes;
    BOOL ok = AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    DWORD error = GetLastError();
    CloseHandle(token);
    return ok && error == ERROR_SUCCESS;
}

class Restart : public testing::Test {
protected:
    void SetUp() override
    {
        Requests.clear();
        RebootAnswer = TRUE;
        SetExitWindowsCall(RecordReboot);
        savedOsClass = OsClass;
    }
    void TearDown() override
    {
        SetExitWindowsCall(nullptr);
        OsClass = savedOsClass;
    }
    int savedOsClass = 0;
};

const DWORD PlannedInstallation =
    SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_MINOR_INSTALLATION | SHTDN_REASON_FLAG_PLANNED;

TEST_F(Restart, OlderWindowsRebootsWithoutTouchingTheToken)
{
    ASSERT_TRUE(SetShutdownPrivilege(0));  // present but disabled
    ASSERT_EQ(0u, ShutdownPrivilegeAttributes() & SE_PRIVILEGE_ENABLED);
    for (int osClass : {0, 3, 4, 5}) {
        OsClass = osClass;
        BoxWatcher boxes(SetupCaption, IDOK);
        RestartSystem(nullptr);
        EXPECT_TRUE(boxes.Stop().empty()) << osClass;
    }
    ASSERT_EQ(4u, Requests.size());
    for (const RebootRequest& r : Requests) {
        // Programs are asked to close, not closed without asking.
        EXPECT_EQ(UINT(EWX_REBOOT), r.flags);
        EXPECT_EQ(PlannedInstallation, r.reason);
    }
    EXPECT_EQ(0u, ShutdownPrivilegeAttributes() & SE_PRIVILEGE_ENABLED);
}

TEST_F(Restart, NtFamilyEnablesTheShutdownPrivilegeFirst)
{
    ASSERT_TRUE(SetShutdownPrivilege(0));
    OsClass = 10;
    BoxWatcher boxes(SetupCaption, IDOK);
    RestartSystem(nullptr);
    EXPECT_TRUE(boxes.Stop().empty());
    ASSERT_EQ(1u, Requests.size());
    EXPECT_EQ(UINT(EWX_REBOOT), Requests[0].flags);
    EXPECT_EQ(PlannedInstallation, Requests[0].reason);
    EXPECT_NE(0u, ShutdownPrivilegeAttributes() & SE_PRIVILEGE_ENABLED);
}

TEST_F(Restart, RefusedRebootShowsTheMenuallyMessageOwnedByTheCaller)
{
    RebootAnswer = FALSE;
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                                 nullptr);
    ASSERT_NE(nullptr, owner);
    for (int osClass : {4, 10}) {
        OsClass = osClass;
        BoxWatcher boxes(SetupCaption, IDOK);
        RestartSystem(owner);
        const std::vector<MessageBoxView>& seen = boxes.Stop();
        ASSERT_EQ(1u, seen.size()) << osClass;
        EXPECT_EQ("Reboot system error, please reboot menually", seen[0].text);
        EXPECT_EQ("Quortouch USB Touchscreen Setup", seen[0].caption);
        EXPECT_EQ(UINT(MB_ICONERROR), seen[0].icon);
        EXPECT_EQ(std::vector<std::string>{"OK"}, seen[0].buttons);
        EXPECT_EQ(owner, seen[0].owner);
    }
    EXPECT_EQ(2u, Requests.size());
    DestroyWindow(owner);
}

// In a process of its own: the shutdown privilege is taken out of the token
// for good, as for an account that does not hold it.
TEST_CHILD_ACTION(RestartWithoutShutdownPrivilege)
{
    (void)argument;
    if (!SetShutdownPrivilege(SE_PRIVILEGE_REMOVED) || ShutdownPrivilegeAttributes() != ~0u)
        return 90;
    SetExitWindowsCall(RecordReboot);
    OsClass = 10;
    BoxWatcher boxes(SetupCaption, IDOK);
    RestartSystem(nullptr);
    const std::vector<MessageBoxView>& seen = boxes.Stop();
    if (!Requests.empty())
        return 91;
    if (seen.size() != 1)
        return 92;
    if (seen[0].text != "Reboot system error, please reboot manually" || seen[0].icon != MB_ICONERROR)
        return 93;
    return 0;
}

TEST_F(Restart, AccountWithoutShutdownPrivilegeGetsTheManuallyMessageAndNoReboot)
{
    EXPECT_EQ(0, RunChild("RestartWithoutShutdownPrivilege"));
}

TEST(CommandLine, OnlyExactlySlashLowerUSelectsTheRemoval)
{
    EXPECT_TRUE(IsUninstallCommandLine("/u"));
    for (const char* other : {"/U", "-u", "/u ", "/ux", "u", "", " /u", "//u"})
        EXPECT_FALSE(IsUninstallCommandLine(other)) << "\"" << other << "\"";
    EXPECT_FALSE(IsUninstallCommandLine(nullptr));
}

}  // namespace
