#include "record_check.h"

#include <gtest/gtest.h>

#include "parameter_store.h"
#include "test_support.h"

void WriteRecord(const DWORD (&values)[10], DWORD flag)
{
    for (int i = 0; i < CalibrationFieldCount; ++i)
        ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, ParameterKey, CalibrationRecord[i], values[i]));
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, ParameterKey, CalibrationFlag, flag));
}

void ExpectRecord(const DWORD (&values)[10], DWORD flag, const char* when)
{
    for (int i = 0; i < CalibrationFieldCount; ++i) {
        DWORD value = 0xDEADBEEF;
        EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, CalibrationRecord[i], &value))
            << CalibrationRecord[i] << " " << when;
        EXPECT_EQ(values[i], value) << CalibrationRecord[i] << " " << when;
    }
    DWORD value = 0xDEADBEEF;
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, CalibrationFlag, &value)) << when;
    EXPECT_EQ(flag, value) << CalibrationFlag << " " << when;
}
