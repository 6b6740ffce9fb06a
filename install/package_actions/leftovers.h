// What a removal of the package leaves of ours, gone at the restart: a
// running calibration tool, a file held open, and the folders that hold
// them. Windows Installer on Windows queues its own files in use; Wine's
// does not, and neither queues what it did not install.
#pragma once

// After the installer removed the files: every file still in the install
// folder or the Start-menu group, and each second copy still in the system
// folders, is renamed beside itself (recorded in the open journal as a kept
// copy: an undo renames it back, the commit deletes it, at the restart when
// it is in use); one that can't be renamed (held open without delete
// sharing) is queued for deletion under its own name (recorded too). The
// number handled.
int SetAsideLeftovers();

// After the journal's commit: the install folder and the Start-menu group,
// when still there, are queued for deletion at the restart, behind their
// files.
void QueueLeftoverFolders();

// After a failed installation: the restart queue's pairs from position since
// on that delete one of the package's targets or put a file there (what the
// installer queued for a file in use during this run) are taken out, and the
// files they would have put in place deleted. The number taken out.
int TakeOutReplacementsSince(int since);
