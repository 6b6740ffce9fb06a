// The file tree of drive C: and the registry keys and value names of the
// places an installation touches, as a set of lines ("file c:\...",
// "dir c:\...", "key hklm\...", "value hklm\...\name"), lower-cased,
// without what changes by itself at every start of a prefix or program. Two
// snapshots compare the state of the system before and after a sequence.
#pragma once
#include <windows.h>

#include <map>
#include <set>
#include <string>

std::set<std::string> TakeSnapshot();
// Kept across runs of the test program in C:\lifecycle.
void SaveSnapshot(const std::set<std::string>& snapshot, const std::string& name);
std::set<std::string> LoadSnapshot(const std::string& name);
std::string Lower(std::string text);
// "+ line" for each line only in after (but those in mayBeAdded), "- line"
// for each only in before; "" when both are the same.
std::string SnapshotDifference(const std::set<std::string>& before, const std::set<std::string>& after,
                               const std::set<std::string>& mayBeAdded = {});
// What a removal knowingly leaves of an installation: the mouse
// double-click values, written under HKEY_LOCAL_MACHINE (creating "Control
// Panel" there), for which no removal has a step, and the setup tool's log,
// kept where driver tools keep theirs.
extern const std::set<std::string> RemovalLeftovers;
// The installer's setup log, which every run of Install.exe appends to and
// which stays after the removal, as a snapshot line.
extern const char SetupLogItem[];  // "file c:\windows\quortouchsetup.log"

// The same items, each with what it holds: a file's size and content hash, a
// shell link's target, arguments, description and working directory, a
// value's type and data, a key's access list (SDDL); and the driver as two
// items: "service vessausb" with its state, and "device \\.\vessatouchusb"
// while it opens.
using DetailedSnapshot = std::map<std::string, std::string>;
DetailedSnapshot TakeDetailedSnapshot();
// From before to after: the items added or changed, with their details after
// (a file's content is read then, in the prefix that has it), and the items
// gone, with the detail "(gone)".
DetailedSnapshot SnapshotChanges(const DetailedSnapshot& before, const DetailedSnapshot& after);
// As "item<TAB>detail" lines at any path (also outside the prefix).
void SaveDetailedSnapshot(const DetailedSnapshot& snapshot, const std::string& path);
DetailedSnapshot LoadDetailedSnapshot(const std::string& path);

// A key's access list as "dacl <SDDL>".
std::string KeyAccessList(HKEY root, const char* path);
