// The log-on calibration of a per-machine deployment: the installing user's
// log-on value, the command that the package's Active Setup component runs
// at each user's first log-on, and the removal of both from every user hive
// that is loaded. Each change is recorded in the run's open journal first.
#pragma once
#include <windows.h>

// "Software\Microsoft\Active Setup\Installed Components\{<id>}": the
// component under HKEY_LOCAL_MACHINE, and each user's copy of it under the
// user's own hive, which Windows writes once it ran StubPath for that user.
extern const char ActiveSetupKey[];

// The component's StubPath: the system's reg.exe writing the current user's
// log-on value ("HKCU\<Run key>", the setup wizard's name and data). False
// when it would not fit.
bool FormatLogonStubCommand(char* command, size_t size);

// The installing user's log-on value in that user's hive under HKEY_USERS
// (this action runs as the system). False when it could not be recorded.
bool SetInstallingUsersLogonValue(const char* userSid);

// In every hive under HKEY_USERS (a user's classes aside): the log-on value
// and the user's copy of the Active Setup component. The number of hives
// whose log-on value stays (each logged); *installingUserStays tells
// whether the installing user's is one.
int RemoveLogonValuesOfEveryUser(const char* installingSid, bool* installingUserStays);
