// The Control Panel applet under Wine: its CPlApplet messages, its dialog in
// each driver state, and its "Calibrate..." button.
#include <windows.h>

#include <cpl.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "gui_support.h"
#include "message_boxes.h"
#include "applet_resources.h"
#include "driver_contract.h"
#include "parameter_store.h"
#include "test_support.h"

namespace {

using CplEntry = LONG(APIENTRY*)(HWND, UINT, LPARAM, LPARAM);

std::string AppletPath() { return JoinPath(TestBinDir(), "package\\applet\\QuortouchUsb.cpl"); }
std::string SystemTool()
{
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, sizeof(system));
    return JoinPath(system, "QuortouchUsb.exe");
}

class AppletTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        module = LoadLibraryA(AppletPath().c_str());
        ASSERT_NE(module, nullptr) << AppletPath() << " error " << GetLastError();
        entry = reinterpret_cast<CplEntry>(reinterpret_cast<void*>(GetProcAddress(module, "CPlApplet")));
        ASSERT_NE(entry, nullptr);
        DeleteTree(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY);
        DeleteFileA(SystemTool().c_str());
    }
    void TearDown() override
    {
        if (module)
            FreeLibrary(module);
        DeleteTree(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY);
        DeleteFileA(SystemTool().c_str());
    }

    struct DialogView {
        bool found = false;
        std::string driverState, calibrationState;
        int listCount = -1;
        std::string beepTimeLine;
        bool calibrateEnabled = false;
    };

    // Double-clicks the applet; a watcher thread reads the dialog, runs the
    // optional action on it and closes it.
    DialogView OpenDialog(void (*action)(HWND) = nullptr)
    {
        DialogView view;
        std::thread watcher([&view, action] {
            HWND dialog = WaitForTopWindow("#32770", "Quortouch USB Touchscreen");
            if (!dialog)
                return;
            view.found = WaitUntil([&] { return !ItemText(dialog, IDC_DRIVER_STATE).empty(); }, 5000);
            view.driverState = ItemText(dialog, IDC_DRIVER_STATE);
            view.calibrationState = ItemText(dialog, IDC_CALIBRATION_STATE);
            HWND list = GetDlgItem(dialog, IDC_SETTINGS_LIST);
            view.listCount = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
            for (int i = 0; i < view.listCount; ++i) {
                char line[256] = {};
                if (SendMessageA(list, LB_GETTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof(line)))
                    SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
                if (std::string(line).rfind("BeepTime", 0) == 0)
                    view.beepTimeLine = line;
            }
            view.calibrateEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_CALIBRATE));
            if (action)
                action(dialog);
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        entry(nullptr, CPL_INIT, 0, 0);
        entry(nullptr, CPL_DBLCLK, 0, 0);
        watcher.join();
        return view;
    }

    HMODULE module = nullptr;
    CplEntry entry = nullptr;
};

TEST_F(AppletTest, AnswersTheControlPanelMessages)
{
    EXPECT_NE(entry(nullptr, CPL_INIT, 0, 0), 0);
    EXPECT_EQ(entry(nullptr, CPL_GETCOUNT, 0, 0), 1);

    CPLINFO info = {};
    EXPECT_EQ(entry(nullptr, CPL_INQUIRE, 0, reinterpret_cast<LPARAM>(&info)), 0);
    char name[128] = {};
    ASSERT_GT(LoadStringA(module, info.idName, name, sizeof(name)), 0);
    EXPECT_STREQ(name, "Quortouch USB Touchscreen");
    char description[256] = {};
    EXPECT_GT(LoadStringA(module, info.idInfo, description, sizeof(description)), 0);
    EXPECT_NE(LoadIconA(module, MAKEINTRESOURCEA(info.idIcon)), nullptr);

    NEWCPLINFOA newInfo = {};
    EXPECT_EQ(entry(nullptr, CPL_NEWINQUIRE, 0, reinterpret_cast<LPARAM>(&newInfo)), 0);
    EXPECT_EQ(newInfo.dwSize, sizeof(newInfo));
    EXPECT_STREQ(newInfo.szName, "Quortouch USB Touchscreen");
    EXPECT_NE(newInfo.hIcon, nullptr);

    EXPECT_EQ(entry(nullptr, CPL_STOP, 0, 0), 0);
    EXPECT_EQ(entry(nullptr, CPL_EXIT, 0, 0), 0);
}

TEST_F(AppletTest, DialogSaysWhenTheDriverIsNotInstalled)
{
    DialogView view = OpenDialog();
    ASSERT_TRUE(view.found);
    EXPECT_EQ(view.driverState,
              "The Quortouch USB Touchscreen driver is not installed. Run Install.exe from the driver package.");
    EXPECT_EQ(view.calibrationState, "Calibration: unknown (no driver).");
    EXPECT_EQ(view.listCount, 0);
    EXPECT_FALSE(view.calibrateEnabled);
}

TEST_F(AppletTest, DialogShowsTheSettingsAndTheCalibrationState)
{
    ASSERT_EQ(WriteParameterDefaults(), 0);
    DialogView fresh = OpenDialog();
    ASSERT_TRUE(fresh.found);
    EXPECT_EQ(fresh.driverState, "The touchscreen driver is installed.");
    EXPECT_EQ(fresh.calibrationState,
              "Calibration: not calibrated. Press \"Calibrate...\" and touch the four crosses.");
    EXPECT_EQ(fresh.listCount, DeviceParameterCount);
    EXPECT_EQ(fresh.beepTimeLine, "BeepTime\t11000");
    EXPECT_TRUE(fresh.calibrateEnabled);

    WriteDword(HKEY_LOCAL_MACHINE, ParameterKey, CAL_FOUR_POINT, 1);
    WriteDword(HKEY_LOCAL_MACHINE, ParameterKey, CAL_SCREEN_WIDTH, 1024);
    WriteDword(HKEY_LOCAL_MACHINE, ParameterKey, CAL_SCREEN_HIGH, 768);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, ParameterKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    RegDeleteValueA(key, "BeepTime");
    RegCloseKey(key);

    DialogView calibrated = OpenDialog();
    ASSERT_TRUE(calibrated.found);
    EXPECT_EQ(calibrated.calibrationState, "Calibration: calibrated with four points for a 1024 x 768 screen.");
    EXPECT_EQ(calibrated.beepTimeLine, "BeepTime\t(missing)");
    EXPECT_EQ(calibrated.driverState,
              "The touchscreen driver is installed, but 1 of its 19 settings are missing. "
              "Install the driver package again.");
}

TEST_F(AppletTest, CalibrateStartsTheSystemCopyOfTheCalibrationTool)
{
    ASSERT_EQ(WriteParameterDefaults(), 0);
    std::string probe = JoinPath(TestBinDir(), "tests\\package\\applet\\applet_probe_tool.exe");
    ASSERT_TRUE(CopyFileA(probe.c_str(), SystemTool().c_str(), FALSE)) << probe;
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, sizeof(system));
    std::string marker = JoinPath(system, "probe-started.txt");
    DeleteFileA(marker.c_str());

    DialogView view = OpenDialog([](HWND dialog) {
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_CALIBRATE, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_CALIBRATE)));
    });
    ASSERT_TRUE(view.found);
    EXPECT_TRUE(WaitForFile(marker));
    DeleteFileA(marker.c_str());
}

TEST_F(AppletTest, CalibrateReportsAMissingCalibrationTool)
{
    ASSERT_EQ(WriteParameterDefaults(), 0);
    static std::string boxText, boxCaption;
    boxText.clear();
    boxCaption.clear();
    std::thread boxWatcher([] {
        // The message box belongs to the dialog and has its title.
        HWND box = WaitForMessageBox("Quortouch USB Touchscreen", 10000);
        if (box) {
            boxCaption = WindowText(box);
            boxText = MessageBoxText(box);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    });
    DialogView view = OpenDialog([](HWND dialog) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_CALIBRATE, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_CALIBRATE)));
        // The dialog stays until its box has been answered.
        WaitUntil([] { return !boxText.empty(); }, 10000);
    });
    boxWatcher.join();
    ASSERT_TRUE(view.found);
    EXPECT_EQ(boxText, "The calibration program could not be started (2).\n" + SystemTool());
    EXPECT_EQ(boxCaption, "Quortouch USB Touchscreen");
}

TEST_F(AppletTest, OpensInTheControlPanelHost)
{
    // control.exe loads the applet by path and, as it holds one applet,
    // opens its dialog at once.
    StartedProcess host;
    ASSERT_TRUE(host.Start("control.exe \"" + AppletPath() + "\""));
    HWND dialog = WaitForTopWindow("#32770", "Quortouch USB Touchscreen", 20000);
    EXPECT_NE(dialog, nullptr);
    if (dialog) {
        EXPECT_EQ(ItemText(dialog, IDC_DRIVER_STATE),
                  "The Quortouch USB Touchscreen driver is not installed. Run Install.exe from the driver package.");
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
    EXPECT_NE(host.Wait(20000), -999);
}

} // namespace
