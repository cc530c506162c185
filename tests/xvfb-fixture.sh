#!/usr/bin/env bash
# Starts or stops a private Xvfb for the unit tests that need a display:
#   xvfb-fixture.sh start|stop NUMBER
set -u
action=$1
number=$2
pidfile="${TMPDIR:-/tmp}/morumoru-unit-xvfb-$number.pid"
. "$(dirname "${BASH_SOURCE[0]}")/system/lib.sh"
case $action in
  start)
    if [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null; then exit 0; fi
    start_xvfb ":$number" /dev/null || exit 1
    echo "$XVFB_PID" >"$pidfile"
    exit 0
    ;;
  stop)
    [ -f "$pidfile" ] && stop_pid "$(cat "$pidfile")"
    rm -f "$pidfile"
    exit 0
    ;;
esac
exit 2
