/*
 * What the two programs pass to the outside parts of the driver package and
 * rely on: the kernel driver's device and control codes, its service key, and
 * the command lines of the driver-setup tool. Plain C so that the kernel
 * driver and its setup tool share it with the programs.
 *
 * Kernel-mode code includes <ntddk.h> first; user-mode code gets CTL_CODE
 * from <winioctl.h> here.
 */
#ifndef QUORTOUCH_DRIVER_CONTRACT_H
#define QUORTOUCH_DRIVER_CONTRACT_H

#if !defined(CTL_CODE) && !defined(_NTDDK_)
#include <windows.h>
#include <winioctl.h>
#endif

/* The driver's service, file, .inf and setup tool are named there. */
#include "package_layout.h"

/* The touch device, as user-mode programs open it. */
#define TOUCH_DEVICE_PATH "\\\\.\\VessatouchUsb"
/* The same device in the kernel's name space. */
#define TOUCH_DEVICE_KERNEL_NAME L"\\Device\\VessatouchUsb"
#define TOUCH_DEVICE_DOS_NAME    L"\\DosDevices\\VessatouchUsb"

/* Device type 0x22 (FILE_DEVICE_UNKNOWN), buffered, any access. */
#define TOUCH_DEVICE_TYPE 0x22
#define IOCTL_READ_RAW_POINT     CTL_CODE(TOUCH_DEVICE_TYPE, 0x801, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_RELOAD_CALIBRATION CTL_CODE(TOUCH_DEVICE_TYPE, 0x802, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_READ_RAW_POINT_VALUE     0x222004u
#define IOCTL_RELOAD_CALIBRATION_VALUE 0x222008u

#ifdef __cplusplus
static_assert(IOCTL_READ_RAW_POINT == IOCTL_READ_RAW_POINT_VALUE, "raw point code");
static_assert(IOCTL_RELOAD_CALIBRATION == IOCTL_RELOAD_CALIBRATION_VALUE, "reload code");
#else
_Static_assert(IOCTL_READ_RAW_POINT == IOCTL_READ_RAW_POINT_VALUE, "raw point code");
_Static_assert(IOCTL_RELOAD_CALIBRATION == IOCTL_RELOAD_CALIBRATION_VALUE, "reload code");
#endif

/* The raw word of IOCTL_READ_RAW_POINT: X in bits 31..16, Y in bits 15..0. */
#define RAW_POINT_X(word) ((unsigned)(((unsigned)(word) >> 16) & 0xFFFFu))
#define RAW_POINT_Y(word) ((unsigned)((unsigned)(word) & 0xFFFFu))
#define RAW_POINT_WORD(x, y) ((((unsigned)(x) & 0xFFFFu) << 16) | ((unsigned)(y) & 0xFFFFu))

/* The driver's service and its parameter key under HKEY_LOCAL_MACHINE. */
#define DRIVER_SERVICES_KEY "System\\Currentcontrolset\\Services"
#define DRIVER_SERVICE_KEY  DRIVER_SERVICES_KEY "\\" DRIVER_SERVICE_NAME
#define PARAMETER_KEY_PATH  DRIVER_SERVICE_KEY "\\Parameters\\"
#define PARAMETER_KEY_KERNEL_PATH \
    L"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\" DRIVER_SERVICE_NAME "\\Parameters"

/*
 * Driver-setup tool command lines (OsClass in decimal).
 * install: application DRIVER_SETUP_APP_FORMAT with the module directory,
 *          command line DRIVER_SETUP_INSTALL_FORMAT with the module directory
 *          twice and OsClass; started hidden, module directory as working dir.
 * remove:  shell execution of DRIVER_SETUP_APP_FORMAT with the parameters
 *          DRIVER_SETUP_REMOVE_FORMAT; hidden.
 * Both are waited for; exit code DRIVER_SETUP_FAILED means failure, every
 * other code success.
 */
#define DRIVER_SETUP_APP_FORMAT     "%s\\" DRIVER_SETUP_TOOL
#define DRIVER_SETUP_INSTALL_FORMAT "\"%s\\" DRIVER_SETUP_TOOL "\" \"%s\\" DRIVER_INF_NAME "\" %d setup"
#define DRIVER_SETUP_REMOVE_FORMAT  "uninstall %d delete"
#define DRIVER_SETUP_INSTALL_VERB   "setup"
#define DRIVER_SETUP_REMOVE_WORD    "uninstall"
#define DRIVER_SETUP_REMOVE_VERB    "delete"
#define DRIVER_SETUP_FAILED 2

/* Value names of the calibration record in the parameter key. */
#define CAL_TOP_LEFT_X     "TopLeftOffsetX"
#define CAL_TOP_LEFT_Y     "TopLeftOffsetY"
#define CAL_TOP_RIGHT_X    "TopRightOffsetX"
#define CAL_TOP_RIGHT_Y    "TopRightOffsetY"
#define CAL_BOTTOM_LEFT_X  "BottomLeftOffsetX"
#define CAL_BOTTOM_LEFT_Y  "BottomLeftOffsetY"
#define CAL_BOTTOM_RIGHT_X "BottomRightOffsetX"
#define CAL_BOTTOM_RIGHT_Y "BottomRightOffsetY"
#define CAL_SCREEN_WIDTH   "ScreenWidth"
#define CAL_SCREEN_HIGH    "ScreenHigh"
#define CAL_FOUR_POINT     "Calibration4Pt"

/* Calibration crosses: the recorded corners belong to these positions. */
#include "calibration_crosses.h"

#endif
