#!/usr/bin/env bash
# What tools/wine-run promises around the program it runs:
# - Wine writes nothing into the user's home (a program that saves Start-menu
#   links runs with HOME pointed at an empty folder, which stays empty);
# - a run past its time limit ends with 124, and neither a time-out nor the
#   runner being killed outright leaves a wineserver, Wine program or Xvfb of
#   its prefix behind;
# - a template prefix whose wineboot failed is never marked ready, and the
#   template has Wine draw the window frames itself;
# - a program that is not built is named with the command that builds it, and
#   neither that nor a failed run told --discard keeps a prefix.
#   wine_run_test.sh <wine-run> <links program> [its arguments...]
set -u
wine_run=$1; shift
root=${WINE_RUN_ROOT:-$PWD/wine}
mkdir -p "$root"
work=$(mktemp -d "$root/wine-run-test.XXXXXX")
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Processes still running for a prefix: they all carry it in their environment.
left_in() {
  local pid
  for pid in $(pgrep -f 'wineserver|wine64|\.exe|Xvfb' 2>/dev/null); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$1" && echo "$pid"
  done
}
wait_gone() {
  for _ in $(seq 60); do [ -z "$(left_in "$1")" ] && return 0; sleep 0.5; done
  return 1
}

home=$work/home
mkdir -p "$home"
HOME=$home XDG_DATA_HOME= XDG_CONFIG_HOME= "$wine_run" --prefix "$work/links" "$@" >"$work/links.log" 2>&1 ||
  fail "the links program failed: $(tail -5 "$work/links.log")"
[ -z "$(ls -A "$home")" ] || fail "the run wrote into HOME: $(find "$home" | head -5)"
"$wine_run" --prefix "$work/links" reg query 'HKCU\Software\Wine\X11 Driver' /v Managed 2>&1 | grep -q 'REG_SZ *N' ||
  fail "the template does not have Wine draw the frames (X11 Driver, Managed = N)"

out=$(WINE_RUN_NAME=wine-run-test-missing "$wine_run" "$work/not-built/program.exe" 2>&1)
rc=$?
[ "$rc" = 127 ] || fail "a program that is not there gave $rc, not 127"
# (the work folder lies in the build tree: the build command names it)
case "$out" in *"program.exe is not built; build it with: cmake --build "*) ;; *) fail "a missing program was not named: $out" ;; esac
WINE_RUN_NAME=wine-run-test-discard "$wine_run" --discard cmd /c exit 3 >/dev/null 2>&1
rc=$?
[ "$rc" = 3 ] || fail "a run told --discard gave $rc, not the program's 3"
kept=$(ls -d "$root"/run-wine-run-test-missing.* "$root"/run-wine-run-test-discard.* 2>/dev/null)
if [ -n "$kept" ]; then
  fail "prefixes kept for a missing program or a discarded run: $kept"
  rm -rf $kept
fi

"$wine_run" --prefix "$work/slow" --timeout 3 notepad >/dev/null 2>&1
rc=$?
[ "$rc" = 124 ] || fail "a run past its time limit gave $rc, not 124"
wait_gone "$work/slow" || fail "a timed-out run left $(left_in "$work/slow")"

"$wine_run" --prefix "$work/killed" notepad >/dev/null 2>&1 &
runner=$!
for _ in $(seq 100); do
  pgrep -f notepad >/dev/null && [ -n "$(left_in "$work/killed")" ] && break
  sleep 0.2
done
sleep 1
kill -KILL "$runner"
wait "$runner" 2>/dev/null
wait_gone "$work/killed" || fail "a killed runner left $(left_in "$work/killed")"

WINE=/bin/false WINE_RUN_ROOT=$work/broken "$wine_run" cmd /c exit >/dev/null 2>&1
rc=$?
[ "$rc" = 70 ] || fail "a failed wineboot gave $rc, not 70"
[ ! -e "$work/broken/template/.ready" ] || fail "a failed wineboot left the template marked ready"

if [ "$failures" = 0 ]; then
  rm -rf "$work"
  echo "ok: home untouched, time limit kept, nothing left after a time-out or a kill, no half-made template"
  exit 0
fi
echo "work folder kept at $work"
exit 1
