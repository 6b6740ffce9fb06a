// The registry writes of an install run, each recorded in the run's journal
// before it is made (run_journal.h), so that an undo puts back the key, the
// value's type and data, or its absence. A write whose record could not be
// made is not made.
#pragma once
#include <windows.h>

// Records the levels of path that are missing, then opens or creates the
// key as OpenOrCreateKey does (full access). False, with no key and the
// last-error code, when either failed.
bool OpenOrCreateRecordedKey(HKEY root, const char* path, HKEY* key, bool* created = nullptr);
// Records the value of the key at root\path, then sets it on key (that
// key, opened). The status of the write, or of the record that failed.
LONG SetRecordedValue(HKEY root, const char* path, HKEY key, const char* name, DWORD type, const void* data,
                      DWORD size);
// REG_SZ with its terminating zero counted in the size.
LONG SetRecordedText(HKEY root, const char* path, HKEY key, const char* name, const char* text);
