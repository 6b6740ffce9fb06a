/*
 * The driver package's layout, kept here once: the package files in the
 * order Install.exe copies them, with their second copies in the system
 * directories; the Start-menu shortcuts; the names of the install folder,
 * the Start-menu group, the uninstall entry, the driver and the programs.
 * The installer and its Windows Installer actions, the calibration tool, the
 * driver contract (driver_contract.h), the build (cmake/PackageLayout.cmake
 * reads this file for the package folder, the zip and the Windows Installer
 * package) and the tests take them from here.
 *
 * Plain C for the build's reader: a name is `#define NAME "text"`, its text
 * string literals and names defined above, side by side; a table row is
 * ROW(...) with the same kind of arguments (a bare word that is no name
 * stands for itself). Nothing else in the tables.
 */
#ifndef QUORTOUCH_PACKAGE_LAYOUT_H
#define QUORTOUCH_PACKAGE_LAYOUT_H

/* The install folder, under the Windows directory. */
#define INSTALL_FOLDER_NAME "QuortouchUSB"
/* The Start-menu program group, under the Programs folder. */
#define START_MENU_FOLDER_NAME "Quortouch USB Touchscreen"
/* The uninstall entry: the subkey UNINSTALL_ENTRY_NAME of
   UNINSTALL_PARENT_KEY under HKEY_LOCAL_MACHINE. */
#define UNINSTALL_PARENT_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
#define UNINSTALL_ENTRY_NAME "VessaTouch"

/* The kernel driver's service, its files and its setup tool. */
#define DRIVER_SERVICE_NAME "VessaUsb"
#define DRIVER_FILE_NAME "QuorUsb.sys"
#define DRIVER_INF_NAME "QuorUsb.inf"
#define DRIVER_SETUP_TOOL "QuorUsb.exe"

/* The files that other code and the shortcuts name. */
#define INSTALLER_FILE_NAME "Install.exe"
#define CALIBRATION_TOOL_FILE_NAME "QuortouchUsb.exe"
#define HELP_FILE_NAME "QuortouchUsb.chm"
#define HANDWRITING_DEMO_FILE_NAME "Write.exe"
#define RIGHT_BUTTON_FILE_NAME "RBtn.exe"

/*
 * The package files, in the order they are copied:
 *   ROW(id, file name, second target on the NT family, second target on the
 *       older consumer family, built by)
 * A file name fits 31 characters, a second target 63; second targets are
 * relative to the Windows directory, "" for no second copy. id names the file
 * in the Windows Installer package, "System" + id its second copy. built by:
 * the CMake target that makes the file (a target that is no program or
 * library names its file in its property QUORTOUCH_PACKAGE_FILE), or the
 * file's path in the source tree.
 */
#define QUORTOUCH_PACKAGE_FILES(ROW) \
    ROW(Applet, "QuortouchUsb.cpl", "System32\\QuortouchUsb.cpl", "System\\QuortouchUsb.cpl", "QuortouchUsbApplet") \
    ROW(CalibrationTool, CALIBRATION_TOOL_FILE_NAME, "System32\\" CALIBRATION_TOOL_FILE_NAME, \
        "System\\" CALIBRATION_TOOL_FILE_NAME, "QuortouchUsb") \
    ROW(Driver, DRIVER_FILE_NAME, "System32\\Drivers\\" DRIVER_FILE_NAME, "System32\\Drivers\\" DRIVER_FILE_NAME, \
        "QuorUsbDriver") \
    ROW(DriverInf, DRIVER_INF_NAME, "inf\\" DRIVER_INF_NAME, "inf\\" DRIVER_INF_NAME, "QuorUsbInf") \
    ROW(Help, HELP_FILE_NAME, "", "", "QuortouchUsbHelp") \
    ROW(SetupTool, DRIVER_SETUP_TOOL, "", "", "QuorUsbSetup") \
    ROW(Installer, INSTALLER_FILE_NAME, "", "", "Install") \
    ROW(HandwritingDemo, HANDWRITING_DEMO_FILE_NAME, "", "", "WriteDemo") \
    ROW(RightButton, RIGHT_BUTTON_FILE_NAME, "", "", "RightButton") \
    ROW(ReadMe, "ReadMe.txt", "", "", "QuortouchUsbReadMe") \
    /* end of the package files: a new file is one row above */

/*
 * The Start-menu shortcuts, in the order they are created:
 *   ROW(target file in the install folder, link file in the program group,
 *       description, arguments or NULL)
 * Each starts in the install folder.
 */
#define QUORTOUCH_START_MENU_SHORTCUTS(ROW) \
    ROW(INSTALLER_FILE_NAME, "Uninstall QuorTouch.lnk", "Uninstall", "/u") \
    ROW(HELP_FILE_NAME, "Quortouch help.lnk", "Quortouch USB Touchscreen Help", NULL) \
    ROW(CALIBRATION_TOOL_FILE_NAME, "Calibration.lnk", "Calibration", NULL) \
    ROW(RIGHT_BUTTON_FILE_NAME, "Right Button.lnk", "Right Button", NULL) \
    ROW(HANDWRITING_DEMO_FILE_NAME, "HandWritting Demo.lnk", "HandWritting Demo", NULL) \
    /* end of the shortcuts */

/* The rows of a table, counted: 0 QUORTOUCH_PACKAGE_FILES(QUORTOUCH_COUNT_ROW). */
#define QUORTOUCH_COUNT_ROW(...) +1

#endif
