// Start-up of the calibration tool when it must not go on: no rights on the
// parameter key, no driver. The tool runs as a process of its own; its
// message boxes are read and answered here.
#include <gtest/gtest.h>

#include "calibration_session.h"
#include "parameter_store.h"
#include "test_support.h"
#include "tool_watch.h"

namespace {

class StartupTest : public testing::Test {
protected:
    void SetUp() override
    {
        ResetKey();
        ASSERT_EQ(0, WriteParameterDefaults());
        ASSERT_TRUE(WriteRunOnceValue());
    }
    void TearDown() override { ResetKey(); }
    static void ResetKey()
    {
        SetKeyDacl(HKEY_LOCAL_MACHINE, ParameterKey, "D:(A;OICI;KA;;;WD)");
        DeleteTree(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY);
    }
};

TEST_F(StartupTest, WithoutFullAccessToTheParameterKeyOnlyAsksForAdministrator)
{
    ASSERT_TRUE(SetKeyDacl(HKEY_LOCAL_MACHINE, ParameterKey, "D:(A;;KR;;;WD)"));

    WatchedProcess tool;
    ASSERT_TRUE(StartCalibrationTool(&tool));
    EXPECT_EQ(-1, FinishWatched(&tool));

    ASSERT_EQ(1u, tool.Boxes.size());
    EXPECT_EQ("Please run as administrator", tool.Boxes[0].Text);
    EXPECT_EQ("Error", tool.Boxes[0].Caption);
    EXPECT_FALSE(tool.Boxes[0].HasIcon);
    EXPECT_TRUE(RunOnceValuePresent());
}

TEST_F(StartupTest, WithoutTheDriverReportsTheOpenErrorAndIgnoresArguments)
{
    for (const char* arguments : {"", "/u extra"}) {
        WatchedProcess tool;
        ASSERT_TRUE(StartCalibrationTool(&tool, arguments));
        EXPECT_EQ(-1, FinishWatched(&tool)) << arguments;

        ASSERT_EQ(1u, tool.Boxes.size()) << arguments;
        EXPECT_EQ("Open driver fail(2)!", tool.Boxes[0].Text);
        EXPECT_EQ("Quortouch Calibration", tool.Boxes[0].Caption);
        EXPECT_TRUE(tool.Boxes[0].HasIcon);
        EXPECT_TRUE(RunOnceValuePresent());
    }
}

// Last: it leaves the stand-in driver loaded, which the cases above must not see.
TEST_F(StartupTest, WithoutTheParameterKeyRefusesEvenWhenTheDriverRuns)
{
    // The driver still runs but its key is gone, as after a removal whose
    // restart is pending: the device would open, the key says there is no
    // driver. The tool refuses before the open and writes nothing.
    ASSERT_NE(INVALID_HANDLE_VALUE, StandInDevice());
    ResetKey();
    WatchedProcess tool;
    ASSERT_TRUE(StartCalibrationTool(&tool));
    EXPECT_EQ(-1, FinishWatched(&tool));
    ASSERT_EQ(1u, tool.Boxes.size());
    EXPECT_EQ("Open driver fail(2)!", tool.Boxes[0].Text);
    EXPECT_EQ("Quortouch Calibration", tool.Boxes[0].Caption);
    EXPECT_TRUE(RunOnceValuePresent());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ParameterKey));
}

} // namespace
