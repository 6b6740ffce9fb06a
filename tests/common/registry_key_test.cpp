// The registry helpers every part uses, against the prefix's own registry.
#include <gtest/gtest.h>

#include "registry_key.h"
#include "test_support.h"

namespace {

const char TestRoot[] = "Software\\QuortouchTest";

TEST(OpenOrCreateKey, CreatesOnceThenOpensAndAsksTheCreateAccessOfAKeyThatDeniesFullAccess)
{
    const char path[] = "Software\\QuortouchTest\\Made";
    DeleteTree(HKEY_LOCAL_MACHINE, TestRoot);
    HKEY key = nullptr;
    bool created = false;
    ASSERT_TRUE(OpenOrCreateKey(HKEY_LOCAL_MACHINE, path, KEY_ALL_ACCESS, &key, &created));
    EXPECT_TRUE(created);
    RegCloseKey(key);
    ASSERT_TRUE(OpenOrCreateKey(HKEY_LOCAL_MACHINE, path, KEY_ALL_ACCESS, &key, &created));
    EXPECT_FALSE(created);
    RegCloseKey(key);

    // Readable only: full access is refused, what the key grants is not.
    ASSERT_TRUE(SetKeyDacl(HKEY_LOCAL_MACHINE, path, "D:(A;;KR;;;WD)"));
    key = nullptr;
    EXPECT_FALSE(OpenOrCreateKey(HKEY_LOCAL_MACHINE, path, KEY_ALL_ACCESS, &key, &created));
    EXPECT_EQ(nullptr, key);
    ASSERT_TRUE(OpenOrCreateKey(HKEY_LOCAL_MACHINE, path, MAXIMUM_ALLOWED, &key, &created));
    EXPECT_FALSE(created);
    DWORD value = 1;
    EXPECT_NE(ERROR_SUCCESS, RegSetValueExA(key, "v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4));
    RegCloseKey(key);
    SetKeyDacl(HKEY_LOCAL_MACHINE, path, "D:(A;;KA;;;WD)");
    DeleteTree(HKEY_LOCAL_MACHINE, TestRoot);
}

TEST(DeleteRegistrySubkey, DeletesTheSubkeyAndGivesTheCloseStatus)
{
    const char parent[] = "Software\\QuortouchTest\\Parent";
    DeleteTree(HKEY_LOCAL_MACHINE, "Software\\QuortouchTest");
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, "Software\\QuortouchTest\\Parent\\Child", "v", 1));
    EXPECT_EQ(ERROR_SUCCESS, DeleteRegistrySubkey(HKEY_LOCAL_MACHINE, parent, "Child"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\QuortouchTest\\Parent\\Child"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, parent));
    // A missing subkey is no error of the operation.
    EXPECT_EQ(ERROR_SUCCESS, DeleteRegistrySubkey(HKEY_LOCAL_MACHINE, parent, "Child"));
    // The open's status when the parent is missing.
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, DeleteRegistrySubkey(HKEY_LOCAL_MACHINE, "Software\\QuortouchTest\\None", "X"));
    // A subkey with subkeys of its own stays.
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, "Software\\QuortouchTest\\Parent\\Deep\\Deeper", "v", 1));
    EXPECT_EQ(ERROR_SUCCESS, DeleteRegistrySubkey(HKEY_LOCAL_MACHINE, parent, "Deep"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\QuortouchTest\\Parent\\Deep\\Deeper"));
    // A parent that may only be read: access denied, the subkey stays.
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, "Software\\QuortouchTest\\Locked\\Child", "v", 1));
    ASSERT_TRUE(SetKeyDacl(HKEY_LOCAL_MACHINE, "Software\\QuortouchTest\\Locked", "D:(A;;KR;;;WD)"));
    EXPECT_EQ(ERROR_ACCESS_DENIED, DeleteRegistrySubkey(HKEY_LOCAL_MACHINE, "Software\\QuortouchTest\\Locked", "Child"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\QuortouchTest\\Locked\\Child"));
    SetKeyDacl(HKEY_LOCAL_MACHINE, "Software\\QuortouchTest\\Locked", "D:(A;;KA;;;WD)");
    DeleteTree(HKEY_LOCAL_MACHINE, "Software\\QuortouchTest");
}

}  // namespace
