// Widening the parameter key's access list for Users, Guests, Administrators.
#pragma once
#include <windows.h>
#include <aclapi.h>

void SecureParameterKey();
bool EnablePrivilege(HANDLE process, const char* privilegeName);
// 0, or the Windows error code of the failing step; 87 for a null name.
DWORD GrantKeyAccess(const char* objectName, SE_OBJECT_TYPE objectType, const char* trusteeName);
