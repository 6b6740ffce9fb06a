// What an installation leaves on the system, read back the way Windows
// reads it: the install directory, shell links, the driver's service and
// device, and the access list of the parameter key.
#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <vector>

// "<Windows directory>\QuortouchUSB", the installer's own name for it.
std::string InstallDirectoryPath();
// From the installer's own tables (common/package_layout.h): the package
// files in table order; the second copies (full paths) of the NT family
// (consumer == false) or of the older consumer family; those of the other
// family that are none of this family's (what this family leaves alone); the
// file names of the Start-menu links.
std::vector<std::string> PackageFileNames();
std::vector<std::string> SecondTargets(bool consumer);
std::vector<std::string> OnlyOfTheOtherFamily(bool consumer);
std::vector<std::string> StartMenuLinkNames();
// The built package folder (build\package\QuortouchUsb).
std::string BuiltPackageDirectory();
// Copies the files of the built package folder (those of the package layout),
// or every file of the package folder named (a release as it shipped), into
// dir (created when missing); false when one is missing or can't be copied.
bool CopyBuiltPackage(const std::string& dir, const std::string& from = "");
// The previous release as shipped, unpacked by the build: its package folder
// (<dir>\QuortouchUsb, from its zip) and its QuortouchUsb.msi.
std::string PreviousReleaseDirectory();
// Writes the package files into dir (created when missing), each holding
// PackageText(name, tag): "<name> <tag>"; false when one could not be
// written.
bool WritePackage(const std::string& dir, const std::string& tag);
std::string PackageText(const std::string& name, const std::string& tag);
// The bytes of every installed file and second copy, by path; with a package
// folder named, that folder's bytes of the same files, by the same paths.
std::map<std::string, std::string> InstalledBytes(const std::string& packageDir = "");
// The paths of a whose bytes b lacks or holds otherwise, space-separated.
std::string Differing(const std::map<std::string, std::string>& a, const std::map<std::string, std::string>& b);
// The same for the package folder's bytes against the installed ones, less
// the paths that the restart queue (PendingFileRenameOperations) names: a
// file in use that waits for the restart.
std::string DifferingUnqueued(const std::string& packageDir);
// The all-users Start-menu group.
std::string StartMenuGroupPath();

// The target (as stored), arguments, working directory and description of a
// shell link; false when it can't be loaded.
bool ReadShellLink(const std::string& linkFile, std::string* target, std::string* arguments,
                   std::string* workingDirectory, std::string* description = nullptr);

// The driver's service: there at all, and running; its device opening.
bool DriverServiceExists();
bool DriverServiceRunning();
bool TouchDeviceOpens();

// The allow and deny entries of the parameter key's access list for one
// well-known account.
struct AccessEntry {
    BYTE Type;
    BYTE Flags;
    ACCESS_MASK Mask;
};
std::vector<AccessEntry> ParameterKeyEntriesFor(WELL_KNOWN_SID_TYPE account);
// "MACHINE\<parameter key>": the key as the security functions name it.
std::string ParameterKeyObjectName();
