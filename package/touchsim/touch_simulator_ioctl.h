/*
 * Control codes of the stand-in kernel driver beyond the two codes that the
 * programs use (common/driver_contract.h). They exist so that tests and the
 * demo can play the touch panel: hand the driver the raw point of a touch,
 * read back what it has loaded, make raw reads fail, and ask where its loaded
 * calibration puts a raw point on the screen. Plain C, shared by the driver
 * and the user-mode simulator (package/touchsim/touchsim.h wraps each code).
 *
 * What the driver does with the two codes of the programs:
 *   IOCTL_READ_RAW_POINT: 4-byte output, the word last set by
 *     IOCTL_SIM_SET_RAW_POINT (0 before any); an output shorter than 4 bytes
 *     fails with STATUS_BUFFER_TOO_SMALL (DeviceIoControl: FALSE, last error
 *     122) and nothing is written.
 *   IOCTL_RELOAD_CALIBRATION: counts the request, then reads the ten record
 *     values and Calibration4Pt from the parameter key (a missing value
 *     reads as 0). When the key can't be opened the request fails and the
 *     loaded calibration stays as it was. The driver also reads the key once
 *     when it loads.
 * Every other code, and a null or too short buffer for any code, fails; the
 * driver's state is then unchanged.
 *
 * Where a raw point lands (IOCTL_SIM_MAP_POINT) is decided in one place,
 * package/driver/touch_mapping.h: with Calibration4Pt 1 an affine fit through
 * the four recorded raw corners, which belong to the cross centres at
 * 102/2048 and 1945/2048 of the recorded ScreenWidth x ScreenHigh, scaled to
 * the screen size told here; with 0 (or an unusable record) raw 0..65535
 * spread linearly over the told screen. 64-bit integer arithmetic only.
 */
#ifndef QUORTOUCH_TOUCH_SIMULATOR_IOCTL_H
#define QUORTOUCH_TOUCH_SIMULATOR_IOCTL_H

#include "driver_contract.h"

/* in: ULONG raw word (X bits 31..16, Y bits 15..0) of the touch just made. */
#define IOCTL_SIM_SET_RAW_POINT   CTL_CODE(TOUCH_DEVICE_TYPE, 0x901, METHOD_BUFFERED, FILE_ANY_ACCESS)
/* out: TOUCH_SIM_STATE. */
#define IOCTL_SIM_GET_STATE       CTL_CODE(TOUCH_DEVICE_TYPE, 0x902, METHOD_BUFFERED, FILE_ANY_ACCESS)
/* in: TOUCH_SIM_FAIL_READS: the next Count raw reads fail with Status, which
 * must be an NTSTATUS error code (so the caller sees a nonzero last error);
 * Count 0 cancels. A failed read writes nothing. */
#define IOCTL_SIM_FAIL_READS      CTL_CODE(TOUCH_DEVICE_TYPE, 0x903, METHOD_BUFFERED, FILE_ANY_ACCESS)
/* in: ULONG raw word; out: TOUCH_SIM_POINT, the screen point of that raw
 * point under the loaded calibration. */
#define IOCTL_SIM_MAP_POINT       CTL_CODE(TOUCH_DEVICE_TYPE, 0x904, METHOD_BUFFERED, FILE_ANY_ACCESS)
/* in: TOUCH_SIM_POINT holding the screen width and height, each 1..32767
 * (the driver can't measure the screen; until told, it uses the recorded
 * ScreenWidth x ScreenHigh). */
#define IOCTL_SIM_SET_SCREEN      CTL_CODE(TOUCH_DEVICE_TYPE, 0x905, METHOD_BUFFERED, FILE_ANY_ACCESS)
/* in: ULONG 1 = deliver the next touch as a right-button click, 0 = cancel. */
#define IOCTL_SIM_SET_RIGHT_BUTTON CTL_CODE(TOUCH_DEVICE_TYPE, 0x906, METHOD_BUFFERED, FILE_ANY_ACCESS)
/* out: ULONG button of the touch being delivered, 1 = left, 2 = right; taking
 * a right button clears the pending right-button request. */
#define IOCTL_SIM_TAKE_BUTTON     CTL_CODE(TOUCH_DEVICE_TYPE, 0x907, METHOD_BUFFERED, FILE_ANY_ACCESS)

typedef struct TOUCH_SIM_POINT {
    long X;
    long Y;
} TOUCH_SIM_POINT;

typedef struct TOUCH_SIM_FAIL_READS {
    unsigned long Count;
    long Status; /* an NTSTATUS, e.g. 0xC0000185 (STATUS_IO_DEVICE_ERROR) */
} TOUCH_SIM_FAIL_READS;

typedef struct TOUCH_SIM_STATE {
    unsigned long ReloadCount;      /* IOCTL_RELOAD_CALIBRATION requests so far */
    unsigned long RawReadCount;     /* IOCTL_READ_RAW_POINT requests so far */
    unsigned long Calibration4Pt;   /* as loaded */
    unsigned long Values[10];       /* calibration record as loaded, field order */
    long ScreenWidth, ScreenHeight; /* as told by IOCTL_SIM_SET_SCREEN */
    unsigned long LastRawWord;      /* as set by IOCTL_SIM_SET_RAW_POINT */
    unsigned long RightButtonPending;
    unsigned long FailReadsLeft;
} TOUCH_SIM_STATE;

#endif
