#include <gtest/gtest.h>

#include <aclapi.h>

#include "debug_trace.h"
#include "key_security.h"
#include "parameter_store.h"
#include "installed_system.h"
#include "test_support.h"

namespace {

const char ServiceKey[] = DRIVER_SERVICE_KEY;

void ExpectFullInheritableAccess(WELL_KNOWN_SID_TYPE account, const char* name)
{
    std::vector<AccessEntry> entries = ParameterKeyEntriesFor(account);
    ASSERT_EQ(1u, entries.size()) << name;
    EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, entries[0].Type) << name;
    EXPECT_EQ(static_cast<ACCESS_MASK>(KEY_ALL_ACCESS), entries[0].Mask) << name;
    EXPECT_EQ(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, entries[0].Flags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE))
        << name;
}

class KeySecurity : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteTree(HKEY_LOCAL_MACHINE, ServiceKey);
        ASSERT_EQ(0, WriteParameterDefaults());
        // Earlier entries: everyone may read, the system has full access, the
        // users may read, the administrators have full access without
        // inheritance.
        ASSERT_TRUE(SetKeyDacl(HKEY_LOCAL_MACHINE, ParameterKey,
                               "D:(A;;KR;;;WD)(A;OICI;KA;;;SY)(A;;KR;;;BU)(A;;KA;;;BA)"));
    }
    void TearDown() override
    {
        SetKeyDacl(HKEY_LOCAL_MACHINE, ParameterKey, "D:(A;OICI;KA;;;WD)");
        DeleteTree(HKEY_LOCAL_MACHINE, ServiceKey);
    }
};

TEST_F(KeySecurity, UsersGuestsAndAdministratorsGetFullInheritableAccessBesideTheEarlierEntries)
{
    TraceCapture trace;
    SecureParameterKey();
    EXPECT_EQ(std::vector<std::string>{"Set Security.\n"}, trace.Lines());

    ExpectFullInheritableAccess(WinBuiltinUsersSid, "Users");
    ExpectFullInheritableAccess(WinBuiltinGuestsSid, "Guests");
    ExpectFullInheritableAccess(WinBuiltinAdministratorsSid, "Administrators");
    std::vector<AccessEntry> world = ParameterKeyEntriesFor(WinWorldSid);
    ASSERT_EQ(1u, world.size());
    EXPECT_EQ(static_cast<ACCESS_MASK>(KEY_READ), world[0].Mask);
    std::vector<AccessEntry> system = ParameterKeyEntriesFor(WinLocalSystemSid);
    ASSERT_EQ(1u, system.size());
    EXPECT_EQ(static_cast<ACCESS_MASK>(KEY_ALL_ACCESS), system[0].Mask);
}

TEST_F(KeySecurity, SecondRunStillHoldsOneEntryPerTrustee)
{
    SecureParameterKey();
    SecureParameterKey();
    ExpectFullInheritableAccess(WinBuiltinUsersSid, "Users");
    ExpectFullInheritableAccess(WinBuiltinGuestsSid, "Guests");
    ExpectFullInheritableAccess(WinBuiltinAdministratorsSid, "Administrators");
}

TEST_F(KeySecurity, MissingKeyFailsTheUsersGrantAndTriesNoOther)
{
    DeleteTree(HKEY_LOCAL_MACHINE, ServiceKey);
    TraceCapture trace;
    SecureParameterKey();
    ASSERT_EQ(2u, trace.Lines().size());
    EXPECT_EQ("Set Security.\n", trace.Lines()[0]);
    const std::string head = "Get the security info of the '" + ParameterKeyObjectName() + "' key(for 'Users') fail(0x";
    EXPECT_EQ(0u, trace.Lines()[1].rfind(head, 0)) << trace.Lines()[1];
    EXPECT_EQ(")\n", trace.Lines()[1].substr(trace.Lines()[1].size() - 2));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ParameterKey));
}

TEST_F(KeySecurity, GrantFailuresAreTracedWithTheirCodes)
{
    TraceCapture trace;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GrantKeyAccess(nullptr, SE_REGISTRY_KEY, "Users"));
    EXPECT_EQ(std::vector<std::string>{"Object Name is NULL\n"}, trace.Lines());

    // An account name that resolves to nothing fails at the merge.
    trace.Clear();
    DWORD result = GrantKeyAccess(ParameterKeyObjectName().c_str(), SE_REGISTRY_KEY, "NoSuchAccount");
    EXPECT_NE(0u, result);
    char expected[512];
    snprintf(expected, sizeof expected, "Set the entries in acl of the '%s' key(for 'NoSuchAccount') fail(0x%08X)\n",
             ParameterKeyObjectName().c_str(), static_cast<unsigned>(result));
    EXPECT_EQ(std::vector<std::string>{expected}, trace.Lines());
    EXPECT_EQ(1u, ParameterKeyEntriesFor(WinBuiltinUsersSid).size());
    EXPECT_EQ(static_cast<ACCESS_MASK>(KEY_READ), ParameterKeyEntriesFor(WinBuiltinUsersSid)[0].Mask);
}

TEST(Privilege, EnablingIsTracedOnlyWhenItFails)
{
    TraceCapture trace;
    EXPECT_TRUE(EnablePrivilege(GetCurrentProcess(), "SeSecurityPrivilege"));
    EXPECT_TRUE(trace.Lines().empty());

    EXPECT_FALSE(EnablePrivilege(GetCurrentProcess(), "SeNoSuchPrivilege"));
    EXPECT_EQ(std::vector<std::string>{"Lookup privilege fail(1313)\n"}, trace.Lines());

    trace.Clear();
    EXPECT_FALSE(EnablePrivilege(nullptr, "SeSecurityPrivilege"));
    EXPECT_EQ(std::vector<std::string>{"Open process tocken fail(6)\n"}, trace.Lines());
}

}  // namespace
