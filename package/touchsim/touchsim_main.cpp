// touchsim.exe: touches the screen through the stand-in touch driver.
//
//   touchsim [model options] [--right] X Y   a finger at (X, Y): prints the raw
//                                            word and where the click went
//   touchsim --state                         prints the driver's state
//   touchsim --probe                         exit 0 when the device opens
// Model options: --offset DX DY  --scale SX SY  --rotate DEGREES  --swap
//                --invert-x  --invert-y  (defaults: see touchsim.h)
// Exit codes: 0 done, 1 wrong command line, 2 device missing or refused.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver_contract.h"
#include "touchsim.h"

static int Usage()
{
    fprintf(stderr,
            "usage: touchsim [--offset DX DY] [--scale SX SY] [--rotate DEG] [--swap] [--invert-x] "
            "[--invert-y] [--right] X Y\n"
            "       touchsim --state | --probe\n");
    return 1;
}

static bool Number(const char* text, double* value)
{
    char* end = nullptr;
    *value = strtod(text, &end);
    return end != text && *end == '\0';
}

static HANDLE OpenOrReport()
{
    HANDLE device = TouchSimOpenDevice();
    if (device == INVALID_HANDLE_VALUE)
        fprintf(stderr, "touchsim: %s does not open (error %lu)\n", TOUCH_DEVICE_PATH, GetLastError());
    return device;
}

static int PrintState()
{
    HANDLE device = OpenOrReport();
    if (device == INVALID_HANDLE_VALUE)
        return 2;
    TOUCH_SIM_STATE state;
    bool ok = TouchSimGetState(device, &state);
    CloseHandle(device);
    if (!ok) {
        fprintf(stderr, "touchsim: state not read (error %lu)\n", GetLastError());
        return 2;
    }
    printf("reloads %lu, raw reads %lu, Calibration4Pt %lu, record", state.ReloadCount, state.RawReadCount,
           state.Calibration4Pt);
    for (unsigned long value : state.Values)
        printf(" %lu", value);
    printf(", screen %ldx%ld, last raw 0x%08lX, right button %lu, failing reads %lu\n", state.ScreenWidth,
           state.ScreenHeight, state.LastRawWord, state.RightButtonPending, state.FailReadsLeft);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc == 2 && strcmp(argv[1], "--state") == 0)
        return PrintState();
    if (argc == 2 && strcmp(argv[1], "--probe") == 0) {
        HANDLE device = OpenOrReport();
        if (device == INVALID_HANDLE_VALUE)
            return 2;
        CloseHandle(device);
        printf("touchsim: %s opens\n", TOUCH_DEVICE_PATH);
        return 0;
    }

    TouchPanelModel model = DefaultTouchPanelModel();
    bool right = false;
    double numbers[2];
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (strcmp(a, "--offset") == 0 && i + 2 < argc) {
            if (!Number(argv[i + 1], &model.OffsetX) || !Number(argv[i + 2], &model.OffsetY))
                return Usage();
            i += 2;
        } else if (strcmp(a, "--scale") == 0 && i + 2 < argc) {
            if (!Number(argv[i + 1], &model.ScaleX) || !Number(argv[i + 2], &model.ScaleY))
                return Usage();
            i += 2;
        } else if (strcmp(a, "--rotate") == 0 && i + 1 < argc) {
            if (!Number(argv[++i], &model.RotationDegrees))
                return Usage();
        } else if (strcmp(a, "--swap") == 0) {
            model.SwapXY = true;
        } else if (strcmp(a, "--invert-x") == 0) {
            model.InvertX = true;
        } else if (strcmp(a, "--invert-y") == 0) {
            model.InvertY = true;
        } else if (strcmp(a, "--right") == 0) {
            right = true;
        } else if (count < 2 && Number(a, &numbers[count])) {
            ++count;
        } else {
            return Usage();
        }
    }
    if (count != 2)
        return Usage();

    HANDLE device = OpenOrReport();
    if (device == INVALID_HANDLE_VALUE)
        return 2;
    TouchResult touch;
    bool ok = (!right || TouchSimSetRightButton(device, true)) &&
              TouchSimTouch(device, (int)numbers[0], (int)numbers[1], &touch, &model);
    DWORD error = GetLastError();
    CloseHandle(device);
    if (!ok) {
        fprintf(stderr, "touchsim: touch failed (error %lu)\n", error);
        return 2;
    }
    printf("finger (%d,%d) raw 0x%08lX (%u,%u) clicked (%ld,%ld) %s\n", (int)numbers[0], (int)numbers[1],
           touch.RawWord, RAW_POINT_X(touch.RawWord), RAW_POINT_Y(touch.RawWord), touch.Clicked.x, touch.Clicked.y,
           touch.Button == 2 ? "right" : "left");
    return 0;
}
