// The message loop of every program of the package.
#pragma once
#include <windows.h>

// Fetches and dispatches the thread's messages until the quit message and
// returns its exit code; with an accelerator table, each message is first
// translated against the window it is addressed to. A failed fetch (-1)
// leaves no quit code to pass on and ends the loop with 0.
int RunMessagesUntilQuit(HACCEL accelerators = nullptr);
