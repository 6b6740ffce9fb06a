// The Windows Installer package against the setup wizard: what a silent
// "msiexec /i" leaves must be what a complete run of Install.exe leaves. Two
// runs in two fresh prefixes (end_state.sh): the first installs with the
// wizard and records what changed on the machine; the second installs the
// package, records the same, and lists every difference with its reason. A
// difference without a reason fails the test.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <vector>

#include "installer_run.h"
#include "msi_run.h"
#include "system_snapshot.h"
#include "test_support.h"

namespace {

std::string WizardChangesPath()
{
    return JoinPath(ArtifactsDir(), "msi-end-state-wizard.txt");
}

// Why the package's end state differs from the wizard's in one item.
// Side: 'w' the item changed only in the wizard's run, 'm' only in the
// package's, 'b' in both with different contents.
struct KnownDifference {
    char Side;
    const char* ItemPart;  // part of the item's line, lower case
    const char* Reason;
};

const KnownDifference KnownDifferences[] = {
    {'w', "uninstall\\vessatouch",
     "The wizard's own uninstall entry. Windows Installer lists the package under its product code instead (and "
     "the package refuses to install while this entry exists)."},
    {'m', "currentversion\\uninstall\\{",
     "Windows Installer's entry in Programs and Features: same DisplayName, with publisher, version, help link, "
     "NoModify and msiexec /x as its uninstall command."},
    {'m', "currentversion\\installer\\",
     "Windows Installer's own records of the product, its features and components."},
    {'m', "c:\\windows\\installer",
     "Windows Installer's cached copy of the package (needed for /x and repair) and the product icon."},
    {'b', "c:\\windows\\quorusb.log",
     "The setup tool's log names the folder the tool ran from: the package has no package folder, so it runs the "
     "copy in the install folder; the wizard runs the one beside Install.exe."},
    {'b', "c:\\windows\\quortouchsetup.log",
     "The setup log: each run writes its own lines, with its own times, program and steps (the package's actions "
     "as QuortouchUsbActions.dll)."},
    {'m', "installed components\\{" ACTIVE_SETUP_ID_LOWER "}",
     "The package's Active Setup component: at each user's first log-on after the installation Windows runs its "
     "StubPath, which writes that user's own log-on value, where the wizard writes only the installing user's."},
    {'b', "\\uninstall quortouch.lnk",
     "The Uninstall link runs msiexec /x with the product code (Windows Installer removes what it installed) "
     "instead of Install.exe /u."},
};

// A shell link that differs only in its working directory's trailing
// backslash.
bool DiffersInWorkingDirectorySlash(const std::string& wizardDetail, const std::string& packageDetail)
{
    const std::string slashEnd = "\\\"", plainEnd = "\"";
    return wizardDetail.rfind("link ", 0) == 0 && packageDetail.size() == wizardDetail.size() + 1 &&
           packageDetail.compare(packageDetail.size() - slashEnd.size(), slashEnd.size(), slashEnd) == 0 &&
           packageDetail.substr(0, packageDetail.size() - slashEnd.size()) + plainEnd == wizardDetail;
}

const char WorkingDirectorySlash[] =
    "The same working directory: Windows Installer gives a link its folder with the trailing backslash.";

const char* ReasonFor(char side, const std::string& item, const std::string& wizardDetail,
                      const std::string& packageDetail)
{
    for (const KnownDifference& known : KnownDifferences)
        if (known.Side == side && item.find(known.ItemPart) != std::string::npos)
            return known.Reason;
    if (side == 'b' && DiffersInWorkingDirectorySlash(wizardDetail, packageDetail))
        return WorkingDirectorySlash;
    return nullptr;
}

// The wizard's install first, in a prefix of its own; the package's silent
// install then runs in another fresh prefix and compares.
TEST(MsiEndState, SilentInstallLeavesTheWizardsEndState)
{
    ASSERT_TRUE(MakeFullPackage());
    DetailedSnapshot before = TakeDetailedSnapshot();
    HWND tool = nullptr;
    ASSERT_TRUE(RunCompleteInstall(nullptr, &tool));
    ASSERT_TRUE(CloseCalibrationTool(tool));
    DetailedSnapshot changes = SnapshotChanges(before, TakeDetailedSnapshot());
    ASSERT_TRUE(changes.count("device \\\\.\\vessatouchusb"));
    SaveDetailedSnapshot(changes, WizardChangesPath());
}

TEST(MsiEndStateInAnotherPrefix, SilentInstallLeavesTheWizardsEndState)
{
    DetailedSnapshot wizard = LoadDetailedSnapshot(WizardChangesPath());
    ASSERT_FALSE(wizard.empty()) << "the wizard's run recorded nothing";

    DetailedSnapshot before = TakeDetailedSnapshot();
    MsiexecRun run = RunMsiexec("/i " + Quoted(MsiPackagePath()) + " /qn", "msi-end-state-install.log");
    EXPECT_TRUE(IsSuccessExit(run.ExitCode)) << run.ExitCode;
    EXPECT_TRUE(run.WindowsSeen.empty()) << "windows came up: " << testing::PrintToString(run.WindowsSeen);
    // The verbose log shows each of the package's own actions with its result.
    for (const char* action : {"RefuseBesideWizardInstallation", "ResolveStartMenuFolder", "WriteDeviceDefaults",
                               "RegisterDriverService", "RegisterCalibrationAtLogon"}) {
        EXPECT_NE(std::string::npos, run.Log.find(std::string("QuortouchUsb ") + action + ": done (0)")) << action;
        EXPECT_NE(std::string::npos, run.Log.find(std::string(action) + ". Return value 1.")) << action;
    }
    DetailedSnapshot package = SnapshotChanges(before, TakeDetailedSnapshot());
    SaveDetailedSnapshot(package, JoinPath(ArtifactsDir(), "msi-end-state-package.txt"));

    // Every difference, grouped by its reason; those without one fail.
    std::map<std::string, std::vector<std::string>> byReason;
    std::string unexplained;
    auto note = [&](char side, const std::string& item, const std::string& wizardDetail,
                    const std::string& packageDetail) {
        const char* reason = ReasonFor(side, item, wizardDetail, packageDetail);
        std::string text = item + "\n      wizard:  " + wizardDetail + "\n      package: " + packageDetail;
        if (reason == nullptr)
            unexplained += "  " + text + "\n";
        else
            byReason[reason].push_back(text);
    };
    for (const auto& [item, detail] : wizard) {
        auto other = package.find(item);
        if (other == package.end())
            note('w', item, detail, "(unchanged)");
        else if (other->second != detail)
            note('b', item, detail, other->second);
    }
    for (const auto& [item, detail] : package)
        if (!wizard.count(item))
            note('m', item, "(unchanged)", detail);

    std::string report = "Differences between the wizard's end state and the package's, by reason:\n";
    std::string full = report;
    for (const auto& [reason, items] : byReason) {
        char count[32];
        snprintf(count, sizeof count, "%zu item%s", items.size(), items.size() == 1 ? "" : "s");
        report += "- " + reason + " (" + count + ", e.g.\n    " + items.front() + ")\n";
        full += "- " + reason + "\n";
        for (const std::string& text : items)
            full += "    " + text + "\n";
    }
    if (!unexplained.empty())
        report += "- WITHOUT A REASON:\n" + unexplained;
    WriteTextFile(JoinPath(ArtifactsDir(), "msi-end-state-differences.txt"), full + unexplained);
    printf("%s", report.c_str());
    EXPECT_TRUE(unexplained.empty()) << "differences without a reason:\n" << unexplained;
}

}  // namespace
