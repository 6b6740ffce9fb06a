// Files that are open or running and so can be neither overwritten nor
// deleted now: they are replaced or deleted at the next restart instead.
#pragma once
#include <windows.h>

// The errors of a copy over, or a delete of, a file that is in use.
bool IsInUseError(DWORD error);

// True when both files hold the same bytes (false when either can't be read).
bool SameContent(const char* first, const char* second);

// A new, empty file with a unique name in the directory of path
// ("qtuXXXX.tmp"), its name in unique: a name the functions below know as
// one of theirs. False when the directory is too long for such a name or
// the file could not be made.
bool MakeUniqueNameBeside(const char* path, char (&unique)[MAX_PATH]);

// Copies source into staged (a name from MakeUniqueNameBeside(target)) and
// schedules that copy to replace target at the next restart. False, with
// the failed call's last-error code, when either failed (staged is then
// deleted again).
bool ReplaceAtRestart(const char* source, const char* target, const char* staged);

// Copies the file beside itself under a unique name in its directory, whose
// name goes to copy. False, with the failed call's last-error code, when that
// failed (a partial copy is deleted again).
bool CopyBeside(const char* path, char (&copy)[MAX_PATH]);

// Renames the file to a unique name in its directory and schedules that name
// for deletion at the next restart, so the original name is free at once for
// a later installation. A file that can't be renamed (open without delete
// sharing) is scheduled under its own name. False when nothing was scheduled.
bool DeleteAtRestart(const char* path);

// Deletes the file now, or, when it is in use, at the next restart.
void DeleteNowOrAtRestart(const char* path);
