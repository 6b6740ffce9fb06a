// The wizard's account of its run in the setup log (setup_log.h): the header
// when Install.exe starts, the engine's lines and DebugTrace lines while it
// works, and the outcome at the end.
#pragma once

// Opens the setup log with this run's header and points the engine's action
// lines and the DebugTrace lines at it.
void BeginRunLog();
// What the run came to so far ("installed", "failed: <box text>", ...); the
// last one set is written at the end.
void SetRunOutcome(const char* format, ...) __attribute__((format(ms_printf, 1, 2)));
// Writes the outcome and closes the log; later calls do nothing. Called
// before a restart question, whose Yes ends the process.
void EndRunLog();
