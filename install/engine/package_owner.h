// Where the Windows Installer package installed the tools: "/u" hands the
// removal over to the package's own, and the wizard does not install over
// it, so that neither leaves the other's entry behind.
//
// The look goes to the registry first: only an entry in Programs and
// Features with the package's name that says WindowsInstaller = 1 has
// msi.dll loaded (once, for the rest of the process), which then says which
// products are really installed. A removal or a run of the wizard on a
// machine without the package never loads it.
#pragma once
#include <windows.h>

// A product code with its braces and terminating zero.
constexpr size_t ProductCodeSize = 39;
constexpr int MaxPackageProducts = 8;

struct PackageProducts {
    int Count;
    char Codes[MaxPackageProducts][ProductCodeSize];
};

// The package's entries in Programs and Features (named by a product code,
// the package's DisplayName, WindowsInstaller = 1) other than except (null:
// any), from the registry alone. The count.
int FindPackageEntries(PackageProducts* entries, const char* except = nullptr);

// The versions of the package that Windows Installer reports installed
// (MsiQueryProductStateA gives INSTALLSTATE_DEFAULT), from the entries and
// the products related by the package's upgrade code; into *stale (may be
// null) the entries whose product Windows Installer does not know. Without
// an entry nothing is asked and both are empty. The count installed.
int FindInstalledPackages(PackageProducts* installed, PackageProducts* stale, const char* except = nullptr);

// The first of FindInstalledPackages; false when there is none.
bool FindInstalledPackage(char (&productCode)[ProductCodeSize], const char* except = nullptr);

// Deletes the entries of products that Windows Installer does not know.
void DeleteStalePackageEntries(const PackageProducts& stale);

enum class PackageRemoval {
    NoPackage,  // none installed (or every removal said 1605): the wizard's own removal runs
    Removed,    // each installed version removed, a restart pending or not
    Failed,     // a removal failed; what it left stays
};

// Each installed version's removal ("msiexec /x <product code> /qn
// REBOOT=ReallySuppress" from the system directory, hidden, waited for;
// every exit code logged). After a removal a wizard's uninstall entry left
// beside it goes, and so do stale entries of the package; *stale gets them
// when no package was removed.
PackageRemoval RemoveThroughInstalledPackages(PackageProducts* stale);
