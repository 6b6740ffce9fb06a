// The uninstall entry as Programs and Features sees it.
#pragma once
#include <string>
#include <vector>

// The two values every installation writes, with their data and sizes, and
// the details beside them: version, publisher, icon, install location, size
// of the installed files, no change and no repair.
void ExpectUninstallEntryWithDetails();
// What Wine's "uninstaller --list" prints: one "key|||DisplayName" line per
// entry (Wine 8 prints no other value there).
std::string ListedPrograms();
// The rows of Programs and Features (Wine's appwiz.cpl, opened in this
// process), each row's columns (name, publisher, version) joined with " | ".
// The window is saved as a screenshot under that name, then closed.
std::vector<std::string> ProgramsAndFeaturesRows(const char* screenshot);
