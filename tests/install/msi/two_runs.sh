#!/usr/bin/env bash
# Two runs of a test program, the second only after the first passed:
#   two_runs.sh <wine-run> <program> fresh|same <first filter> <second filter>
# fresh: each run in a fresh prefix of its own (deleted when it passes).
# same:  both runs in one prefix; wine-run ends the prefix between them, which
#        is a restart of the machine (Wine carries out the deletions left for
#        the next start).
set -u
wine_run=$1 program=$2 mode=$3 first=$4 second=$5
if [ "$mode" = fresh ]; then
  "$wine_run" "$program" --gtest_filter="$first" || exit $?
  exec "$wine_run" "$program" --gtest_filter="$second"
fi
root=${WINE_RUN_ROOT:-$PWD/wine}
mkdir -p "$root"
prefix=$(mktemp -d "$root/run-${WINE_RUN_NAME:-two-runs}.XXXXXX")
rmdir "$prefix"
"$wine_run" --prefix "$prefix" "$program" --gtest_filter="$first"
rc=$?
if [ "$rc" = 0 ]; then
  "$wine_run" --prefix "$prefix" "$program" --gtest_filter="$second"
  rc=$?
fi
if [ "$rc" = 0 ]; then
  rm -rf "$prefix"
else
  echo "two_runs: prefix kept at $prefix" >&2
fi
exit $rc
