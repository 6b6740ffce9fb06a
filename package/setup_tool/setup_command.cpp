#include "setup_command.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "driver_contract.h"

static bool ParseDecimal(const char* text, int* value)
{
    if (text == nullptr || *text == '\0')
        return false;
    char* end = nullptr;
    long parsed = strtol(text, &end, 10);
    if (*end != '\0' || parsed < -100000 || parsed > 100000)
        return false;
    *value = (int)parsed;
    return true;
}

SetupCommand ParseSetupCommand(int argc, char** argv)
{
    SetupCommand command;
    if (argc != 4) {
        command.Problem = "expected three arguments: <inf> <OsClass> setup, or uninstall <OsClass> delete";
        return command;
    }
    if (!ParseDecimal(argv[2], &command.OsClass)) {
        command.Problem = "the second argument is not an OsClass number";
        return command;
    }
    if (strcmp(argv[1], DRIVER_SETUP_REMOVE_WORD) == 0) {
        if (strcmp(argv[3], DRIVER_SETUP_REMOVE_VERB) != 0) {
            command.Problem = "uninstall must end with \"delete\"";
            return command;
        }
        command.Action = SetupAction::Remove;
        return command;
    }
    if (strcmp(argv[3], DRIVER_SETUP_INSTALL_VERB) != 0) {
        command.Problem = "an install must end with \"setup\"";
        return command;
    }
    if (argv[1][0] == '\0') {
        command.Problem = "the .inf path is empty";
        return command;
    }
    command.Action = SetupAction::Install;
    command.InfPath = argv[1];
    return command;
}

static const char* CommandWord(SetupAction action)
{
    switch (action) {
    case SetupAction::Install:
        return DRIVER_SETUP_INSTALL_VERB;
    case SetupAction::Remove:
        return DRIVER_SETUP_REMOVE_WORD;
    case SetupAction::Invalid:
        break;
    }
    return "";
}

bool ForcedExitCode(const SetupCommand& command, int* code)
{
    char text[32];
    DWORD length = GetEnvironmentVariableA("QUORUSB_FORCE_EXIT", text, sizeof(text));
    if (length == 0 || length >= sizeof(text) || !ParseDecimal(text, code))
        return false;
    char only[32];
    length = GetEnvironmentVariableA("QUORUSB_FORCE_COMMAND", only, sizeof(only));
    if (length == 0)
        return true;
    return length < sizeof(only) && strcmp(only, CommandWord(command.Action)) == 0;
}

void WaitForTestEvent()
{
    char name[128];
    DWORD length = GetEnvironmentVariableA("QUORUSB_FORCE_WAIT", name, sizeof(name));
    if (length == 0 || length >= sizeof(name))
        return;
    HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, name);
    if (event == nullptr)
        return;
    WaitForSingleObject(event, 60000);
    CloseHandle(event);
}
