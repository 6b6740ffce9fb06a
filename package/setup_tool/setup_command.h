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
// exit code n at once, doing nothing. False when unset or not a number.
bool ForcedExitCode(int* code);
