#!/usr/bin/env bash
# Size targets of the two programs, bitmaps included: QuortouchUsb.exe at most
# 128 KB, Install.exe at most 256 KB.
#   package_size_targets.sh BUILD_DIR
set -u
package=$1/package/QuortouchUsb
status=0
check() {
  local size
  size=$(stat -c %s "$package/$1")
  if [ "$size" -le $(($2 * 1024)) ]; then
    echo "ok   $1: $size bytes (target $2 KB)"
  else
    echo "FAIL $1: $size bytes, over the target of $2 KB"; status=1
  fi
}
check QuortouchUsb.exe 128
check Install.exe 256
exit $status
