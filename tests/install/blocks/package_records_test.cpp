// The records of the Windows Installer package against the real registry:
// the parameter values its rollback actions keep as text and write back, its
// listing under the upgrade code, and how Install.exe finds an installed
// package (by the upgrade code, else by its Programs and Features entry).
#include <gtest/gtest.h>

#include "driver_state.h"
#include "package_owner.h"
#include "parameter_store.h"
#include "test_support.h"
#include "uninstall_entry.h"
#include "upgrade_records.h"

namespace {

const char Listed[] = "{1A2B3C4D-5E6F-4A1B-8C2D-3E4F5A6B7C8D}";
const char Entry[] = "{0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9}";

TEST(PackageRecords, ParameterValuesKeptAsTextAndWrittenBack)
{
    DeleteTree(HKEY_LOCAL_MACHINE, ParameterKey);
    char text[2048];
    ASSERT_TRUE(FormatParameterValues(text, sizeof text));
    EXPECT_STREQ("", text);
    EXPECT_FALSE(ParameterValuesPresent());

    ASSERT_EQ(0, WriteParameterDefaults());
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, ParameterKey, CalibrationRecord[0], 4000000000u));
    ASSERT_TRUE(FormatParameterValues(text, sizeof text));
    char small[64];
    EXPECT_FALSE(FormatParameterValues(small, sizeof small));
    DeleteTree(HKEY_LOCAL_MACHINE, ParameterKey);
    EXPECT_EQ(DeviceParameterCount, RestoreParameterValues(text));
    EXPECT_TRUE(ParameterValuesPresent());
    DWORD value = 0;
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, CalibrationRecord[0], &value));
    EXPECT_EQ(4000000000u, value);

    // Names outside the table, and numbers that are not whole DWORDs, stay out.
    std::string odd = std::string("Stranger=1;") + CalibrationRecord[1] + "=12x;" + CalibrationRecord[2] +
                      "=4294967296;" + CalibrationFlag + "=1";
    EXPECT_EQ(1, RestoreParameterValues(odd.c_str()));
    EXPECT_FALSE(ValuePresent(HKEY_LOCAL_MACHINE, ParameterKey, "Stranger"));
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, ParameterKey, CalibrationFlag, &value));
    EXPECT_EQ(1u, value);
}

TEST(PackageRecords, InstalledPackageFoundByUpgradeCodeOrEntry)
{
    char found[ProductCodeSize];
    EXPECT_FALSE(FindInstalledPackage(found));
    EXPECT_FALSE(RelistUnderUpgradeCode("VessaTouch"));

    ASSERT_TRUE(RelistUnderUpgradeCode(Listed));
    ASSERT_TRUE(FindInstalledPackage(found));
    EXPECT_STREQ(Listed, found);
    EXPECT_FALSE(FindInstalledPackage(found, Listed));

    // Without the upgrade-code records: the entry with the product's name
    // that Windows Installer wrote. The wizard's entry is not one.
    DeleteTree(HKEY_LOCAL_MACHINE, "Software\\Classes\\Installer\\UpgradeCodes");
    DeleteTree(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UpgradeCodes");
    const std::string entry = std::string(UninstallParentKey) + "\\" + Entry;
    ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, UninstallKey, "DisplayName", UninstallDisplayName));
    ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, entry.c_str(), "DisplayName", UninstallDisplayName));
    EXPECT_FALSE(FindInstalledPackage(found));
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, entry.c_str(), "WindowsInstaller", 1));
    ASSERT_TRUE(FindInstalledPackage(found));
    EXPECT_STREQ(Entry, found);
    EXPECT_FALSE(FindInstalledPackage(found, Entry));
}

}  // namespace
