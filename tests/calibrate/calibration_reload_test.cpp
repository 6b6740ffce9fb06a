// Commit and restore against the stand-in driver: what the driver is told
// and what it loads.
#include <gtest/gtest.h>

#include "calibration_record.h"
#include "calibration_session.h"
#include "parameter_store.h"
#include "test_support.h"
#include "touch_device.h"

namespace {

class ReloadTest : public testing::Test {
protected:
    void SetUp() override
    {
        device = StandInDevice();
        ASSERT_NE(INVALID_HANDLE_VALUE, device);
        ASSERT_EQ(0, WriteParameterDefaults());
        before = DriverState(device);
    }
    void TearDown() override { DeviceHandle = INVALID_HANDLE_VALUE; }

    HANDLE device = INVALID_HANDLE_VALUE;
    TOUCH_SIM_STATE before = {};
};

TEST_F(ReloadTest, CommitSendsExactlyOneReloadAfterTheValuesAreBack)
{
    DeviceHandle = device;
    unsigned long reads = ParameterReadCount;
    CommitCalibrationRecord(1000, 2000, 60000, 2100, 1100, 61000, 60500, 62000, 1024, 768);
    EXPECT_EQ(11u, ParameterReadCount - reads);

    TOUCH_SIM_STATE after = DriverState(device);
    EXPECT_EQ(1u, after.ReloadCount - before.ReloadCount);
    const unsigned long expected[10] = {1000, 2000, 60000, 2100, 1100, 61000, 60500, 62000, 1024, 768};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(expected[i], after.Values[i]) << CalibrationRecord[i];
    EXPECT_EQ(1u, after.Calibration4Pt);
}

TEST_F(ReloadTest, WithoutTheDeviceACommitWritesTheSameButSendsNothing)
{
    DeviceHandle = INVALID_HANDLE_VALUE;
    unsigned long reads = ParameterReadCount;
    CommitCalibrationRecord(1000, 2000, 60000, 2100, 1100, 61000, 60500, 62000, 1024, 768);
    EXPECT_EQ(11u, ParameterReadCount - reads);
    DWORD value = 0;
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, CAL_BOTTOM_RIGHT_Y, &value));
    EXPECT_EQ(62000u, value);
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, CAL_FOUR_POINT, &value));
    EXPECT_EQ(1u, value);
    EXPECT_EQ(before.ReloadCount, DriverState(device).ReloadCount);
}

TEST_F(ReloadTest, RestoreSendsOneReloadSoTheDriverWorksWithTheKeyAgain)
{
    DeviceHandle = device;
    CommitCalibrationRecord(1000, 2000, 60000, 2100, 1100, 61000, 60500, 62000, 1024, 768);
    RestoreCalibrationRecord(3000, 3100, 62000, 3200, 3300, 62100, 62200, 62300, 800, 600, 1);

    TOUCH_SIM_STATE after = DriverState(device);
    EXPECT_EQ(2u, after.ReloadCount - before.ReloadCount);
    EXPECT_EQ(3000u, after.Values[0]);
    EXPECT_EQ(600u, after.Values[9]);
    EXPECT_EQ(1u, after.Calibration4Pt) << "the flag as it was loaded";
}

} // namespace
