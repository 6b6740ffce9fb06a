#!/usr/bin/env bash
# Runs the test program once per gtest filter, all in one prefix. Between two
# runs wine-run ends the prefix, which is a restart: the next run's start
# carries out what was left for the next start (files to delete or replace)
# and starts the auto-start driver again.
# With WINE_RUN_WINDOWS_VERSION set (vista, win7, win10, ...) the prefix
# poses as that Windows version in every run, and the test program sees the
# name in its environment.
#   restart_runs.sh <wine-run> <test program> <filter> [<filter>...]
set -u
wine_run=$1
program=$2
shift 2
root=${WINE_RUN_ROOT:-$PWD/wine}
mkdir -p "$root"
prefix=$(mktemp -d "$root/run-${WINE_RUN_NAME:-wizard-lifecycle}.XXXXXX")
rmdir "$prefix"

rc=0
for filter in "$@"; do
  "$wine_run" --prefix "$prefix" "$program" --gtest_filter="$filter"
  rc=$?
  [ "$rc" = 0 ] || break
done
if [ "$rc" = 0 ]; then
  rm -rf "$prefix"
else
  echo "lifecycle: prefix kept at $prefix" >&2
fi
exit $rc
