#include "uninstall_entry_check.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <cpl.h>

#include "gui_support.h"

#include "installer_run.h"
#include "package_layout.h"
#include "package_version.h"
#include "test_support.h"

namespace {

const char EntryKey[] = UNINSTALL_PARENT_KEY "\\" UNINSTALL_ENTRY_NAME;

void ExpectText(const char* name, const std::string& expected)
{
    std::string text;
    DWORD size = 0;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, EntryKey, name, &text, &size)) << name;
    EXPECT_EQ(expected, text) << name;
    EXPECT_EQ(expected.size() + 1, size) << name;  // the terminating zero is counted
}

void ExpectDword(const char* name, DWORD expected)
{
    DWORD value = 0;
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, EntryKey, name, &value)) << name;
    EXPECT_EQ(expected, value) << name;
}

unsigned long long FileBytes(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

DWORD InstalledKb()
{
    unsigned long long bytes = 0;
    for (const std::string& name : PackageFileNames())
        bytes += FileBytes(JoinPath(InstallDirectoryPath(), name));
    for (const std::string& copy : SecondTargets(false))
        bytes += FileBytes(copy);
    return static_cast<DWORD>((bytes + 1023) / 1024);
}

}  // namespace

void ExpectUninstallEntryWithDetails()
{
    ExpectText("DisplayName", "Quortouch USB Touchscreen Driver");
    ExpectText("UninstallString", JoinPath(WindowsDir(), "QuortouchUSB\\Install.exe /u"));
    ExpectText("DisplayVersion", PACKAGE_VERSION_TEXT);
    ExpectText("Publisher", "Quortouch");
    ExpectText("DisplayIcon", JoinPath(WindowsDir(), "QuortouchUSB\\Install.exe"));
    ExpectText("InstallLocation", JoinPath(WindowsDir(), "QuortouchUSB"));
    DWORD kb = InstalledKb();
    EXPECT_GT(kb, 100u);
    ExpectDword("EstimatedSize", kb);
    ExpectDword("NoModify", 1);
    ExpectDword("NoRepair", 1);
}

std::string ListedPrograms()
{
    std::string listing = JoinPath(WindowsDir(), "Temp\\programs.txt");
    DeleteFileA(listing.c_str());
    RunProcess("cmd.exe /c uninstaller.exe --list > \"" + listing + "\"");
    return ReadTextFile(listing);
}

namespace {

HWND ListViewOfThisProcess()
{
    struct Search {
        HWND found = nullptr;
    } search;
    EnumWindows(
        [](HWND top, LPARAM context) -> BOOL {
            DWORD process = 0;
            GetWindowThreadProcessId(top, &process);
            if (process != GetCurrentProcessId() || !IsWindowVisible(top))
                return TRUE;
            HWND list = FindWindowExA(top, nullptr, WC_LISTVIEWA, nullptr);
            for (HWND child = FindWindowExA(top, nullptr, nullptr, nullptr); list == nullptr && child != nullptr;
                 child = FindWindowExA(top, child, nullptr, nullptr))
                list = FindWindowExA(child, nullptr, WC_LISTVIEWA, nullptr);
            reinterpret_cast<Search*>(context)->found = list;
            return list == nullptr;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

DWORD WINAPI OpenProgramsAndFeatures(void* applet)
{
    reinterpret_cast<APPLET_PROC>(applet)(nullptr, CPL_DBLCLK, 0, 0);
    return 0;
}

}  // namespace

std::vector<std::string> ProgramsAndFeaturesRows(const char* screenshot)
{
    std::vector<std::string> rows;
    HMODULE module = LoadLibraryA("appwiz.cpl");
    auto applet = reinterpret_cast<APPLET_PROC>(reinterpret_cast<void*>(GetProcAddress(module, "CPlApplet")));
    if (applet == nullptr || !applet(nullptr, CPL_INIT, 0, 0)) {
        ADD_FAILURE() << "appwiz.cpl does not load";
        return rows;
    }
    HANDLE thread = CreateThread(nullptr, 0, OpenProgramsAndFeatures, reinterpret_cast<void*>(applet), 0, nullptr);
    HWND list = nullptr;
    bool filled = WaitUntil(
        [&] {
            list = ListViewOfThisProcess();
            return list != nullptr && SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0;
        },
        20000);
    EXPECT_TRUE(filled) << "no Programs and Features list";
    if (filled) {
        int columns = static_cast<int>(
            SendMessageA(reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0)), HDM_GETITEMCOUNT, 0, 0));
        int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < count; ++row) {
            std::string line;
            for (int column = 0; column < columns; ++column) {
                char text[256] = {};
                LVITEMA item = {};
                item.iSubItem = column;
                item.pszText = text;
                item.cchTextMax = sizeof text;
                SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
                line += (column ? " | " : "") + std::string(text);
            }
            rows.push_back(line);
        }
        WaitForPaint(list);
        SaveScreenshot(screenshot);
        PostMessageA(GetAncestor(list, GA_ROOT), WM_CLOSE, 0, 0);
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 10000));
    CloseHandle(thread);
    applet(nullptr, CPL_EXIT, 0, 0);
    return rows;
}
