#!/usr/bin/env bash
# Runs the test program once per gtest filter, each run in a fresh prefix of
# its own (deleted when it passes), and stops at the first that fails.
#   fresh_runs.sh <wine-run> <test program> <filter> [<filter>...]
set -u
wine_run=$1
program=$2
shift 2
for filter in "$@"; do
  "$wine_run" "$program" --gtest_filter="$filter" || exit $?
done
