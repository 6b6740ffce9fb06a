/*
 * Control codes of the stand-in kernel driver beyond the two codes that the
 * programs use (common/driver_contract.h). They exist so that tests and the
 * demo can play the touch panel: hand the driver the raw point of a touch,
 * read back what it has loaded, make raw reads fail, and ask where its loaded
 * calibration puts a raw point on the screen. Plain C, shared by the driver
 * and the user-mode simulator.
 */
#ifndef QUORTOUCH_TOUCH_SIMULATOR_IOCTL_H
#define QUORTOUCH_TOUCH_SIMULATOR_IOCTL_H

#include "driver_contract.h"

/* in: ULONG raw word (X bits 31..16, Y bits 15..0) of the touch just made. */
#define IOCTL_SIM_SET_RAW_POINT   CTL_CODE(TOUCH_DEVICE_TYPE, 0x901, METHOD_BUFFERED, FILE_ANY_ACCESS)
/* out: TOUCH_SIM_STATE. */
#define IOCTL_SIM_GET_STATE       CTL_CODE(TOUCH_DEVICE_TYPE, 0x902, METHOD_BUFFERED, FILE_ANY_ACCESS)
/* in: TOUCH_SIM_FAIL_READS: the next Count raw reads fail with Status. */
#define IOCTL_SIM_FAIL_READS      CTL_CODE(TOUCH_DEVICE_TYPE, 0x903, METHOD_BUFFERED, FILE_ANY_ACCESS)
/* in: ULONG raw word; out: TOUCH_SIM_POINT, the screen point of that raw
 * point under the loaded calibration. */
#define IOCTL_SIM_MAP_POINT       CTL_CODE(TOUCH_DEVICE_TYPE, 0x904, METHOD_BUFFERED, FILE_ANY_ACCESS)
/* in: TOUCH_SIM_POINT holding the screen width and height (the driver can't
 * measure the screen). */
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
