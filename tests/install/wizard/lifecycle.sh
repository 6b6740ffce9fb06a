#!/usr/bin/env bash
# The package's whole life in one prefix: the first run installs, calibrates
# and removes; wine-run then ends the prefix (a restart: Wine carries out the
# deletions left for the next start) and the second run compares the registry
# and the file tree with what they were before. The prefix poses as the
# Windows version given (Wine's name: vista, win7, win10, ...), and the test
# program is told which one through WINE_RUN_WINDOWS_VERSION.
#   lifecycle.sh <wine-run> <wizard_e2e.exe> <windows-version>
set -u
wine_run=$1
program=$2
export WINE_RUN_WINDOWS_VERSION=$3
root=${WINE_RUN_ROOT:-$PWD/wine}
mkdir -p "$root"
prefix=$(mktemp -d "$root/run-wizard-lifecycle-$WINE_RUN_WINDOWS_VERSION.XXXXXX")
rmdir "$prefix"

"$wine_run" --prefix "$prefix" "$program" --gtest_filter=LifeCycle.InstallCalibrateRemove
rc=$?
if [ "$rc" = 0 ]; then
  "$wine_run" --prefix "$prefix" "$program" --gtest_filter=LifeCycle.AfterPrefixRestartAllIsAsBefore
  rc=$?
fi
if [ "$rc" = 0 ]; then
  rm -rf "$prefix"
else
  echo "lifecycle: prefix kept at $prefix" >&2
fi
exit $rc
