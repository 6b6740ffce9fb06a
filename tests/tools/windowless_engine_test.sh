#!/usr/bin/env bash
# The installer's engine never speaks: no object of its library refers to a
# message-box, dialog or window-creation function, and the Windows Installer
# package's actions DLL, which links it, imports none. The wizard's library,
# which shows all of the installer's boxes, is the control: the same reading
# finds them there.
#   windowless_engine_test.sh <engine library .a> <actions .dll> <wizard library .a>
set -u
NM=${NM:-x86_64-w64-mingw32-nm}
OBJDUMP=${OBJDUMP:-x86_64-w64-mingw32-objdump}
engine=$1
actions=$2
wizard=$3
pattern='MessageBox|DialogBox|CreateDialog|CreateWindow'
failures=0
expect() {  # expect <description> <condition...>
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}

# "object: symbol" for every undefined symbol of an archive's objects.
undefined() {
  "$NM" -u "$1" | awk '/:$/ { object = $0; sub(/:$/, "", object); next } NF { print object ": " $NF }'
}
# "dll: function" for every function a PE file imports by name.
imported() {
  "$OBJDUMP" -p "$1" | awk '
    /DLL Name:/ { dll = $3; next }
    /^[ \t]*$/ { dll = ""; next }
    dll != "" && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print dll ": " $3 }'
}
window_functions() { grep -E "$pattern" <<<"$1"; }

engine_symbols=$(undefined "$engine")
actions_imports=$(imported "$actions")
wizard_symbols=$(undefined "$wizard")

expect "the engine's objects are read ($(grep -c . <<<"$engine_symbols") undefined symbols)" \
  grep -q 'deployment.cpp.obj: ' <<<"$engine_symbols"
found=$(window_functions "$engine_symbols")
[ -z "$found" ] || printf '%s\n' "$found" | sed 's/^/       /'
expect "no object of the engine refers to a window or box function" test -z "$found"

expect "the actions DLL's imports are read ($(grep -c . <<<"$actions_imports") functions)" \
  grep -qi '^kernel32.dll: ' <<<"$actions_imports"
found=$(window_functions "$actions_imports")
[ -z "$found" ] || printf '%s\n' "$found" | sed 's/^/       /'
expect "the actions DLL imports no window or box function" test -z "$found"

expect "the same reading finds the wizard's boxes and dialogs" \
  grep -q 'MessageBoxA' <<<"$(window_functions "$wizard_symbols")"

exit $((failures > 0))
