#!/usr/bin/env bash
# The package folder and its zip: exactly the files of the package layout,
# release builds (stripped), Windows line ends in ReadMe.txt, whose list of
# the package's files names no other file, the zip named with the version and
# SHA256SUMS beside it.
#   package_contents.sh BUILD_DIR VERSION FILE...   (the package layout's files)
set -u
build=$1
version=$2
shift 2
package=$build/package/QuortouchUsb
zip=$build/package/QuortouchUsb-$version.zip
OBJDUMP=${OBJDUMP:-x86_64-w64-mingw32-objdump}
expected=$(printf '%s\n' "$@" | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

actual=$(cd "$package" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')
[ "$actual" = "$expected" ] || fail "package folder holds '$actual', the layout '$expected'"

listed=$(python3 -c 'import sys, zipfile; print(" ".join(sorted(n.split("/", 1)[1] for n in zipfile.ZipFile(sys.argv[1]).namelist() if not n.endswith("/"))))' "$zip")
[ "$listed" = "$expected" ] || fail "zip holds '$listed'"
python3 -c 'import sys, zipfile; sys.exit(zipfile.ZipFile(sys.argv[1]).testzip() is not None)' "$zip" || fail "zip is damaged"

# Every program and library (a PE file) is stripped.
for f in "$@"; do
  [ "$(head -c 2 "$package/$f" 2>/dev/null)" = MZ ] || continue
  "$OBJDUMP" -t "$package/$f" 2>&1 | grep -q 'no symbols' || fail "$f is not stripped"
done
"$OBJDUMP" -p "$package/QuortouchUsb.cpl" | grep -q 'CPlApplet' || fail "QuortouchUsb.cpl exports no CPlApplet"
"$OBJDUMP" -p "$package/QuorUsb.sys" | grep -q 'subsystem.*NT native\|Subsystem.*00000001' || fail "QuorUsb.sys is no native driver"

head -c 4 "$package/QuortouchUsb.chm" | grep -q ITSF || fail "QuortouchUsb.chm has no ITSF signature"
grep -q $'\r$' "$package/ReadMe.txt" || fail "ReadMe.txt has no Windows line ends"
[ "$(grep -c $'[^\r]$' "$package/ReadMe.txt")" = 0 ] || fail "ReadMe.txt mixes line ends"
# ReadMe.txt's "What the package contains": "  <file>   <what it is>" lines.
described=$(tr -d '\r' <"$package/ReadMe.txt" |
  sed -n '/^What the package contains/,/^Keep /s/^  \([^ ][^ ]*\)  .*/\1/p')
[ -n "$described" ] || fail "ReadMe.txt does not list the package"
for f in $described; do
  printf '%s\n' "$@" | grep -qxF "$f" || fail "ReadMe.txt lists $f, which the package does not hold"
done
(cd "$build/package" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"
[ "$(wc -l <"$build/package/SHA256SUMS")" = $(($# + 1)) ] || fail "SHA256SUMS does not list the $# files and the zip"

[ $failures = 0 ] && echo "package: $# files, zip, sums, stripped, ReadMe.txt ok"
exit $failures
