// The two command lines the installer starts the tool with:
//   "<dir>\QuorUsb.exe" "<dir>\QuorUsb.inf" <OsClass> setup
//   "<dir>\QuorUsb.exe" uninstall <OsClass> delete
#pragma once

enum class SetupAction { Invalid, Install, Remove };

struct SetupCommand {
    SetupAction Action = SetupAction::Invalid;
    const char* InfPath = nullptr; // install only
    int OsClass = 0;
    const char* Problem = "";      // why the line is invalid
};

// argv[0] is the program; argc counts it.
SetupCommand ParseSetupCommand(int argc, char** argv);

// QUORUSB_FORCE_EXIT=<n> (decimal): for tests, the tool logs and ends with
// exit code n at once, doing nothing. With QUORUSB_FORCE_COMMAND=setup (or
// uninstall) only that command is forced and the other one does its work, so
// that an installation can fail while its clean-up still removes. False when
// unset, not a number, or meant for the other command.
bool ForcedExitCode(const SetupCommand& command, int* code);

// QUORUSB_FORCE_WAIT=<event name>: for tests, the tool waits (a minute at
// most) until that named event is set before it does anything, so that a
// test can end the installer while the tool runs.
void WaitForTestEvent();
