#include <gtest/gtest.h>

#include <cstring>

#include "parameter_store.h"
#include "test_support.h"

namespace {

const char ServiceKey[] = DRIVER_SERVICE_KEY;

class ParameterStore : public testing::Test {
protected:
    void SetUp() override { DeleteTree(HKEY_LOCAL_MACHINE, ServiceKey); }
    void TearDown() override
    {
        SetKeyDacl(HKEY_LOCAL_MACHINE, ServiceKey, "D:(A;OICI;KA;;;WD)");
        DeleteTree(HKEY_LOCAL_MACHINE, ServiceKey);
    }

    static std::vector<std::string> ValueNames()
    {
        std::vector<std::string> names;
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ParameterKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return names;
        for (DWORD i = 0;; ++i) {
            char name[MAX_PATH];
            DWORD length = MAX_PATH;
            if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            names.emplace_back(name);
        }
        RegCloseKey(key);
        return names;
    }
};

TEST_F(ParameterStore, TableHoldsTheNineteenValuesInOrderWithTheirDefaults)
{
    const struct {
        const char* name;
        DWORD value;
    } expected[] = {
        {"SwapXY", 0},          {"ScreenWidth", 100},       {"ScreenHigh", 100},       {"DragDelay", 0},
        {"ButtonMode", 0},      {"TopLeftOffsetX", 0},      {"TopLeftOffsetY", 0},     {"TopRightOffsetX", 0},
        {"TopRightOffsetY", 0}, {"BottomLeftOffsetX", 0},   {"BottomLeftOffsetY", 0},  {"BottomRightOffsetX", 0},
        {"BottomRightOffsetY", 0}, {"BeepMode", 2},         {"BeepFreq", 1000},        {"BeepTime", 11000},
        {"MouseMode", 3},       {"DblClickRegion", 10},     {"Calibration4Pt", 0},
    };
    static_assert(sizeof(DeviceParameter) == MAX_PATH + 4, "name field of 260 characters and a word");
    for (int i = 0; i < DeviceParameterCount; ++i) {
        EXPECT_STREQ(expected[i].name, DeviceParameterTable[i].Name) << i;
        EXPECT_EQ(expected[i].value, DeviceParameterTable[i].Default) << i;
    }
    EXPECT_STREQ("System\\Currentcontrolset\\Services\\VessaUsb\\Parameters\\", ParameterKey);
}

TEST_F(ParameterStore, DefaultsReplaceACommittedCalibration)
{
    const DWORD committed[] = {120, 130, 64000, 140, 150, 63000, 62000, 61000, 1024, 768};
    for (int i = 0; i < CalibrationFieldCount; ++i)
        ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, ParameterKey, CalibrationRecord[i], committed[i]));
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, ParameterKey, CalibrationFlag, 1));

    EXPECT_EQ(0, WriteParameterDefaults());

    for (const DeviceParameter& entry : DeviceParameterTable) {
        DWORD type = 0;
        std::vector<BYTE> data;
        ASSERT_TRUE(ReadValue(HKEY_LOCAL_MACHINE, ParameterKey, entry.Name, &type, &data)) << entry.Name;
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type) << entry.Name;
        ASSERT_EQ(4u, data.size()) << entry.Name;
        DWORD value = 0;
        memcpy(&value, data.data(), 4);
        EXPECT_EQ(entry.Default, value) << entry.Name;
    }
}

TEST_F(ParameterStore, MissingKeyIsCreatedWithAllNineteenValues)
{
    // The registry lists values in an order of its own, so the write order is
    // the table's (checked above); here: exactly the nineteen, nothing else.
    ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ParameterKey));
    EXPECT_EQ(0, WriteParameterDefaults());
    std::vector<std::string> names = ValueNames();
    ASSERT_EQ(static_cast<size_t>(DeviceParameterCount), names.size());
    for (const DeviceParameter& entry : DeviceParameterTable) {
        DWORD value = 99;
        EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, entry.Name, &value));
        EXPECT_EQ(entry.Default, value);
    }
}

TEST_F(ParameterStore, KeyThatCanNeitherBeOpenedNorCreatedGivesMinusThree)
{
    // The key exists, but its access list lets everyone read it only: it can
    // be opened (or "created") with full access by nobody.
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, ParameterKey, "ScreenWidth", 1024));
    ASSERT_TRUE(SetKeyDacl(HKEY_LOCAL_MACHINE, ParameterKey, "D:(A;;KR;;;WD)"));

    EXPECT_EQ(-3, WriteParameterDefaults());
    DWORD value = 0;
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, "ScreenWidth", &value));
    EXPECT_EQ(1024u, value);
    EXPECT_FALSE(ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, "SwapXY", &value));
    SetKeyDacl(HKEY_LOCAL_MACHINE, ParameterKey, "D:(A;OICI;KA;;;WD)");
}

TEST_F(ParameterStore, DeleteRemovesTheNineteenValuesAndKeepsOthers)
{
    ASSERT_EQ(0, WriteParameterDefaults());
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, ParameterKey, "NotOurs", 7));
    DeleteParameterValues();
    std::vector<std::string> names = ValueNames();
    ASSERT_EQ(1u, names.size());
    EXPECT_EQ("NotOurs", names[0]);
}

TEST_F(ParameterStore, DeleteOnAMissingKeyTouchesNothing)
{
    DeleteParameterValues();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ParameterKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ServiceKey));
}

}  // namespace
