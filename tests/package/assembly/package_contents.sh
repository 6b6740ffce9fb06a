#!/usr/bin/env bash
# The package folder and its zip: exactly the ten files, release builds
# (stripped), Windows line ends in ReadMe.txt, the zip named with the version
# and SHA256SUMS beside it.
#   package_contents.sh BUILD_DIR VERSION
set -u
build=$1
version=$2
package=$build/package/QuortouchUsb
zip=$build/package/QuortouchUsb-$version.zip
OBJDUMP=${OBJDUMP:-x86_64-w64-mingw32-objdump}
expected="Install.exe QuorUsb.exe QuorUsb.inf QuorUsb.sys QuortouchUsb.chm QuortouchUsb.cpl QuortouchUsb.exe RBtn.exe ReadMe.txt Write.exe"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

actual=$(cd "$package" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')
[ "$actual" = "$expected" ] || fail "package folder holds '$actual'"

listed=$(python3 -c 'import sys, zipfile; print(" ".join(sorted(n.split("/", 1)[1] for n in zipfile.ZipFile(sys.argv[1]).namelist() if not n.endswith("/"))))' "$zip")
[ "$listed" = "$expected" ] || fail "zip holds '$listed'"
python3 -c 'import sys, zipfile; sys.exit(zipfile.ZipFile(sys.argv[1]).testzip() is not None)' "$zip" || fail "zip is damaged"

for f in Install.exe QuorUsb.exe QuorUsb.sys QuortouchUsb.cpl QuortouchUsb.exe RBtn.exe Write.exe; do
  "$OBJDUMP" -t "$package/$f" 2>&1 | grep -q 'no symbols' || fail "$f is not stripped"
done
"$OBJDUMP" -p "$package/QuortouchUsb.cpl" | grep -q 'CPlApplet' || fail "QuortouchUsb.cpl exports no CPlApplet"
"$OBJDUMP" -p "$package/QuorUsb.sys" | grep -q 'subsystem.*NT native\|Subsystem.*00000001' || fail "QuorUsb.sys is no native driver"

head -c 4 "$package/QuortouchUsb.chm" | grep -q ITSF || fail "QuortouchUsb.chm has no ITSF signature"
grep -q $'\r$' "$package/ReadMe.txt" || fail "ReadMe.txt has no Windows line ends"
[ "$(grep -c $'[^\r]$' "$package/ReadMe.txt")" = 0 ] || fail "ReadMe.txt mixes line ends"
grep -q "QuortouchUsb.cpl" "$package/ReadMe.txt" || fail "ReadMe.txt does not list the package"
(cd "$build/package" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"
[ "$(wc -l <"$build/package/SHA256SUMS")" = 11 ] || fail "SHA256SUMS does not list the ten files and the zip"

[ $failures = 0 ] && echo "package: 10 files, zip, sums, stripped, ReadMe.txt ok"
exit $failures
