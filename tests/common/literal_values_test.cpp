// The package layout's rows and names and the calibration crosses' positions,
// letter for letter: the one place that holds them as literal values, so that
// a typo in a table is caught here while every other test and list reads the
// tables. A file added to the package layout fails here until its row is
// added below too.
#include <gtest/gtest.h>

#include <cstring>

#include "autostart.h"
#include "calibration_window.h"
#include "deployment.h"
#include "driver_contract.h"
#include "install_paths.h"
#include "shortcuts.h"
#include "uninstall_entry.h"

namespace {

TEST(LiteralValues, PackageFilesInTheirOrderWithTheirSecondCopies)
{
    const char* const expected[][3] = {
        {"QuortouchUsb.cpl", "System32\\QuortouchUsb.cpl", "System\\QuortouchUsb.cpl"},
        {"QuortouchUsb.exe", "System32\\QuortouchUsb.exe", "System\\QuortouchUsb.exe"},
        {"QuorUsb.sys", "System32\\Drivers\\QuorUsb.sys", "System32\\Drivers\\QuorUsb.sys"},
        {"QuorUsb.inf", "inf\\QuorUsb.inf", "inf\\QuorUsb.inf"},
        {"QuortouchUsb.chm", "", ""},
        {"QuorUsb.exe", "", ""},
        {"Install.exe", "", ""},
        {"Write.exe", "", ""},
        {"RBtn.exe", "", ""},
        {"ReadMe.txt", "", ""},
    };
    constexpr int rows = sizeof expected / sizeof expected[0];
    static_assert(sizeof(PackageFileRow) == 160, "fields of 32, 64 and 64 bytes");
    ASSERT_EQ(rows, PackageFileCount);
    for (int i = 0; i < rows; ++i) {
        // Each field zero-padded to its width.
        PackageFileRow row = {};
        strcpy(row.NameField, expected[i][0]);
        strcpy(row.NtTarget, expected[i][1]);
        strcpy(row.ConsumerTarget, expected[i][2]);
        EXPECT_EQ(0, memcmp(&row, &PackageFileTable[i], sizeof row))
            << "row " << i + 1 << ": " << PackageFileTable[i].NameField << " | " << PackageFileTable[i].NtTarget
            << " | " << PackageFileTable[i].ConsumerTarget;
    }
}

TEST(LiteralValues, StartMenuShortcutsInTheirOrder)
{
    const char* const expected[][4] = {
        {"%s\\%s\\Install.exe", "%s\\%s\\Uninstall QuorTouch.lnk", "Uninstall", "/u"},
        {"%s\\%s\\QuortouchUsb.chm", "%s\\%s\\Quortouch help.lnk", "Quortouch USB Touchscreen Help", nullptr},
        {"%s\\%s\\QuortouchUsb.exe", "%s\\%s\\Calibration.lnk", "Calibration", nullptr},
        {"%s\\%s\\RBtn.exe", "%s\\%s\\Right Button.lnk", "Right Button", nullptr},
        {"%s\\%s\\Write.exe", "%s\\%s\\HandWritting Demo.lnk", "HandWritting Demo", nullptr},
    };
    constexpr int rows = sizeof expected / sizeof expected[0];
    ASSERT_EQ(rows, ShortcutCount);
    for (int i = 0; i < rows; ++i) {
        EXPECT_STREQ(expected[i][0], Shortcuts[i].TargetFormat) << i + 1;
        EXPECT_STREQ(expected[i][1], Shortcuts[i].LinkFileFormat) << i + 1;
        EXPECT_STREQ(expected[i][2], Shortcuts[i].Description) << i + 1;
        if (expected[i][3] == nullptr)
            EXPECT_EQ(nullptr, Shortcuts[i].Arguments) << i + 1;
        else
            EXPECT_STREQ(expected[i][3], Shortcuts[i].Arguments) << i + 1;
    }
}

TEST(LiteralValues, FoldersEntryAndDriverNames)
{
    EXPECT_STREQ("QuortouchUSB", InstallDirectoryName);
    EXPECT_STREQ("Quortouch USB Touchscreen", StartMenuFolderName);
    EXPECT_STREQ("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VessaTouch\\", UninstallKey);
    EXPECT_STREQ("QuortouchUsb.exe", AutostartFileName);
    EXPECT_STREQ("VessaUsb", DRIVER_SERVICE_NAME);
    EXPECT_STREQ("System\\Currentcontrolset\\Services\\VessaUsb\\Parameters\\", PARAMETER_KEY_PATH);
    EXPECT_STREQ("%s\\QuorUsb.exe", DRIVER_SETUP_APP_FORMAT);
    EXPECT_STREQ("\"%s\\QuorUsb.exe\" \"%s\\QuorUsb.inf\" %d setup", DRIVER_SETUP_INSTALL_FORMAT);
    EXPECT_STREQ("QuorUsb.sys", DRIVER_FILE_NAME);
}

TEST(LiteralValues, CalibrationCrossesAtTheirFractionsOfTheScreen)
{
    // The tool's crosses and the driver's mapping, in 1/2048 of the screen.
    EXPECT_EQ(102, CrossPositionTable[0]);
    EXPECT_EQ(1945, CrossPositionTable[1]);
    EXPECT_EQ(102, CROSS_NEAR);
    EXPECT_EQ(1945, CROSS_FAR);
    EXPECT_EQ(2048, CROSS_UNITS);
}

}  // namespace
