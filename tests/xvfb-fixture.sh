#!/usr/bin/env bash
# Starts or stops a private Xvfb for the unit tests that need a display:
#   xvfb-fixture.sh start|stop NUMBER
set -u
action=$1
number=$2
pidfile="${TMPDIR:-/tmp}/morumoru-unit-xvfb-$number.pid"
case $action in
  start)
    if [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null; then exit 0; fi
    Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    echo $! >"$pidfile"
    for _ in $(seq 50); do
      DISPLAY=":$number" xdpyinfo >/dev/null 2>&1 && exit 0
      sleep 0.1
    done
    echo "Xvfb :$number did not start" >&2
    exit 1
    ;;
  stop)
    [ -f "$pidfile" ] && kill "$(cat "$pidfile")" 2>/dev/null
    rm -f "$pidfile"
    exit 0
    ;;
esac
exit 2
