// The run journal: one file per run, in which the run records each change
// before it makes it, so that a failed run can be undone exactly and a run
// that was killed is undone by the next one. The run holds its journal open
// without sharing; records are appended with WriteFile (nothing waits in a
// buffer of the process, so a killed process loses nothing) and forced to
// disk at each step's start and before each entry of the restart queue, so
// that after a power loss the undo is exact up to the last flush. A record
// torn by a kill is ignored. The journal is deleted once its run commits or
// has been undone.
//
// A journal may pass from process to process: one writes it (closing it
// after each action), another undoes it, a third commits it, each naming it
// by its path. The wizard keeps its journals in a folder of its own under
// the Windows directory, which goes when it is empty.
#pragma once
#include <windows.h>

// What a run does; an install is undone, a removal is finished.
enum JournalKind : DWORD { JournalOfInstall = 1, JournalOfRemoval = 2 };
// Whose journal it is: the wizard recovers only its own; a package's run is
// Windows Installer's to roll back.
enum JournalOwner : DWORD { JournalOfWizard = 1, JournalOfPackage = 2 };

extern const char JournalFolderName[];  // "QuortouchJournal", under the Windows directory
extern const char JournalExtension[];   // ".qtj"

// "<Windows directory>\QuortouchJournal"; false when it would not fit.
bool JournalFolderPath(char (&path)[MAX_PATH]);

// A new journal of the wizard's for this run in that folder (made when
// missing). False with the last-error code when it can't be made.
bool StartRunJournal(JournalKind kind);
// Opens the journal at path and holds it without sharing: a missing one is
// made, with kind and owner; an existing one (written by an earlier process
// of the same run) is continued after its last whole record. False with the
// last-error code; ERROR_SHARING_VIOLATION while another process holds it.
bool OpenRunJournal(const char* path, JournalKind kind, JournalOwner owner);
bool RunJournalOpen();
// Closes the open journal and leaves its file for another process.
void CloseRunJournal();
// Forces the records appended so far to disk. True without an open journal.
bool FlushRunJournal();

// The records. Each is appended before its change is made and reads what
// it needs of the state before the change itself. Without an open journal
// each records nothing and returns true; false, with the last-error code,
// when the record could not be written: the change must then not be made.
// A record made leaves the last-error code as the caller left it.
bool RecordFileCreated(const char* path);
// target is about to be overwritten; kept holds its bytes until the commit.
bool RecordFileOverwritten(const char* target, const char* kept);
// staged is about to be copied and queued to replace target at the restart.
bool RecordFileStaged(const char* target, const char* staged);
// A pair about to be appended to the restart queue, as stored.
bool RecordQueueEntryAdded(const WCHAR* source, const WCHAR* destination);
// The pair at position about to be taken out of the queue. A commit deletes
// the pair's source when deleteSourceAtCommit (a staged copy that the pair
// would have put in place).
bool RecordQueueEntryTakenOut(int position, const WCHAR* source, const WCHAR* destination,
                              bool deleteSourceAtCommit);
// Each level of the key path that does not exist yet, outermost first.
bool RecordKeyCreated(HKEY root, const char* path);
// The value's type and data, or that it is absent (also with its key).
bool RecordValue(HKEY root, const char* keyPath, const char* name);
// The key's access list (its security descriptor's DACL).
bool RecordAccessList(HKEY root, const char* keyPath);
// The service's configuration, or that it does not exist.
bool RecordDriverService(const char* serviceName);
// Only when the folder does not exist yet.
bool RecordFolderCreated(const char* path);
// The link file's bytes, or that it is absent.
bool RecordShortcut(const char* linkFile);
// The log-on value under the current user's Run key, bound to that user.
bool RecordLogonValue(const char* valueName);

// True when the open journal records path as a copy staged by this run.
bool StagedByThisRun(const char* path);

// Undoes the open journal's records in reverse order, then deletes it. A
// kept copy whose target is in use goes back at the restart, ahead of every
// queue entry made since the run started, unless an entry from before the
// run replaces or deletes that target (the kept copy is then queued for
// deletion); a kept copy whose target holds its bytes already is deleted.
// False when some record could not be undone (each is logged).
bool UndoRunJournal();
// Deletes the kept copies and the staged copies of the pairs taken out,
// then the journal.
bool CommitRunJournal();
// The same for a journal named by its path (true when there is none); false
// with ERROR_SHARING_VIOLATION while a live process holds it.
bool UndoJournalFile(const char* path);
bool CommitJournalFile(const char* path);
// The wizard's journals left by killed runs (those no live run holds):
// installs undone, removals committed (the next removal finishes the
// work). The number handled. Called before the run opens its own journal.
int RecoverKilledRuns();
