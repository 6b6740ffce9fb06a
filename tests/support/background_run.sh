#!/usr/bin/env bash
# A test that mostly waits (a timer running out) runs beside the others
# without holding one of CTest's slots: its "start" test launches it in the
# background and ends at once, its "wait" test, scheduled last, collects the
# outcome.
#   background_run.sh start <folder> <command...>
#   background_run.sh wait <folder> <seconds>
# The folder holds the command's output (log) and exit code (rc).
set -u
action=$1 dir=$2
shift 2
case "$action" in
  start)
    rm -rf "$dir" && mkdir -p "$dir"
    setsid -f bash -c '"$@" >"$0/log" 2>&1; echo $? >"$0/rc.part" && mv "$0/rc.part" "$0/rc"' "$dir" "$@" \
      </dev/null >/dev/null 2>&1
    ;;
  wait)
    for _ in $(seq $(($1 * 2))); do
      [ -f "$dir/rc" ] && break
      sleep 0.5
    done
    [ -f "$dir/log" ] && cat "$dir/log"
    [ -f "$dir/rc" ] || { echo "background_run: no outcome in $dir after $1 s" >&2; exit 1; }
    exit "$(cat "$dir/rc")"
    ;;
  *) echo "usage: background_run.sh start|wait <folder> ..." >&2; exit 64 ;;
esac
