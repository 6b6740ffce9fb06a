// The stand-in kernel driver, loaded by Wine in this test's own prefix:
// the two control codes the programs use, the simulator's codes, and what
// it does with bad requests.
#include <gtest/gtest.h>

#include <cstring>

#include "driver_contract.h"
#include "test_support.h"
#include "touchsim.h"

namespace {

const long StatusIoDeviceError = (long)0xC0000185;

// Installs the driver once for the whole program and opens the device as the
// calibration tool does.
class TouchDevice : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        InstallCode = TouchSimInstallDriver(TouchSimStandInDirectory(TestBinDir()));
    }
    void SetUp() override
    {
        ASSERT_EQ(0, InstallCode);
        device = TouchSimOpenDevice();
        ASSERT_NE(INVALID_HANDLE_VALUE, device) << GetLastError();
    }
    void TearDown() override
    {
        if (device != INVALID_HANDLE_VALUE)
            CloseHandle(device);
    }
    bool Control(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned = nullptr)
    {
        DWORD count = 0;
        BOOL ok = DeviceIoControl(device, code, in, inSize, out, outSize, &count, nullptr);
        if (returned)
            *returned = count;
        return ok != FALSE;
    }
    static int InstallCode;
    HANDLE device = INVALID_HANDLE_VALUE;
};
int TouchDevice::InstallCode = -1;

TEST_F(TouchDevice, RawWordReadsBackAsXAndY)
{
    ASSERT_TRUE(TouchSimSetRawPoint(device, 0x12345678));
    DWORD raw = 0, returned = 0;
    ASSERT_TRUE(Control(IOCTL_READ_RAW_POINT, nullptr, 0, &raw, sizeof(raw), &returned));
    EXPECT_EQ(4u, returned);
    EXPECT_EQ(4660u, RAW_POINT_X(raw));
    EXPECT_EQ(22136u, RAW_POINT_Y(raw));
}

TEST_F(TouchDevice, TooSmallOutputFailsWithoutPartialWrite)
{
    ASSERT_TRUE(TouchSimSetRawPoint(device, 0x12345678));
    unsigned char buffer[4];
    memset(buffer, 0xAA, sizeof(buffer));
    DWORD returned = 77;
    EXPECT_FALSE(Control(IOCTL_READ_RAW_POINT, nullptr, 0, buffer, 3, &returned));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_EQ(0u, returned);
    for (unsigned char b : buffer)
        EXPECT_EQ(0xAA, b);
    EXPECT_FALSE(Control(IOCTL_READ_RAW_POINT, nullptr, 0, nullptr, 0));
    EXPECT_NE(0u, GetLastError());
}

TEST_F(TouchDevice, ReloadReadsTheParameterKeyAndCounts)
{
    TOUCH_SIM_STATE before;
    ASSERT_TRUE(TouchSimGetState(device, &before));
    const char* names[] = {CAL_TOP_LEFT_X,     CAL_TOP_LEFT_Y,     CAL_TOP_RIGHT_X, CAL_TOP_RIGHT_Y,
                           CAL_BOTTOM_LEFT_X,  CAL_BOTTOM_LEFT_Y,  CAL_BOTTOM_RIGHT_X,
                           CAL_BOTTOM_RIGHT_Y, CAL_SCREEN_WIDTH,   CAL_SCREEN_HIGH};
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, PARAMETER_KEY_PATH, names[i], 1000u + i));
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, PARAMETER_KEY_PATH, CAL_FOUR_POINT, 1));

    // Nothing changes until the driver is asked.
    TOUCH_SIM_STATE state;
    ASSERT_TRUE(TouchSimGetState(device, &state));
    EXPECT_EQ(before.Values[0], state.Values[0]);

    ASSERT_TRUE(TouchSimReload(device));
    ASSERT_TRUE(TouchSimGetState(device, &state));
    EXPECT_EQ(before.ReloadCount + 1, state.ReloadCount);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(1000u + i, state.Values[i]) << names[i];
    EXPECT_EQ(1u, state.Calibration4Pt);

    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, PARAMETER_KEY_PATH, CAL_FOUR_POINT, 0));
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, PARAMETER_KEY_PATH, CAL_SCREEN_WIDTH, 1920));
    ASSERT_TRUE(TouchSimReload(device));
    ASSERT_TRUE(TouchSimGetState(device, &state));
    EXPECT_EQ(before.ReloadCount + 2, state.ReloadCount);
    EXPECT_EQ(0u, state.Calibration4Pt);
    EXPECT_EQ(1920u, state.Values[8]);
}

TEST_F(TouchDevice, FailedReadsGiveANonzeroLastErrorAndWriteNothing)
{
    ASSERT_TRUE(TouchSimSetRawPoint(device, 0x00010002));
    ASSERT_TRUE(TouchSimFailReads(device, 2, StatusIoDeviceError));
    for (int i = 0; i < 2; ++i) {
        DWORD raw = 0;
        SetLastError(0);
        EXPECT_FALSE(TouchSimReadRawPoint(device, &raw));
        EXPECT_EQ(ERROR_IO_DEVICE, GetLastError());
        EXPECT_EQ(0u, raw);
    }
    DWORD raw = 0;
    EXPECT_TRUE(TouchSimReadRawPoint(device, &raw));
    EXPECT_EQ(0x00010002u, raw);
}

TEST_F(TouchDevice, BadRequestsFailAndTheDriverLivesOn)
{
    const DWORD unknown = CTL_CODE(TOUCH_DEVICE_TYPE, 0x9FF, METHOD_BUFFERED, FILE_ANY_ACCESS);
    DWORD word = 0;
    EXPECT_FALSE(Control(unknown, nullptr, 0, &word, sizeof(word)));
    EXPECT_EQ(ERROR_INVALID_FUNCTION, GetLastError());
    EXPECT_FALSE(Control(IOCTL_READ_RAW_POINT_VALUE + 4 * 0x100, nullptr, 0, &word, sizeof(word)));

    // Null and short buffers on every code that takes or gives data.
    unsigned char small[2] = {0, 0};
    for (DWORD code : {IOCTL_SIM_SET_RAW_POINT, IOCTL_SIM_SET_RIGHT_BUTTON, IOCTL_SIM_SET_SCREEN,
                       IOCTL_SIM_FAIL_READS, IOCTL_SIM_MAP_POINT}) {
        EXPECT_FALSE(Control(code, nullptr, 0, nullptr, 0)) << std::hex << code;
        EXPECT_FALSE(Control(code, small, sizeof(small), nullptr, 0)) << std::hex << code;
    }
    for (DWORD code : {IOCTL_SIM_GET_STATE, IOCTL_SIM_TAKE_BUTTON, IOCTL_SIM_MAP_POINT}) {
        EXPECT_FALSE(Control(code, nullptr, 0, nullptr, 0)) << std::hex << code;
        EXPECT_FALSE(Control(code, nullptr, 0, small, sizeof(small))) << std::hex << code;
    }
    // An output buffer that is not there: the call fails, nothing crashes.
    EXPECT_FALSE(Control(IOCTL_READ_RAW_POINT, nullptr, 0, nullptr, 4));

    // Nonsense values are refused.
    TOUCH_SIM_POINT noScreen = {0, 768};
    EXPECT_FALSE(Control(IOCTL_SIM_SET_SCREEN, &noScreen, sizeof(noScreen), nullptr, 0));
    TOUCH_SIM_FAIL_READS succeeding = {1, 0};
    EXPECT_FALSE(Control(IOCTL_SIM_FAIL_READS, &succeeding, sizeof(succeeding), nullptr, 0));

    // The device still answers normally.
    ASSERT_TRUE(TouchSimSetRawPoint(device, 0xFFFF0000));
    EXPECT_TRUE(TouchSimReadRawPoint(device, &word));
    EXPECT_EQ(0xFFFF0000u, word);
    TOUCH_SIM_STATE state;
    ASSERT_TRUE(TouchSimGetState(device, &state));
    EXPECT_EQ(0u, state.FailReadsLeft);
}

TEST_F(TouchDevice, RightButtonModeLastsOneTouch)
{
    unsigned long button = 0;
    ASSERT_TRUE(TouchSimTakeButton(device, &button));
    EXPECT_EQ(1u, button);
    ASSERT_TRUE(TouchSimSetRightButton(device, true));
    TOUCH_SIM_STATE state;
    ASSERT_TRUE(TouchSimGetState(device, &state));
    EXPECT_EQ(1u, state.RightButtonPending);
    ASSERT_TRUE(TouchSimTakeButton(device, &button));
    EXPECT_EQ(2u, button);
    ASSERT_TRUE(TouchSimTakeButton(device, &button));
    EXPECT_EQ(1u, button);
    ASSERT_TRUE(TouchSimSetRightButton(device, true));
    ASSERT_TRUE(TouchSimSetRightButton(device, false));
    ASSERT_TRUE(TouchSimTakeButton(device, &button));
    EXPECT_EQ(1u, button);
}

TEST_F(TouchDevice, MapsRawPointsOverTheToldScreenUncalibrated)
{
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, PARAMETER_KEY_PATH, CAL_FOUR_POINT, 0));
    ASSERT_TRUE(TouchSimReload(device));
    ASSERT_TRUE(TouchSimSetScreen(device, 1024, 768));
    POINT p;
    ASSERT_TRUE(TouchSimMapPoint(device, RAW_POINT_WORD(0, 0), &p));
    EXPECT_EQ(0, p.x);
    EXPECT_EQ(0, p.y);
    ASSERT_TRUE(TouchSimMapPoint(device, RAW_POINT_WORD(65535, 65535), &p));
    EXPECT_EQ(1023, p.x);
    EXPECT_EQ(767, p.y);
    ASSERT_TRUE(TouchSimMapPoint(device, RAW_POINT_WORD(32768, 16384), &p));
    EXPECT_EQ(512, p.x);
    EXPECT_EQ(192, p.y);
}

}  // namespace
