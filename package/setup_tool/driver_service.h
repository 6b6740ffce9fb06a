// Installing and removing the kernel-driver service VessaUsb. Each returns
// the tool's exit code: 0 done, 2 (DRIVER_SETUP_FAILED) failed; every step
// and every failure is logged.
#pragma once

// Puts QuorUsb.sys into System32\drivers when it is missing there (taken from
// beside the .inf; a copy already there, as the installer leaves it, is kept),
// installs the service from the .inf's [DefaultInstall.Services] section
// through SetupAPI, starts it and waits until the device opens. Over a service
// that is installed and running it is a repair: the configuration is
// refreshed, the running driver stays, and the result is 0.
int InstallDriverService(const char* infPath);

// Stops and deletes the service and waits until the device is gone. A service
// that does not exist counts as removed. QuorUsb.sys is left in place: it is
// one of the package's files, which the installer removes.
int RemoveDriverService();
