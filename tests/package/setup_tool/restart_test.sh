#!/usr/bin/env bash
# The installed driver comes back after every process of its prefix has
# ended (auto-start), and is gone after an uninstall.
#   restart_test.sh <stage dir> <touchsim.exe>
set -u
stage=$1 touchsim=$2
here=$(cd "$(dirname "$0")" && pwd)
run=$here/../../../tools/wine-run
root=${WINE_RUN_ROOT:-$PWD/wine}
mkdir -p "$root"
work=$(mktemp -d "$root/restart.XXXXXX")
cp "$stage/QuorUsb.exe" "$stage/QuorUsb.inf" "$stage/QuorUsb.sys" "$work/"
prefix=$work/prefix
winwork="Z:$(echo "$work" | tr / '\\')"

fail() { echo "FAIL: $*"; echo "prefix kept at $prefix"; cat "$prefix/drive_c/windows/QuorUsb.log" 2>/dev/null; exit 1; }

"$run" --prefix "$prefix" "$work/QuorUsb.exe" "$winwork\\QuorUsb.inf" 10 setup || fail "setup exit $?"
for round in 1 2; do
  "$run" --prefix "$prefix" "$touchsim" --probe || fail "device missing after restart $round"
done
out=$("$run" --prefix "$prefix" "$touchsim" --swap --offset 10 -5 512 384) || fail "touch failed: $out"
echo "$out"
case "$out" in *"finger (512,384) raw 0x"*"clicked ("*) ;; *) fail "unexpected touch output: $out" ;; esac
"$run" --prefix "$prefix" "$touchsim" --bogus 1 2 >/dev/null 2>&1
[ $? = 1 ] || fail "touchsim accepted a wrong option"
"$run" --prefix "$prefix" "$work/QuorUsb.exe" uninstall 10 delete || fail "uninstall exit $?"
"$run" --prefix "$prefix" "$touchsim" --probe
code=$?
[ "$code" = 2 ] || fail "device still there after uninstall and restart ($code)"
rm -rf "$work"
echo "ok: device back after two restarts, gone after uninstall"
