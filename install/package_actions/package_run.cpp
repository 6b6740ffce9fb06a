#include "package_run.h"

#include <cstring>

#include "action_session.h"
#include "bounded_format.h"
#include "run_journal.h"

PackageRun CurrentRun;

const char* const PackageRunActions[] = {
    "UndoPackageRemoval",       "UndoPackageInstall",       "WriteDeviceDefaults",     "RegisterDriverService",
    "RegisterCalibrationAtLogon", "RemoveDriverRegistration", "RemoveCalibrationAtLogon", "QueueLeftoversForRestart",
    "CommitPackageRun",         nullptr,
};

namespace {

// The field up to the next bar (or the end) into out; the text after it.
template <size_t N>
const char* TakeField(const char* text, char (&out)[N], bool* fits)
{
    const char* bar = strchr(text, '|');
    size_t length = bar != nullptr ? static_cast<size_t>(bar - text) : strlen(text);
    if (length >= N) {
        *fits = false;
        length = 0;
    }
    memcpy(out, text, length);
    out[length] = '\0';
    return bar != nullptr ? bar + 1 : text + strlen(text);
}

}  // namespace

bool ComposePackageRunData(const char* installDir, const char* windowsDir, const char* userSid, bool removal,
                           bool keepDeviceValues, bool driverRunning, int queuedPairs, char* data, size_t size)
{
    // The Windows folder as the installer gives it, with its backslash.
    size_t length = strlen(windowsDir);
    const char* separator = length > 0 && windowsDir[length - 1] == '\\' ? "" : "\\";
    SYSTEMTIME now;
    GetLocalTime(&now);
    char journal[MAX_PATH];
    return FormatInto(journal, "%s%s%s\\package-%04u%02u%02u-%02u%02u%02u-%lu-%lu%s", windowsDir, separator,
                      JournalFolderName, now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                      GetCurrentProcessId(), GetTickCount() % 100000, JournalExtension) &&
           FormatBounded(data, size, "%s|%s|%s|%s|%s%s%s|%d", installDir, windowsDir, journal, userSid,
                         removal ? "x" : "", keepDeviceValues ? "k" : "", driverRunning ? "r" : "", queuedPairs);
}

bool LoadPackageRun()
{
    memset(&CurrentRun, 0, sizeof CurrentRun);
    if (!LoadBasePaths())
        return false;
    bool fits = true;
    char flags[8], pairs[16];
    const char* rest = TakeField(ActionDataRest, CurrentRun.Journal, &fits);
    rest = TakeField(rest, CurrentRun.UserSid, &fits);
    rest = TakeField(rest, flags, &fits);
    TakeField(rest, pairs, &fits);
    if (!fits || CurrentRun.Journal[0] == '\0') {
        LogLine("the action's data name no journal of the run");
        return false;
    }
    CurrentRun.Removal = strchr(flags, 'x') != nullptr;
    CurrentRun.KeepDeviceValues = strchr(flags, 'k') != nullptr;
    CurrentRun.DriverWasRunning = strchr(flags, 'r') != nullptr;
    for (const char* digit = pairs; *digit >= '0' && *digit <= '9' && CurrentRun.QueuedPairsBefore < 100000; ++digit)
        CurrentRun.QueuedPairsBefore = CurrentRun.QueuedPairsBefore * 10 + (*digit - '0');
    return true;
}

bool OpenPackageJournal()
{
    char folder[MAX_PATH];
    if (FormatInto(folder, "%s", CurrentRun.Journal)) {
        char* slash = strrchr(folder, '\\');
        if (slash != nullptr) {
            *slash = '\0';
            CreateDirectoryA(folder, nullptr);
        }
    }
    if (OpenRunJournal(CurrentRun.Journal, CurrentRun.Removal ? JournalOfRemoval : JournalOfInstall,
                       JournalOfPackage))
        return true;
    LogLine("the run's journal \"%s\" could not be opened (%lu)", CurrentRun.Journal, GetLastError());
    return false;
}
