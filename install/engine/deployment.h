// The package files: their table, their copy into the install directory and
// the system directories, and what the restart queue holds for them.
#pragma once
#include <windows.h>

#include "package_layout.h"

// The package files of package_layout.h as the installer copies them: file
// name, second target on the NT family, second target on the older consumer
// family, each a zero-padded field.
struct PackageFileRow {
    char NameField[32];
    char NtTarget[64];
    char ConsumerTarget[64];
};
constexpr int PackageFileCount = 0 QUORTOUCH_PACKAGE_FILES(QUORTOUCH_COUNT_ROW);
extern const PackageFileRow PackageFileTable[PackageFileCount];

// The second target of a row for the running family, "" when none.
const char* SecondTarget(const PackageFileRow& row);

// 0 when every copy succeeded; -1 at the first failed copy, with that copy's
// last-error code (206 when a path would not fit its buffer). A target in use
// counts as copied: it is replaced at the next restart. Each change is
// recorded in the run's journal before it is made (run_journal.h): a failed
// run is undone from there.
int DeployPackageFiles();
// Once the run's files are in place for good (its driver step went
// through): takes out of the restart queue what earlier runs queued for the
// package's targets and for the install directory (replacements and
// deletions), so that the restart keeps this run's files. Each entry taken
// out is recorded in the run's journal, whose commit deletes the staged
// copies of the replacements taken out (without a journal they go at once).
void TakeOutSupersededEntries();
// Takes out of the restart queue every entry for a package target (in the
// install directory and the system directories): replacements, whose staged
// copies are deleted (at the restart when in use), and deletions.
void TakeBackQueuedPackageEntries();
