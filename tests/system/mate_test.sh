#!/usr/bin/env bash
# The packaged program under MATE's screen saver (mate-screensaver), as a
# user who picked it in its settings:
#
#   tests/system/mate_test.sh DEB
#
# The host lists a theme only from a desktop entry in
# $XDG_DATA_DIRS/applications/screensavers/, and runs its Exec= only when
# that names a program in one of the host's own folders, such as
# /usr/libexec/xscreensaver (an absolute path must lie right there; a bare
# name is looked up there alone, not in PATH). So the package's entry goes
# into a private data folder, and its program appears at
# /usr/libexec/xscreensaver/morumoru through a bind mount in a mount
# namespace of the test's own: nothing is installed, and the machine's hacks
# stay as they are outside it. mate-screensaver runs under Xvfb in a private
# D-Bus session, with HOME and its settings private too (GSettings' keyfile
# store), set to this one theme and no lock.
#
# Each activation must start the program with XSCREENSAVER_WINDOW naming the
# host's window; the program draws a 335 x 300 picture pixel for pixel on
# black there, in one window filling the host's and no window of its own on
# the root; --deactivate ends it within a second, and so do a key and a
# mouse move, which reach the host. It runs in about 5 s. Prints "ok - name" or "not ok - name: reason" per
# check and ends with "N passed, M failed, K skipped"; without
# mate-screensaver, or without root for the namespace, the checks are
# reported skipped with the reason. Environment: MORUMORU_MATE_DISPLAY
# (default 96 + MORUMORU_DISPLAY_OFFSET), MORUMORU_MATE_KEEP=1 keeps the
# scratch folder (logs, screenshots).

# lib.sh reads ROOT, SCENARIO_DIR and SCENARIO_START_MS.
# shellcheck disable=SC2034
set -u

if [ $# -ne 1 ] || [ ! -f "$1" ]; then
  echo "usage: $0 DEB" >&2
  exit 2
fi
DEB=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
HACKS=/usr/libexec/xscreensaver
PROGRAM=$HACKS/morumoru
ENTRY_ID=screensavers-morumoru

# Outside the namespace: whether this machine can run the test at all.
if [ -z "${MORUMORU_MATE_INSIDE:-}" ]; then
  reason=
  for tool in mate-screensaver mate-screensaver-command dbus-run-session gsettings; do
    command -v "$tool" >/dev/null || { reason="$tool is not installed (Debian packages mate-screensaver, dbus-daemon, libglib2.0-bin)"; break; }
  done
  if [ -z "$reason" ] && ! unshare -m --propagation private true 2>/dev/null; then
    reason="no private mount namespace here (needs root)"
  fi
  if [ -n "$reason" ]; then
    echo "# skip - mate-screensaver runs the packaged theme: $reason"
    echo "0 passed, 0 failed, 1 skipped"
    exit 0
  fi
  for tool in Xvfb xdpyinfo xwininfo xdotool import convert compare dpkg-deb; do
    command -v "$tool" >/dev/null || { echo "$tool is missing" >&2; exit 2; }
  done
  MORUMORU_MATE_INSIDE=1 exec unshare -m --propagation private bash "${BASH_SOURCE[0]}" "$@"
fi

export DISPLAY=:${MORUMORU_MATE_DISPLAY:-$((96 + ${MORUMORU_DISPLAY_OFFSET:-0}))}
# No dot in the folder name: the program derives its INI name from its path.
WORK=$(mktemp -d "${TMPDIR:-/tmp}/morumoru-mate-XXXXXX")
XVFB_PID=
MATE_PID=
SESSION_PID=
SESSION_SHELL=

. "$HERE/checks.sh"
SKIPPED=0

cleanup() {
  [ -n "$MATE_PID" ] && stop_pid "$MATE_PID"
  if [ -n "$SESSION_PID" ]; then
    kill "$SESSION_SHELL" 2>/dev/null
    wait_until 5 exited "$SESSION_PID"
    stop_pid "$SESSION_PID"
  fi
  [ -n "$XVFB_PID" ] && stop_pid "$XVFB_PID"
  if [ "${MORUMORU_MATE_KEEP:-0}" = 1 ]; then
    echo "# scratch files kept in $WORK" >&2
  else
    rm -rf "$WORK"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The package's files: its entry in a data folder of the test's own, its
# program (the real file; the package's link in the hack folder points at
# /usr/bin) in the hack folder of this namespace.
dpkg-deb -x "$DEB" "$WORK/unpacked" 2>"$WORK/unpack.log" || { cat "$WORK/unpack.log" >&2; exit 2; }
mkdir -p "$WORK/share/applications/screensavers" "$WORK/hacks"
cp "$WORK/unpacked/usr/share/applications/screensavers/morumoru.desktop" \
  "$WORK/share/applications/screensavers/" 2>/dev/null ||
  { echo "the package holds no screensavers/morumoru.desktop" >&2; exit 2; }
cp "$WORK/unpacked/usr/bin/morumoru" "$WORK/hacks/morumoru"
mkdir -p "$HACKS"
mount --bind "$WORK/hacks" "$HACKS" || { echo "cannot bind-mount $HACKS" >&2; exit 2; }

# The session's own places: nothing of the user who runs the test is read.
mkdir -p "$WORK/home" "$WORK/config" "$WORK/cache" "$WORK/runtime"
chmod 700 "$WORK/runtime"
export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/config XDG_CACHE_HOME=$WORK/cache \
  XDG_RUNTIME_DIR=$WORK/runtime XDG_DATA_DIRS=$WORK/share:/usr/share XDG_CURRENT_DESKTOP=MATE
# Settings in a file under XDG_CONFIG_HOME rather than dconf's service, and
# no accessibility bus or virtual file system: the session then starts no
# helper that could outlive it.
export GSETTINGS_BACKEND=keyfile NO_AT_BRIDGE=1 GIO_USE_VFS=local
unset XSCREENSAVER_WINDOW DBUS_SESSION_BUS_ADDRESS

start_xvfb "$DISPLAY" "$WORK/xvfb.log" || exit 2

# A D-Bus session of its own for the host and the commands sent to it: the
# session runs a shell that reports its address and waits until it ends.
# Ending that shell ends the session and its bus with it.
dbus-run-session -- sh -c 'echo $$ >"$2"; echo "$DBUS_SESSION_BUS_ADDRESS" >"$1"; exec sleep 100000' sh \
  "$WORK/bus" "$WORK/session.pid" >"$WORK/dbus.log" 2>&1 &
SESSION_PID=$!
wait_until 10 test -s "$WORK/bus" || { echo "no D-Bus session: $(cat "$WORK/dbus.log")" >&2; exit 2; }
SESSION_SHELL=$(cat "$WORK/session.pid")
DBUS_SESSION_BUS_ADDRESS=$(cat "$WORK/bus")
export DBUS_SESSION_BUS_ADDRESS

gsettings set org.mate.screensaver mode single &&
  gsettings set org.mate.screensaver themes "['$ENTRY_ID']" &&
  gsettings set org.mate.screensaver lock-enabled false || { echo "gsettings failed" >&2; exit 2; }

# Starts the host; it reads the monitors when it starts.
start_host() {
  mate-screensaver --no-daemon --debug >>"$WORK/mate.log" 2>&1 &
  MATE_PID=$!
  wait_until 15 eval 'mate-screensaver-command --query >/dev/null 2>&1' ||
    { echo "mate-screensaver does not answer: $(tail -n 3 "$WORK/mate.log")" >&2; exit 2; }
}
start_host

SCENARIO_DIR=$WORK
SCREEN_W=$(xwininfo -root | sed -n 's/^ *Width: *//p')
SCREEN_H=$(xwininfo -root | sed -n 's/^ *Height: *//p')
prepare_pictures

# The program the host started: its child running from the hack folder.
saver_pids() {
  local pid
  for pid in $(pgrep -P "$MATE_PID"); do
    [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$PROGRAM" ] && echo "$pid"
  done
  return 0
}
# Any process of the program at all, in this namespace (ended ones aside).
program_pids() {
  local exe pid
  while read -r exe; do
    pid=${exe#/proc/}
    pid=${pid%/exe}
    exited "$pid" || echo "$pid"
  done < <(find /proc/[0-9]*/exe -maxdepth 0 -lname "$PROGRAM" 2>/dev/null)
  return 0
}

# The X client a window belongs to: its id without the bits a client counts
# in (the server's resource mask).
client_of() { printf '0x%x\n' $(($1 & ~0x1fffff)); }

# Activates the host and waits for the program; sets SAVER and HOST_WINDOW.
activate() {
  SCENARIO_START_MS=$(now_ms)
  mate-screensaver-command --activate >/dev/null 2>&1 || fail "mate-screensaver-command --activate failed"
  wait_until 10 eval '[ -n "$(saver_pids)" ]' ||
    fail "the host started no program: $(grep -E 'command for job|theme' "$WORK/mate.log" | tail -n 2 | paste -sd' ')"
  SAVER=$(saver_pids)
  [ "$(wc -w <<<"$SAVER")" = 1 ] || fail "more than one program runs: $SAVER"
  HOST_WINDOW=$(host_window_of "$SAVER")
  [ -n "$HOST_WINDOW" ] || fail "the program runs without XSCREENSAVER_WINDOW"
  echo "# program $SAVER: $(tr '\0' ' ' <"/proc/$SAVER/cmdline")with XSCREENSAVER_WINDOW=$HOST_WINDOW"
}
host_window_of() { tr '\0' '\n' <"/proc/$1/environ" | sed -n 's/^XSCREENSAVER_WINDOW=//p'; }

# The program in host window $1 has one window there, filling it, and none
# showing on the root: no window or cover of its own. Sets HOST_GEOMETRY
# ("W H X Y", the host window on the screen).
one_window_filling() {
  local host=$1 ours=() id size info
  wait_until 10 eval 'xwininfo -id "$host" -children | grep -q "^ *0x"' || fail "no window inside $host"
  info=$(xwininfo -id "$host")
  HOST_GEOMETRY="$(sed -n 's/^ *Width: *//p' <<<"$info") $(sed -n 's/^ *Height: *//p' <<<"$info")"
  HOST_GEOMETRY+=" $(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info") $(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info")"
  while read -r id size; do
    [ "$(client_of "$id")" = "$(client_of "$host")" ] && continue
    ours+=("$id $size")
  done < <(xwininfo -id "$host" -children | sed -n 's/^ *\(0x[0-9a-f]*\) .*  \([0-9]*x[0-9]*\)+.*/\1 \2/p')
  [ "${#ours[@]}" = 1 ] || fail "not one window of the program in $host: ${ours[*]:-none}"
  local host_size=${HOST_GEOMETRY% * *}
  [ "${ours[0]#* }" = "${host_size/ /x}" ] ||
    fail "the program's window is ${ours[0]#* }, the host's ${host_size/ /x}"
  local client
  client=$(client_of "${ours[0]%% *}")
  # (Its application window stays unmapped, 1 x 1, as in every mode.)
  for id in $(xwininfo -root -children | sed -n 's/^ *\(0x[0-9a-f]*\) .*/\1/p'); do
    [ "$(client_of "$id")" = "$client" ] && xwininfo -id "$id" | grep -q 'Map State: IsViewable' &&
      fail "a window of its own shows on the root: $(xwininfo -id "$id" | grep geometry)"
  done
  return 0
}

# Waits until the program SAVER has ended and checks that no process of it
# is left; prints the milliseconds from `start_ms` until it ended, and fails
# beyond `limit_ms`.
gone_within() {
  local start_ms=$1 limit_ms=$2 what=$3
  until exited "$SAVER"; do
    (($(now_ms) - start_ms > 3000)) && fail "$what: the program still runs 3 s later"
    sleep 0.01
  done
  local elapsed=$(($(now_ms) - start_ms)) left
  echo "# $what: the program ended after $elapsed ms"
  ((elapsed <= limit_ms)) || fail "$what: the program ended only after $elapsed ms"
  left=$(program_pids)
  [ -z "$left" ] || fail "$what: processes of the program are left: $left"
}

# After a check that failed half-way: the host inactive and the program
# gone, for the next one.
settle() {
  mate-screensaver-command --deactivate >/dev/null 2>&1
  wait_until 5 eval '[ -z "$(program_pids)" ]'
}

draws_in_the_host_window() {
  activate
  one_window_filling "$HOST_WINDOW"
  panel_visible_and_right 10 2 || fail "$CHECK_ERROR"
  echo "# picture $PANEL_PICTURE at ${PANEL_BOX// /,} (w,h,x,y) in a ${HOST_GEOMETRY// /,} host window"
  local start
  start=$(now_ms)
  mate-screensaver-command --deactivate >/dev/null 2>&1 || fail "mate-screensaver-command --deactivate failed"
  gone_within "$start" 1000 "--deactivate"
}
check "mate-screensaver runs the packaged theme in its window: the picture 1:1 on black, gone on --deactivate" \
  draws_in_the_host_window
settle

# The keyboard and the pointer stay the host's: a key ends the saver, and
# so does a mouse move, as the host decides. (It counts a move from the
# first place it saw the pointer, and only beyond a tenth of the screen's
# width.)
input_reaches_the_host() {
  local input start
  for input in key mouse; do
    activate
    panel_visible_and_right 10 2 || fail "$CHECK_ERROR"
    if [ "$input" = key ]; then
      start=$(now_ms)
      xdotool key space
    else
      xdotool mousemove_relative 5 5
      sleep 0.3
      start=$(now_ms)
      xdotool mousemove_relative 200 150
    fi
    gone_within "$start" 1000 "a $input"
    wait_until 5 eval 'mate-screensaver-command --query | grep -q "is inactive"' ||
      fail "the host is still active after a $input: $(mate-screensaver-command --query)"
  done
}
check "a key and a mouse move go to mate-screensaver, which ends the saver" input_reaches_the_host
settle

no_process_left() {
  local left
  left=$(program_pids)
  [ -z "$left" ] || fail "processes of the program left: $left"
  kill -0 "$MATE_PID" 2>/dev/null || fail "mate-screensaver ended: $(tail -n 3 "$WORK/mate.log")"
}
check "no process of the program is left; mate-screensaver still runs" no_process_left

echo "$PASSED passed, $FAILED failed, $SKIPPED skipped"
((FAILED == 0))
