// The file tree of drive C: and the registry keys and value names of the
// places an installation touches, as a set of lines ("file c:\...",
// "key hklm\...", "value hklm\...\name"), lower-cased, without what changes
// by itself at every start of a prefix or program. Two snapshots compare
// the state of the system before and after a sequence.
#pragma once
#include <set>
#include <string>

std::set<std::string> TakeSnapshot();
// Kept across runs of the test program in C:\lifecycle.
void SaveSnapshot(const std::set<std::string>& snapshot, const std::string& name);
std::set<std::string> LoadSnapshot(const std::string& name);
std::string Lower(std::string text);
// "+ line" for each line only in after, "- line" for each only in before; ""
// when both are the same.
std::string SnapshotDifference(const std::set<std::string>& before, const std::set<std::string>& after);
