// One run of the Windows Installer package as its deferred actions share it:
// the run's journal (install/engine/run_journal.h, owner JournalOfPackage),
// in which each action records what it changes before it changes it, the
// installing user, and what the run found before it began. The immediate
// action PreparePackageRun composes it; every deferred action gets it as its
// data:
//   "<install dir>|<Windows dir>|<journal>|<installing user's SID>|<flags>|
//    <pairs in the restart queue>"
// flags: 'x' a removal for good, 'k' keep the device values (a repair or an
// upgrade), 'r' the driver's service was running.
#pragma once
#include <windows.h>

struct PackageRun {
    char Journal[MAX_PATH];
    char UserSid[192];
    bool Removal;
    bool KeepDeviceValues;
    bool DriverWasRunning;
    // Entries of the restart queue from this position on came after the run began.
    int QueuedPairsBefore;
};
extern PackageRun CurrentRun;

// The deferred actions that get the run's data, by name; null ends it.
extern const char* const PackageRunActions[];

// Composes the data of this run: a new journal's path under <windows>'s
// journal folder, and the flags. False when it would not fit.
bool ComposePackageRunData(const char* installDir, const char* windowsDir, const char* userSid, bool removal,
                           bool keepDeviceValues, bool driverRunning, int queuedPairs, char* data, size_t size);

// The base paths (LoadBasePaths) and the run from the action's data. False
// (logged) when they are missing.
bool LoadPackageRun();

// Opens the run's journal (made, with its folder, by the first action) for
// this action's records; false (logged) when it can't be opened.
bool OpenPackageJournal();
