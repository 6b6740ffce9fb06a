#!/usr/bin/env bash
# tools/release on the built package, without a certificate: every PE file
# signed and verified against the test CA, the version resource of each
# file as Windows reads it, the zip made from the signed files and SHA256SUMS matching;
# and the version of the Windows Installer package beside it.
#   release_check.sh SOURCE_DIR BUILD_DIR VERSION VERSION_PROBE_EXE VERSION_RESOURCES FILE...
# VERSION_RESOURCES: "<file name><TAB><file type><TAB><description>" lines, as
# the build wrote the resources; FILE...: the package layout's files.
set -u
source_dir=$1 build=$2 version=$3 probe=$4 resources=$5
shift 5
out=$build/release-check
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

env -u QUORTOUCH_SIGN_CERT -u QUORTOUCH_SIGN_KEY BUILD_DIR="$build" \
  "$source_dir/tools/release" --no-build --out "$out" >"$out.log" 2>&1 || { cat "$out.log"; exit 1; }
grep -q "TEST certificate" "$out.log" || fail "the release did not say it used the test certificate"
ca=$build/release-test-cert/ca.pem
verify() { osslsigncode verify -CAfile "$ca" -ignore-crl -in "$1" >/dev/null 2>&1; }

# The PE files of the package, each with its file type (1 program, 2 DLL, 3
# driver) and description.
expected=""
for name in "$@"; do
  [ "$(head -c 2 "$out/QuortouchUsb/$name" 2>/dev/null)" = MZ ] || continue
  line=$(awk -F'\t' -v n="$name" '$1 == n { print $1 " " $2 " " $3; exit }' "$resources")
  [ -n "$line" ] || { fail "$name: no version resource was built"; continue; }
  expected+="$line"$'\n'
done
expected=${expected%$'\n'}
signed=$(echo "$expected" | grep -c .)
fixed=$version
while [ "$(echo "$fixed" | tr -cd . | wc -c)" -lt 3 ]; do fixed=$fixed.0; done

names=$(echo "$expected" | cut -d' ' -f1)
winpaths=()
tmp=$out.work
rm -rf "$tmp"
mkdir -p "$tmp/probe"
trap 'rm -rf "$tmp"' EXIT
for name in $names; do
  file=$out/QuortouchUsb/$name
  verify "$file" || fail "$name: signature does not verify"
  # Read from a copy under another name: for "Write.exe" Wine's loader hands
  # out its own program of that name.
  cp "$file" "$tmp/probe/$name.file"
  winpaths+=("Z:$(echo "$tmp/probe/$name.file" | tr '/' '\\')")
done

# Version resources, read under Wine from the signed files.
"$source_dir/tools/wine-run" "$probe" "${winpaths[@]}" 2>/dev/null | tr -d '\r' >"$tmp/versions"
while read -r name type description; do
  line=$(grep "^$name.file	" "$tmp/versions" | sed 's/^\([^	]*\)\.file	/\1	/')
  want="$name	$fixed	$fixed	$type	Quortouch	Quortouch USB Touchscreen	$description	$version	$version	$name"
  [ "$line" = "$want" ] || fail "version resource of $name: '$line'"
done <<<"$expected"

# The zip holds exactly the signed folder; the sums match.
zip=$out/QuortouchUsb-$version.zip
[ -f "$zip" ] || fail "no $zip"
python3 - "$zip" "$out/QuortouchUsb" <<'PY' || fail "the zip does not hold the signed files"
import os, sys, zipfile
archive, folder = zipfile.ZipFile(sys.argv[1]), sys.argv[2]
files = {n.split("/", 1)[1]: archive.read(n) for n in archive.namelist() if not n.endswith("/")}
sys.exit(sorted(files) != sorted(os.listdir(folder)) or
         any(open(os.path.join(folder, n), "rb").read() != data for n, data in files.items()))
PY
(cd "$out" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"
[ "$(wc -l <"$out/SHA256SUMS")" = $(($# + 1)) ] || fail "SHA256SUMS does not list the $# files and the zip"
grep -q "^Version $version"$'\r'"\$" "$out/QuortouchUsb/ReadMe.txt" || fail "ReadMe.txt does not carry the version"

# The Windows Installer package carries the version as well: higher than the
# previous release's, under its upgrade code, with a product code of its own.
msi=$build/package/QuortouchUsb.msi previous=$build/tests/previous-release/QuortouchUsb.msi
property() { msiinfo export "$1" Property | tr -d '\r' | sed -n "s/^$2\t//p"; }
[ "$(property "$msi" ProductVersion)" = "$version" ] || fail "QuortouchUsb.msi: ProductVersion '$(property "$msi" ProductVersion)'"
before=$(property "$previous" ProductVersion)
[ "$(printf '%s\n' "$before" "$version" | sort -V | tail -n 1)" = "$version" ] && [ "$before" != "$version" ] ||
  fail "version $version is not above the previous release's '$before'"
[ "$(property "$msi" UpgradeCode)" = "$(property "$previous" UpgradeCode)" ] || fail "QuortouchUsb.msi: another upgrade code"
[ "$(property "$msi" ProductCode)" != "$(property "$previous" ProductCode)" ] || fail "QuortouchUsb.msi: the previous product code"

[ $failures = 0 ] && echo "release: $signed files signed and verified, version $version in each and in the MSI; zip and sums ok"
[ $failures = 0 ] && rm -rf "$out" "$out.log"
exit $failures
