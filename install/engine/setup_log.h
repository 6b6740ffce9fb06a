// The setup log, <Windows>\QuortouchSetup.log: plain text for the person who
// has to find out what a run did (a support engineer at the customer's). A
// run appends its header (program and version, command line, Windows
// version and OsClass, package folder, user), one time-stamped line per
// action, and its outcome. The log stays after "/u" and is capped: before a
// run appends, the oldest runs are dropped whole, so that the log always
// begins with a run's header and ends with a whole run.
#pragma once
#include <windows.h>

extern const char SetupLogName[];  // "QuortouchSetup.log"
// The whole log never grows past this.
constexpr DWORD SetupLogCapBytes = 1024 * 1024;
// One run's share: lines beyond it are left out (said once); the outcome
// always fits.
constexpr DWORD SetupLogRunBytes = 64 * 1024;
// Every run's header, and nothing else, begins with this.
extern const char SetupLogRunMarker[];  // "==== "

// "<Windows directory>\QuortouchSetup.log"; false when it would not fit.
bool SetupLogPath(char (&path)[MAX_PATH]);

// Opens the log for appending (creating it) after dropping the oldest runs
// so that this run's share fits under the cap, and writes the header; the
// caller has computed OsClass. False when the log can't be opened: the run
// then logs nothing.
bool BeginSetupLog(const char* program, const char* commandLine, const char* packageFolder);
// One line with the time in front; a line end inside the text becomes a
// space. The sink the callers hand the engine (action_log.h).
void WriteSetupLogLine(const char* line);
// The run's last line, "<time> outcome: <outcome>", then the log is closed.
void EndSetupLog(const char* outcome);
