// The driver's state as the package's actions find it and record it in the
// run's journal before they change it: the service, the parameter key with
// its values and access list, the mouse values.
#pragma once
#include <windows.h>

// True only when the service manager says the driver's service does not
// exist; a manager that can't be asked counts as "there".
bool DriverServiceMissing();
// True when the driver's service is running.
bool DriverIsRunning();

// True when the parameter key exists and holds at least one value.
bool ParameterValuesPresent();

// Records, in the open journal, what writing the defaults changes: the
// parameter key's and the mouse key's levels that are missing, and each
// value of the parameter table and of the mouse values. False (with the
// last-error code) when a record could not be written.
bool RecordDeviceValues();

// Records what registering or removing the driver changes: the service
// key's values, the service's configuration (or that it is missing), the
// parameter key's access list when the key exists, and every value the key
// holds. In this order, so that an undo puts the parameter values back
// (making the key again), then the access list, then the service, then the
// service key's values exactly as they were.
bool RecordDriverState();

// Starts the driver's service when it exists and is not running. False when
// it could not be started.
bool StartDriverServiceAgain();
