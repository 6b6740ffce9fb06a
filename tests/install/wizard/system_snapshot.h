// Pictures of the prefix's file tree and registry, one line per item, for
// comparing the machine before and after an installation or a removal.
// Places that change by themselves (temporary folders, Wine's own keys, the
// snapshots' own folder) are left out.
#pragma once
#include <map>
#include <set>
#include <string>

// Where a test keeps snapshots inside the prefix (left out of every snapshot).
extern const char SnapshotFolder[];  // "C:\snapshots"

std::string LowerText(std::string text);

// What exists, lower case: "file <path>", "dir <path>", "key <root\path>",
// "value <root\path\name>" for the C: drive and the registry trees where the
// package writes (HKLM Software, System\CurrentControlSet, Control Panel;
// HKCU Software, Control Panel).
std::set<std::string> TakeSnapshot();
// Saved as lines into the SnapshotFolder under that name, and read back.
void SaveSnapshot(const std::set<std::string>& snapshot, const std::string& name);
std::set<std::string> LoadSnapshot(const std::string& name);

// The same items, each with what it holds: a file's size and content hash, a
// shell link's target, arguments, working directory and description, a
// value's type and data, a key's access list (SDDL); and the driver as two
// items: "service vessausb" with its state, and "device \\.\vessatouchusb"
// while it opens.
using DetailedSnapshot = std::map<std::string, std::string>;
DetailedSnapshot TakeDetailedSnapshot();
// From before to after: the items added or changed, with their details after,
// and the items gone, with the detail "(gone)".
DetailedSnapshot SnapshotChanges(const DetailedSnapshot& before, const DetailedSnapshot& after);
// As "item<TAB>detail" lines at any path (also outside the prefix).
void SaveDetailedSnapshot(const DetailedSnapshot& snapshot, const std::string& path);
DetailedSnapshot LoadDetailedSnapshot(const std::string& path);
