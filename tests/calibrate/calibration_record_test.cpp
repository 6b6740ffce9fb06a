// The calibration record against the registry of the test prefix. Anything
// that may show a message box runs in a child process whose boxes the test
// reads and answers.
#include <gtest/gtest.h>

#include <cstdlib>

#include "calibration_record.h"
#include "parameter_store.h"
#include "record_check.h"
#include "test_support.h"
#include "tool_watch.h"
#include "touch_device.h"

namespace {

const DWORD Previous[10] = {1200, 1300, 64000, 1400, 1500, 63000, 62000, 61000, 800, 600};
const DWORD Next[10] = {4660, 22136, 60001, 3002, 3003, 59004, 61005, 62006, 1024, 768};

// Commit and restore, called in a child process. The argument is the record
// in decimal, comma-separated, and for a restore the flag last.
void ParseRecord(const char* argument, int (&values)[11])
{
    const char* p = argument;
    for (int i = 0; i < 11; ++i) {
        char* end = nullptr;
        values[i] = static_cast<int>(strtol(p, &end, 10));
        p = *end == ',' ? end + 1 : end;
    }
}

TEST_CHILD_ACTION(RestoreRecord)
{
    int v[11] = {};
    ParseRecord(argument, v);
    RestoreCalibrationRecord(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]);
    return 0;
}

TEST_CHILD_ACTION(CommitRecord)
{
    int v[11] = {};
    ParseRecord(argument, v);
    CommitCalibrationRecord(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]);
    return static_cast<int>(ParameterReadCount);
}

std::string RecordArgument(const DWORD (&values)[10], DWORD flag)
{
    std::string text;
    for (DWORD value : values)
        text += std::to_string(value) + ",";
    return text + std::to_string(flag);
}

class CalibrationRecordTest : public testing::Test {
protected:
    void SetUp() override { ResetKey(); }
    void TearDown() override { ResetKey(); }
    static void ResetKey()
    {
        SetKeyDacl(HKEY_LOCAL_MACHINE, ParameterKey, "D:(A;OICI;KA;;;WD)");
        DeleteTree(HKEY_LOCAL_MACHINE, DRIVER_SERVICE_KEY);
    }
};

TEST_F(CalibrationRecordTest, CommitWritesRecordAndFlagAndReadsEachValueBackOnce)
{
    WriteRecord(Previous, 0);
    ASSERT_EQ(INVALID_HANDLE_VALUE, DeviceHandle);
    unsigned long readsBefore = ParameterReadCount;

    CommitCalibrationRecord(4660, 22136, 60001, 3002, 3003, 59004, 61005, 62006, 1024, 768);

    ExpectRecord(Next, 1);
    // Every value read back at its first read: eleven reads, no sleep.
    EXPECT_EQ(11u, ParameterReadCount - readsBefore);
}

TEST_F(CalibrationRecordTest, CommitWithoutFullAccessWritesAndReadsNothing)
{
    WriteRecord(Previous, 0);
    ASSERT_TRUE(SetKeyDacl(HKEY_LOCAL_MACHINE, ParameterKey, "D:(A;;KR;;;WD)"));

    WatchedProcess child;
    ASSERT_TRUE(StartChildAction("CommitRecord", &child, RecordArgument(Next, 1)));
    EXPECT_EQ(0, FinishWatched(&child)) << "no read-back wait at all";
    EXPECT_TRUE(child.Boxes.empty());
    ExpectRecord(Previous, 0);
}

TEST_F(CalibrationRecordTest, WaitForAValueThatNeverMatchesCosts21ReadsAnd20Sleeps)
{
    WriteRecord(Previous, 0);
    unsigned long readsBefore = ParameterReadCount;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);

    WaitForParameterValue(CAL_TOP_LEFT_X, 4660);

    QueryPerformanceCounter(&end);
    double elapsedMs = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    EXPECT_EQ(21u, ParameterReadCount - readsBefore);
    EXPECT_GE(elapsedMs, 95.0) << "twenty sleeps of 5 ms";
    printf("WaitForParameterValue without a match: %.1f ms\n", elapsedMs);
}

TEST_F(CalibrationRecordTest, WaitOnAKeyThatCannotBeReadSeesZero)
{
    // The key is missing: every read yields 0.
    unsigned long readsBefore = ParameterReadCount;
    WaitForParameterValue(CAL_FOUR_POINT, 0);
    EXPECT_EQ(1u, ParameterReadCount - readsBefore) << "an expected 0 matches at once";

    // The key exists but denies reading.
    WriteRecord(Previous, 1);
    ASSERT_TRUE(SetKeyDacl(HKEY_LOCAL_MACHINE, ParameterKey, "D:(A;;KW;;;WD)"));
    HKEY key = nullptr;
    ASSERT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, ParameterKey, 0, KEY_READ, &key));
    readsBefore = ParameterReadCount;
    WaitForParameterValue(CAL_FOUR_POINT, 0);
    EXPECT_EQ(1u, ParameterReadCount - readsBefore);
    WaitForParameterValue(CAL_FOUR_POINT, 1);
    EXPECT_EQ(22u, ParameterReadCount - readsBefore) << "the 1 that the key holds is never seen";
}

TEST_F(CalibrationRecordTest, RestoreCreatesAMissingKeyAndWritesTheElevenValuesSilently)
{
    ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ParameterKey));

    WatchedProcess child;
    ASSERT_TRUE(StartChildAction("RestoreRecord", &child, RecordArgument(Previous, 1)));
    EXPECT_EQ(0, FinishWatched(&child));
    EXPECT_TRUE(child.Boxes.empty());
    // The flag goes back as it was loaded.
    ExpectRecord(Previous, 1);
}

TEST_F(CalibrationRecordTest, RestoreWhenTheKeyCanNeitherBeOpenedNorCreatedSaysSo)
{
    WriteRecord(Next, 1);
    ASSERT_TRUE(SetKeyDacl(HKEY_LOCAL_MACHINE, ParameterKey, "D:(A;;KR;;;WD)"));

    WatchedProcess child;
    ASSERT_TRUE(StartChildAction("RestoreRecord", &child, RecordArgument(Previous, 0)));
    EXPECT_EQ(0, FinishWatched(&child));
    ASSERT_EQ(1u, child.Boxes.size());
    EXPECT_EQ("Open Registry error!!!", child.Boxes[0].text);
    EXPECT_EQ("Error", child.Boxes[0].caption);
    EXPECT_EQ(0u, child.Boxes[0].icon);
    ExpectRecord(Next, 1);
}

TEST_F(CalibrationRecordTest, LoadLeavesMissingValuesAndReadsOtherTypesAsWords)
{
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, ParameterKey, CAL_TOP_LEFT_X, 4660));
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, ParameterKey, CAL_SCREEN_HIGH, 768));
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, ParameterKey, 0, KEY_ALL_ACCESS, &key));
    const BYTE binary[4] = {0x78, 0x56, 0x34, 0x12};
    RegSetValueExA(key, CAL_BOTTOM_RIGHT_Y, 0, REG_BINARY, binary, 4);
    RegCloseKey(key);

    int v[10];
    for (int i = 0; i < 10; ++i)
        v[i] = -7;
    int flag = 5;
    LoadCalibrationRecord(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9], &flag);

    EXPECT_EQ(4660, v[0]);
    for (int i = 1; i < 7; ++i)
        EXPECT_EQ(-7, v[i]) << CalibrationRecord[i];
    EXPECT_EQ(0x12345678, v[7]) << "REG_BINARY of 4 bytes read as a word";
    EXPECT_EQ(-7, v[8]);
    EXPECT_EQ(768, v[9]);
    EXPECT_EQ(0, flag) << "a missing flag loads as 0";

    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, ParameterKey, CAL_FOUR_POINT, 1));
    LoadCalibrationRecord(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9], &flag);
    EXPECT_EQ(1, flag);
}

TEST_F(CalibrationRecordTest, LoadReadsNothingWithoutAllCornerDestinationsOrWithoutTheKey)
{
    WriteRecord(Next, 1);
    int v[10] = {};
    LoadCalibrationRecord(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], nullptr, &v[8], &v[9]);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(0, v[i]) << i;

    ASSERT_TRUE(SetKeyDacl(HKEY_LOCAL_MACHINE, ParameterKey, "D:(A;;KR;;;WD)"));
    int flag = 9;
    LoadCalibrationRecord(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9], &flag);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(0, v[i]) << i;
    EXPECT_EQ(0, flag);
}

} // namespace
