/*
 * QuorUsb.sys: stand-in kernel driver of the touch controller.
 *
 * It creates \Device\VessatouchUsb (user mode: \\.\VessatouchUsb) and answers
 * buffered control requests:
 *   IOCTL_READ_RAW_POINT      out: the raw word of the last touch (4 bytes);
 *                             a smaller output buffer fails, nothing written.
 *   IOCTL_RELOAD_CALIBRATION  re-reads the calibration record and its flag
 *                             from the parameter key; every request counts.
 *   IOCTL_SIM_*               the simulator's codes (touch_simulator_ioctl.h).
 * Any other code fails with STATUS_INVALID_DEVICE_REQUEST. The calibration is
 * also read once at load, so a calibration survives a restart.
 */
#include <ntddk.h>

#include "driver_contract.h"
#include "touch_mapping.h"
#include "touch_simulator_ioctl.h"

#define BUTTON_LEFT 1
#define BUTTON_RIGHT 2

/* Everything the driver knows, guarded by StateLock. */
static KSPIN_LOCK StateLock;
static TOUCH_CALIBRATION LoadedCalibration;
static ULONG ReloadCount;
static ULONG RawReadCount;
static ULONG LastRawWord;
static LONG ScreenWidth;
static LONG ScreenHeight;
static ULONG RightButtonPending;
static ULONG FailReadsLeft;
static NTSTATUS FailReadStatus;

static PDEVICE_OBJECT TouchDeviceObject;

static const WCHAR* const RecordValueNames[TOUCH_RECORD_FIELDS] = {
    L"TopLeftOffsetX",    L"TopLeftOffsetY",    L"TopRightOffsetX",    L"TopRightOffsetY",
    L"BottomLeftOffsetX", L"BottomLeftOffsetY", L"BottomRightOffsetX", L"BottomRightOffsetY",
    L"ScreenWidth",       L"ScreenHigh",
};

/* A 32-bit value of the key; 0 when missing or shorter than 4 bytes. The
 * type is not checked, as by every other reader of the key. */
static ULONG QueryWord(HANDLE key, const WCHAR* name)
{
    UNICODE_STRING valueName;
    UCHAR buffer[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + 8];
    PKEY_VALUE_PARTIAL_INFORMATION info = (PKEY_VALUE_PARTIAL_INFORMATION)buffer;
    ULONG length = 0;
    ULONG word = 0;
    RtlInitUnicodeString(&valueName, name);
    if (!NT_SUCCESS(ZwQueryValueKey(key, &valueName, KeyValuePartialInformation, info, sizeof(buffer),
                                    &length)))
        return 0;
    if (info->DataLength >= sizeof(ULONG))
        RtlCopyMemory(&word, info->Data, sizeof(ULONG));
    return word;
}

/* Reads the record and the flag; the loaded calibration changes only when the
 * key could be opened. */
static NTSTATUS LoadCalibration(void)
{
    UNICODE_STRING path;
    OBJECT_ATTRIBUTES attributes;
    HANDLE key;
    TOUCH_CALIBRATION fresh;
    KIRQL irql;
    NTSTATUS status;
    int i;

    RtlInitUnicodeString(&path, PARAMETER_KEY_KERNEL_PATH);
    InitializeObjectAttributes(&attributes, &path, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    status = ZwOpenKey(&key, KEY_READ, &attributes);
    if (!NT_SUCCESS(status)) {
        DbgPrint("QuorUsb: parameter key not opened (0x%08lx)\n", (unsigned long)status);
        return status;
    }
    for (i = 0; i < TOUCH_RECORD_FIELDS; ++i)
        fresh.Values[i] = QueryWord(key, RecordValueNames[i]);
    fresh.Calibration4Pt = QueryWord(key, L"Calibration4Pt");
    ZwClose(key);

    KeAcquireSpinLock(&StateLock, &irql);
    LoadedCalibration = fresh;
    KeReleaseSpinLock(&StateLock, irql);
    return STATUS_SUCCESS;
}

static NTSTATUS ReadRawPoint(PVOID buffer, ULONG outLength, ULONG_PTR* written)
{
    KIRQL irql;
    NTSTATUS status = STATUS_SUCCESS;
    if (buffer == NULL || outLength < sizeof(ULONG))
        return STATUS_BUFFER_TOO_SMALL;
    KeAcquireSpinLock(&StateLock, &irql);
    ++RawReadCount;
    if (FailReadsLeft > 0) {
        --FailReadsLeft;
        status = FailReadStatus;
    } else {
        RtlCopyMemory(buffer, &LastRawWord, sizeof(ULONG));
        *written = sizeof(ULONG);
    }
    KeReleaseSpinLock(&StateLock, irql);
    return status;
}

static NTSTATUS GetState(PVOID buffer, ULONG outLength, ULONG_PTR* written)
{
    TOUCH_SIM_STATE state;
    KIRQL irql;
    int i;
    if (buffer == NULL || outLength < sizeof(state))
        return STATUS_BUFFER_TOO_SMALL;
    KeAcquireSpinLock(&StateLock, &irql);
    state.ReloadCount = ReloadCount;
    state.RawReadCount = RawReadCount;
    state.Calibration4Pt = LoadedCalibration.Calibration4Pt;
    for (i = 0; i < TOUCH_RECORD_FIELDS; ++i)
        state.Values[i] = LoadedCalibration.Values[i];
    state.ScreenWidth = ScreenWidth;
    state.ScreenHeight = ScreenHeight;
    state.LastRawWord = LastRawWord;
    state.RightButtonPending = RightButtonPending;
    state.FailReadsLeft = FailReadsLeft;
    KeReleaseSpinLock(&StateLock, irql);
    RtlCopyMemory(buffer, &state, sizeof(state));
    *written = sizeof(state);
    return STATUS_SUCCESS;
}

static NTSTATUS MapPoint(PVOID buffer, ULONG inLength, ULONG outLength, ULONG_PTR* written)
{
    TOUCH_CALIBRATION calibration;
    TOUCH_SIM_POINT point;
    ULONG raw;
    LONG width, height;
    KIRQL irql;
    if (buffer == NULL || inLength < sizeof(ULONG) || outLength < sizeof(point))
        return STATUS_BUFFER_TOO_SMALL;
    RtlCopyMemory(&raw, buffer, sizeof(ULONG));
    KeAcquireSpinLock(&StateLock, &irql);
    calibration = LoadedCalibration;
    width = ScreenWidth;
    height = ScreenHeight;
    KeReleaseSpinLock(&StateLock, irql);
    MapRawToScreen(&calibration, width, height, raw, &point.X, &point.Y);
    RtlCopyMemory(buffer, &point, sizeof(point));
    *written = sizeof(point);
    return STATUS_SUCCESS;
}

static NTSTATUS HandleSimulatorInput(ULONG code, PVOID buffer, ULONG inLength)
{
    ULONG word;
    TOUCH_SIM_POINT size;
    TOUCH_SIM_FAIL_READS fail;
    KIRQL irql;

    if (code == IOCTL_SIM_SET_SCREEN) {
        if (buffer == NULL || inLength < sizeof(size))
            return STATUS_BUFFER_TOO_SMALL;
        RtlCopyMemory(&size, buffer, sizeof(size));
        if (size.X <= 0 || size.Y <= 0 || size.X > TOUCH_MAX_SCREEN_SIDE || size.Y > TOUCH_MAX_SCREEN_SIDE)
            return STATUS_INVALID_PARAMETER;
        KeAcquireSpinLock(&StateLock, &irql);
        ScreenWidth = size.X;
        ScreenHeight = size.Y;
        KeReleaseSpinLock(&StateLock, irql);
        return STATUS_SUCCESS;
    }
    if (code == IOCTL_SIM_FAIL_READS) {
        if (buffer == NULL || inLength < sizeof(fail))
            return STATUS_BUFFER_TOO_SMALL;
        RtlCopyMemory(&fail, buffer, sizeof(fail));
        /* Only an error status makes the caller see a failed call. */
        if (fail.Count > 0 && !NT_ERROR(fail.Status))
            return STATUS_INVALID_PARAMETER;
        KeAcquireSpinLock(&StateLock, &irql);
        FailReadsLeft = fail.Count;
        FailReadStatus = fail.Status;
        KeReleaseSpinLock(&StateLock, irql);
        return STATUS_SUCCESS;
    }
    /* IOCTL_SIM_SET_RAW_POINT and IOCTL_SIM_SET_RIGHT_BUTTON take a word. */
    if (buffer == NULL || inLength < sizeof(ULONG))
        return STATUS_BUFFER_TOO_SMALL;
    RtlCopyMemory(&word, buffer, sizeof(ULONG));
    KeAcquireSpinLock(&StateLock, &irql);
    if (code == IOCTL_SIM_SET_RAW_POINT)
        LastRawWord = word;
    else
        RightButtonPending = word != 0;
    KeReleaseSpinLock(&StateLock, irql);
    return STATUS_SUCCESS;
}

static NTSTATUS TakeButton(PVOID buffer, ULONG outLength, ULONG_PTR* written)
{
    ULONG button;
    KIRQL irql;
    if (buffer == NULL || outLength < sizeof(ULONG))
        return STATUS_BUFFER_TOO_SMALL;
    KeAcquireSpinLock(&StateLock, &irql);
    button = RightButtonPending ? BUTTON_RIGHT : BUTTON_LEFT;
    RightButtonPending = 0;
    KeReleaseSpinLock(&StateLock, irql);
    RtlCopyMemory(buffer, &button, sizeof(ULONG));
    *written = sizeof(ULONG);
    return STATUS_SUCCESS;
}

static NTSTATUS Reload(void)
{
    KIRQL irql;
    KeAcquireSpinLock(&StateLock, &irql);
    ++ReloadCount;
    KeReleaseSpinLock(&StateLock, irql);
    return LoadCalibration();
}

static NTSTATUS DispatchDeviceControl(PDEVICE_OBJECT device, PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    ULONG inLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    PVOID buffer = irp->AssociatedIrp.SystemBuffer;
    ULONG_PTR written = 0;
    NTSTATUS status;
    (void)device;

    switch (code) {
    case IOCTL_READ_RAW_POINT:
        status = ReadRawPoint(buffer, outLength, &written);
        break;
    case IOCTL_RELOAD_CALIBRATION:
        status = Reload();
        break;
    case IOCTL_SIM_SET_RAW_POINT:
    case IOCTL_SIM_SET_RIGHT_BUTTON:
    case IOCTL_SIM_SET_SCREEN:
    case IOCTL_SIM_FAIL_READS:
        status = HandleSimulatorInput(code, buffer, inLength);
        break;
    case IOCTL_SIM_GET_STATE:
        status = GetState(buffer, outLength, &written);
        break;
    case IOCTL_SIM_MAP_POINT:
        status = MapPoint(buffer, inLength, outLength, &written);
        break;
    case IOCTL_SIM_TAKE_BUTTON:
        status = TakeButton(buffer, outLength, &written);
        break;
    default:
        status = STATUS_INVALID_DEVICE_REQUEST;
        break;
    }
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = NT_SUCCESS(status) ? written : 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS DispatchCreateClose(PDEVICE_OBJECT device, PIRP irp)
{
    (void)device;
    irp->IoStatus.Status = STATUS_SUCCESS;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return STATUS_SUCCESS;
}

static VOID DriverUnload(PDRIVER_OBJECT driver)
{
    UNICODE_STRING link;
    (void)driver;
    RtlInitUnicodeString(&link, TOUCH_DEVICE_DOS_NAME);
    IoDeleteSymbolicLink(&link);
    if (TouchDeviceObject != NULL)
        IoDeleteDevice(TouchDeviceObject);
    TouchDeviceObject = NULL;
    DbgPrint("QuorUsb: unloaded\n");
}

/* Declared in ntifs.h, which doesn't mix with ntddk.h. */
NTSYSAPI NTSTATUS NTAPI RtlCreateAcl(PACL acl, ULONG length, ULONG revision);
NTSYSAPI NTSTATUS NTAPI RtlAddAccessAllowedAce(PACL acl, ULONG revision, ACCESS_MASK mask, PSID sid);
NTSYSAPI NTSTATUS NTAPI ZwSetSecurityObject(HANDLE handle, SECURITY_INFORMATION information,
                                            PSECURITY_DESCRIPTOR descriptor);
NTKERNELAPI NTSTATUS NTAPI ObOpenObjectByPointer(PVOID object, ULONG attributes, PACCESS_STATE state,
                                                 ACCESS_MASK access, POBJECT_TYPE type, KPROCESSOR_MODE mode,
                                                 PHANDLE handle);

/* The well-known accounts of the device's access list (NT authority, 5). */
typedef struct {
    UCHAR Revision, SubAuthorityCount;
    UCHAR Authority[6];
    ULONG SubAuthority[2];
} WELL_KNOWN_SID;
static WELL_KNOWN_SID LocalSystemSid = {1, 1, {0, 0, 0, 0, 0, 5}, {18, 0}};
static WELL_KNOWN_SID AdministratorsSid = {1, 2, {0, 0, 0, 0, 0, 5}, {32, 544}};
static WELL_KNOWN_SID InteractiveSid = {1, 1, {0, 0, 0, 0, 0, 5}, {4, 0}};

/* The device's access list, "D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FRFW;;;IU)": an
 * unelevated calibration tool of the logged-on user opens the device for
 * reading and writing, SYSTEM and Administrators have full access, nobody
 * else gets in. Set through a kernel handle to the device object, which is
 * what Windows from 5.2 on offers a driver without the static wdmsec
 * library; the handle is asked for without an object type, which a
 * kernel-mode caller may do (Wine 8 refuses the device type with
 * STATUS_OBJECT_TYPE_MISMATCH). A failure leaves the I/O manager's default
 * list and is traced. Wine 8 takes the list but doesn't check it when a
 * program opens the device. */
static void AdmitInteractiveUsers(PDEVICE_OBJECT device)
{
    static ULONG aclBuffer[64];
    static ULONGLONG descriptor[8]; /* an absolute security descriptor */
    PACL acl = (PACL)aclBuffer;
    HANDLE handle = NULL;
    NTSTATUS status = RtlCreateAcl(acl, sizeof(aclBuffer), ACL_REVISION);
    if (NT_SUCCESS(status))
        status = RtlAddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, &LocalSystemSid);
    if (NT_SUCCESS(status))
        status = RtlAddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, &AdministratorsSid);
    if (NT_SUCCESS(status))
        status = RtlAddAccessAllowedAce(acl, ACL_REVISION, FILE_GENERIC_READ | FILE_GENERIC_WRITE, &InteractiveSid);
    if (NT_SUCCESS(status))
        status = RtlCreateSecurityDescriptor(descriptor, SECURITY_DESCRIPTOR_REVISION);
    if (NT_SUCCESS(status))
        status = RtlSetDaclSecurityDescriptor(descriptor, TRUE, acl, FALSE);
    if (NT_SUCCESS(status))
        status = ObOpenObjectByPointer(device, OBJ_KERNEL_HANDLE, NULL, WRITE_DAC, NULL, KernelMode,
                                       &handle);
    if (NT_SUCCESS(status)) {
        status = ZwSetSecurityObject(handle, DACL_SECURITY_INFORMATION, descriptor);
        ZwClose(handle);
    }
    if (!NT_SUCCESS(status))
        DbgPrint("QuorUsb: device access list not set (0x%08lx)\n", (unsigned long)status);
}

NTSTATUS DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    UNICODE_STRING name, link;
    NTSTATUS status;
    (void)registryPath;

    KeInitializeSpinLock(&StateLock);
    RtlInitUnicodeString(&name, TOUCH_DEVICE_KERNEL_NAME);
    RtlInitUnicodeString(&link, TOUCH_DEVICE_DOS_NAME);
    status = IoCreateDevice(driver, 0, &name, FILE_DEVICE_UNKNOWN, 0, FALSE, &TouchDeviceObject);
    if (!NT_SUCCESS(status))
        return status;
    TouchDeviceObject->Flags |= DO_BUFFERED_IO;
    AdmitInteractiveUsers(TouchDeviceObject);
    status = IoCreateSymbolicLink(&link, &name);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(TouchDeviceObject);
        TouchDeviceObject = NULL;
        return status;
    }
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreateClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchCreateClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchDeviceControl;
    driver->DriverUnload = DriverUnload;
    TouchDeviceObject->Flags &= ~DO_DEVICE_INITIALIZING;

    /* A missing key leaves the uncalibrated mapping. */
    LoadCalibration();
    DbgPrint("QuorUsb: device ready\n");
    return STATUS_SUCCESS;
}
