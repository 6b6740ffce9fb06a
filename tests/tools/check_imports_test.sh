#!/usr/bin/env bash
# tools/check-imports refuses what 64-bit Windows 5.2 can't load.
#   check_imports_test.sh <check-imports> <newer_import_probe.exe> <subsystem6_probe.exe>
set -u
check=$1
newer=$2
subsystem6=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
expect() {  # expect <description> <condition...>
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}

# A post-5.2 import fails the check, and it is the one refused import.
out=$("$check" "$newer"); rc=$?
echo "$out"
expect "a post-5.2 import fails the check" test "$rc" = 1
expect "the refusal names kernel32.dll SetDefaultDllDirectories" grep -q "kernel32.dll SetDefaultDllDirectories (not on the 5.2 list)" <<<"$out"
expect "nothing else of the probe is refused" test "$(grep -c 'not on the 5.2 list' <<<"$out")" = 1

# The list is the rule: with that one function added, the same file passes.
{ cat "$(dirname "$check")/windows-5.2-functions.txt"; printf '[KERNEL32.dll]\nSetDefaultDllDirectories\n'; } >"$work/list.txt"
"$check" --functions "$work/list.txt" "$newer" >/dev/null
expect "the same file passes once its function is on the list" test $? = 0

# A driver imports from ntoskrnl.exe only.
cp "$newer" "$work/probe.sys"
out=$("$check" --functions "$work/list.txt" "$work/probe.sys"); rc=$?
expect "a .sys importing kernel32.dll fails" test "$rc" = 1
expect "the refusal says why" grep -q "kernel32.dll .* (a driver imports from ntoskrnl.exe only)" <<<"$out"

# A header asking for subsystem 6.0 fails even with every import allowed.
out=$("$check" --functions "$work/list.txt" "$subsystem6"); rc=$?
echo "$out"
expect "subsystem version 6.0 fails the check" test "$rc" = 1
expect "the refusal names the version" grep -q "subsystem version 6.0 (5.2 at most)" <<<"$out"

exit $((failures > 0))
