#include <gtest/gtest.h>

#include "autostart.h"
#include "test_support.h"

namespace {

TEST_CHILD_ACTION(SetAutostartChild)
{
    (void)argument;
    SetAutostartValue(AutostartValueName, AutostartFileName);
    return 0;
}

class Autostart : public testing::Test {
protected:
    void SetUp() override
    {
        SetWineWindowsVersion("");
        DeleteAutostartValue(AutostartValueName);
    }
    void TearDown() override { SetWineWindowsVersion(""); }
};

TEST_F(Autostart, ValueHoldsTheToolPathStoredWithoutItsTerminator)
{
    SetAutostartValue(AutostartValueName, AutostartFileName);
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(ReadValue(HKEY_CURRENT_USER, RunKey, "QuortouchUsb", &type, &data));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    std::string expected = WindowsDir() + "\\QuortouchUsb\\QuortouchUsb.exe";
    // The program hands over the length without the terminator; the registry,
    // like Windows itself, adds the zero that follows the text in memory.
    ASSERT_GE(data.size(), expected.size());
    EXPECT_EQ(expected, std::string(data.begin(), data.begin() + expected.size()));
    EXPECT_LE(data.size(), expected.size() + 1);
    if (data.size() > expected.size()) {
        EXPECT_EQ(0, data.back());
    }
}

TEST_F(Autostart, SecondSetReplacesTheData)
{
    SetAutostartValue(AutostartValueName, "Other.exe");
    SetAutostartValue(AutostartValueName, AutostartFileName);
    std::string text;
    ASSERT_TRUE(ReadString(HKEY_CURRENT_USER, RunKey, "QuortouchUsb", &text));
    EXPECT_EQ(WindowsDir() + "\\QuortouchUsb\\QuortouchUsb.exe", text);
}

TEST_F(Autostart, NothingIsWrittenOnWindowsSixPointZero)
{
    SetWineWindowsVersion("vista");
    ASSERT_EQ(0, RunChild("SetAutostartChild"));
    std::string text;
    EXPECT_FALSE(ReadString(HKEY_CURRENT_USER, RunKey, "QuortouchUsb", &text));

    SetWineWindowsVersion("win7");
    ASSERT_EQ(0, RunChild("SetAutostartChild"));
    EXPECT_TRUE(ReadString(HKEY_CURRENT_USER, RunKey, "QuortouchUsb", &text));
}

TEST_F(Autostart, OverlongPathWritesNothing)
{
    std::string longName(300, 'n');
    SetAutostartValue("LongOne", longName.c_str());
    std::string text;
    EXPECT_FALSE(ReadString(HKEY_CURRENT_USER, RunKey, "LongOne", &text));
}

TEST_F(Autostart, DeletingAMissingValueChangesNothing)
{
    ASSERT_TRUE(WriteDword(HKEY_CURRENT_USER, RunKey, "SomethingElse", 1));
    DeleteAutostartValue(AutostartValueName);
    DWORD value = 0;
    EXPECT_TRUE(ReadDword(HKEY_CURRENT_USER, RunKey, "SomethingElse", &value));
    RegDeleteKeyValueA(HKEY_CURRENT_USER, RunKey, "SomethingElse");
}

TEST_F(Autostart, DeletingWhenTheRunKeyIsMissingCreatesItEmpty)
{
    DeleteTree(HKEY_CURRENT_USER, RunKey);
    ASSERT_FALSE(KeyExists(HKEY_CURRENT_USER, RunKey));
    DeleteAutostartValue(AutostartValueName);
    ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, RunKey));
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, RunKey, 0, KEY_READ, &key));
    DWORD values = 99, subkeys = 99;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    EXPECT_EQ(0u, values);
    EXPECT_EQ(0u, subkeys);
}

}  // namespace
