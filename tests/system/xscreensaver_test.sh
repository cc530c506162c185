#!/usr/bin/env bash
# The native program as an xscreensaver hack, on a display of its own:
#
#   tests/system/xscreensaver_test.sh EXE
#
# -root draws on the root, -window-id and XSCREENSAVER_WINDOW draw inside
# another client's window and nowhere else, input is left alone, the host's
# size is followed, SIGTERM ends the program at once. Prints "ok - name" or
# "not ok - name: reason" per check and ends with "N passed, M failed, K skipped"; the
# exit status is non-zero when something failed. Environment:
# MORUMORU_XSS_DISPLAY (default 93 + MORUMORU_DISPLAY_OFFSET), MORUMORU_XSS_KEEP=1 keeps the scratch
# folder (logs, screenshots), MORUMORU_XSS_ONLY=REGEX runs only the checks
# whose names match.

set -u

if [ $# -ne 1 ] || [ ! -f "$1" ]; then
  echo "usage: $0 EXE" >&2
  exit 2
fi
for tool in Xvfb xdpyinfo xwininfo xdotool xmessage xev import convert compare; do
  command -v "$tool" >/dev/null || { echo "$tool is missing" >&2; exit 2; }
done

unset XSCREENSAVER_WINDOW
export DISPLAY=:${MORUMORU_XSS_DISPLAY:-$((93 + ${MORUMORU_DISPLAY_OFFSET:-0}))}
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$ROOT/tests/system/lib.sh"
# No dot in the folder name: the program derives its INI name from its path.
WORK=$(mktemp -d "${TMPDIR:-/tmp}/morumoru-xss-XXXXXX")
APP=$WORK/app/morumoru
mkdir -p "$WORK/app"
cp "$1" "$APP"  # no INI beside it: the default speed
: >"$WORK/pids"
PASSED=0
FAILED=0

# ---------------------------------------------------------------- helpers

# Ends the current check; the reason goes on its "not ok" line.
fail() {
  echo "$*" >"$CHECK_DIR/reason"
  exit 1
}

# Starts a command in the background and records its pid in STARTED.
start() {
  "$@" >>"$CHECK_DIR/log" 2>&1 &
  STARTED=$!
  echo "$STARTED" >>"$WORK/pids"
}

# Runs the product with the given arguments (and environment assignments
# before them, through env); sets PRODUCT.
start_product() {
  start env "$@"
  PRODUCT=$STARTED
}

# Waits up to 15 s for a new xmessage window of the given geometry; sets
# HOST and HOST_PID.
xmessage_windows() { xwininfo -root -children | awk '/"xmessage"/ {print $1}' | sort; }
start_host() {
  local geometry=$1 before
  before=$(xmessage_windows)
  start xmessage -geometry "$geometry" host
  HOST_PID=$STARTED
  wait_until 15 eval '[ -n "$(comm -13 <(echo "$before") <(xmessage_windows))" ]' ||
    fail "xmessage did not open a window"
  HOST=$(comm -13 <(echo "$before") <(xmessage_windows) | head -n 1)
}

# Sets RECT_X RECT_Y RECT_W RECT_H: the inside of a window, in root pixels.
inside_of() {
  local info border
  info=$(xwininfo -id "$1") || fail "no window $1"
  # xwininfo gives the outer corner of the border.
  border=$(sed -n 's/^ *Border width: *//p' <<<"$info")
  RECT_X=$(($(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info") + border))
  RECT_Y=$(($(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info") + border))
  RECT_W=$(sed -n 's/^ *Width: *//p' <<<"$info")
  RECT_H=$(sed -n 's/^ *Height: *//p' <<<"$info")
}

# How many children window $1 (or "root") has.
child_count() {
  local which=(-id "$1")
  [ "$1" = root ] && which=(-root)
  xwininfo "${which[@]}" -children | sed -n 's/^ *\([0-9]*\) child.*/\1/p'
}

# The children of window $1 as "id WxH" lines.
children_of() {
  xwininfo -id "$1" -children | sed -n 's/^ *\(0x[0-9a-f]*\) .*  \([0-9]*x[0-9]*\)+.*/\1 \2/p'
}

shot() {
  import -window root "$1" 2>/dev/null || fail "no screenshot"
}

# The box round every pixel that is not black, as "W H X Y"; W is 0 when
# the whole screen is black. The black frame keeps a picture in a corner
# from being taken for the background colour.
lit_box() {
  local box
  box=$(convert "$1" -bordercolor black -border 1 -fuzz 8% -format '%@' info: 2>/dev/null)
  [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || fail "cannot read $1"
  local w=${BASH_REMATCH[1]} h=${BASH_REMATCH[2]} x=${BASH_REMATCH[3]} y=${BASH_REMATCH[4]}
  if ((w == 0)); then echo "0 0 0 0"; else echo "$w $h $((x - 1)) $((y - 1))"; fi
}

# Takes screenshots until one shows a picture (up to 20 s); sets SHOT and
# BOX_W BOX_H BOX_X BOX_Y.
wait_lit() {
  local name=$1 n=0 deadline=$(($(now_ms) + 20000))
  while (($(now_ms) < deadline)); do
    n=$((n + 1))
    SHOT=$CHECK_DIR/$name-$n.png
    shot "$SHOT"
    read -r BOX_W BOX_H BOX_X BOX_Y <<<"$(lit_box "$SHOT")"
    ((BOX_W > 0)) && return 0
    sleep 0.3
  done
  fail "nothing but black in $n screenshots over 20 s"
}

expect_alive() {
  kill -0 "$PRODUCT" 2>/dev/null && return 0
  wait "$PRODUCT"
  fail "$1: the program ended with exit code $?"
}

# The picture lies inside the rectangle RECT_*.
expect_lit_inside() {
  if ((BOX_X < RECT_X || BOX_Y < RECT_Y || BOX_X + BOX_W > RECT_X + RECT_W ||
    BOX_Y + BOX_H > RECT_Y + RECT_H)); then
    fail "$1: lit pixels at ${BOX_W}x${BOX_H}+${BOX_X}+${BOX_Y}, outside the window" \
      "${RECT_W}x${RECT_H}+${RECT_X}+${RECT_Y}"
  fi
}

# How long a process takes to go after SIGTERM, seen from here: the time
# from the signal until /proc shows it ended.
term_ms() {
  local pid=$1 start_ms
  start_ms=$(now_ms)
  kill -TERM "$pid"
  until exited "$pid"; do
    (($(now_ms) - start_ms > 2000)) && break
  done
  echo $(($(now_ms) - start_ms))
}

# SIGTERM must end the product at once, leaving no process of it. "At once"
# is 100 ms on a quiet machine; on a loaded one this script sees every end
# late, so the limit grows with how late it sees a plain `sleep` end.
expect_term_ends() {
  local elapsed reference pid
  sleep 30 &
  local idle=$!
  reference=$(term_ms "$idle")
  wait "$idle" 2>/dev/null
  elapsed=$(term_ms "$PRODUCT")
  exited "$PRODUCT" || fail "still running 2 s after SIGTERM"
  wait "$PRODUCT"
  echo "# SIGTERM: $elapsed ms (a plain process: $reference ms)" >>"$CHECK_DIR/log"
  ((elapsed <= 100 + 4 * reference)) || fail "SIGTERM took ${elapsed} ms (a plain process ${reference} ms)"
  for pid in /proc/[0-9]*; do
    [ "$(readlink "$pid/exe" 2>/dev/null)" = "$APP" ] && fail "process ${pid#/proc/} of it is left"
  done
  return 0
}

# Runs one check in a subshell of its own, so that `fail` ends only it.
check() {
  local name=$1
  shift
  [[ $name =~ ${MORUMORU_XSS_ONLY:-} ]] || return 0
  CHECK_DIR=$WORK/check-$((PASSED + FAILED + 1))
  mkdir -p "$CHECK_DIR"
  (
    "$@"
  )
  local status=$?
  while read -r pid; do [ -n "$pid" ] && stop_pid "$pid"; done <"$WORK/pids"
  : >"$WORK/pids"
  if ((status == 0)); then
    echo "ok - $name"
    PASSED=$((PASSED + 1))
  else
    echo "not ok - $name: $(cat "$CHECK_DIR/reason" 2>/dev/null || echo "exit status $status")"
    FAILED=$((FAILED + 1))
  fi
}

# ---------------------------------------------------------------- display

XVFB_PID=
cleanup() {
  [ -s "$WORK/pids" ] && while read -r pid; do stop_pid "$pid"; done <"$WORK/pids"
  [ -n "$XVFB_PID" ] && stop_pid "$XVFB_PID"
  [ -n "$SETTINGS_PROGRAM_DIR" ] && rm -rf "$SETTINGS_PROGRAM_DIR"
  if [ "${MORUMORU_XSS_KEEP:-0}" = 1 ]; then
    echo "# scratch files kept in $WORK" >&2
  else
    rm -rf "$WORK"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

start_xvfb "$DISPLAY" "$WORK/xvfb.log" || exit 2

# ---------------------------------------------------------------- checks

root_draws_and_moves() {
  local before
  before=$(child_count root)
  start_product "$APP" -root
  wait_lit root-a
  local first=$SHOT
  sleep 0.5
  wait_lit root-b
  local difference
  difference=$(compare -metric AE "$first" "$SHOT" null: 2>&1)
  [ "${difference%% *}" != 0 ] || fail "the picture did not move in 0.5 s"
  # One window more on the root, covering it, and no title on any of ours.
  [ "$(child_count root)" -gt "$before" ] || fail "no window of its own on the root"
  xwininfo -root -children | grep -q '"morumoru"' && fail "a window titled morumoru"
  expect_alive "-root"
  expect_term_ends
}
check "-root draws a moving picture on the root; SIGTERM ends it" root_draws_and_moves

window_id_stays_inside() {
  start_host 640x480+200+150
  inside_of "$HOST"
  start_product "$APP" -window-id "$HOST"
  local n
  for n in 1 2 3 4 5; do
    wait_lit "window-$n"
    expect_lit_inside "screenshot $n"
    sleep 0.2
  done
  # Keys, buttons and moves over the window belong to xscreensaver.
  xdotool mousemove $((RECT_X + 50)) $((RECT_Y + 50)) sleep 0.2 \
    mousemove $((RECT_X + 300)) $((RECT_Y + 200)) key a key Escape key alt+x click 1 click 3
  sleep 1
  expect_alive "after keys and clicks"
  expect_term_ends
}
check "-window-id draws only inside the client's window and ignores input" window_id_stays_inside

# xscreensaver runs its hacks with -root and names its own window in the
# environment: that window is the one to draw into, not the real root.
environment_window_wins_over_root() {
  start_host 400x300+500+60
  inside_of "$HOST"
  local before
  before=$(child_count "$HOST")
  start_product XSCREENSAVER_WINDOW="$(printf '0x%X' "$HOST")" "$APP" -root
  wait_lit env-a
  expect_lit_inside "screenshot"
  [ "$(child_count "$HOST")" -gt "$before" ] || fail "no child window in the host"
  expect_term_ends
}
check "XSCREENSAVER_WINDOW with -root draws into that window" environment_window_wins_over_root

follows_host_size_and_end() {
  start_host 640x480+100+100
  local theirs ours
  theirs=$(children_of "$HOST" | cut -d' ' -f1)
  start_product "$APP" -window-id "$(printf '%d' "$HOST")"  # decimal this time
  wait_lit before-resize
  ours=$(children_of "$HOST" | grep -v -F "$theirs" | cut -d' ' -f1)
  [ "$(wc -w <<<"$ours")" = 1 ] || fail "not one window of its own in the host: $ours"
  children_of "$HOST" | grep -q "^$ours 640x480\$" || fail "its window does not fill the host"
  xdotool windowsize "$HOST" 300 200
  local n found=0
  for n in $(seq 30); do
    children_of "$HOST" | grep -q "^$ours 300x200\$" && found=1 && break
    sleep 0.1
  done
  ((found)) || fail "it did not follow the host to 300x200: $(children_of "$HOST" | paste -sd ' ')"
  inside_of "$HOST"
  wait_lit after-resize
  expect_lit_inside "after the resize"
  # The host going away (a closed preview) ends the program by itself.
  stop_pid "$HOST_PID"
  for n in $(seq 20); do
    kill -0 "$PRODUCT" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$PRODUCT" 2>/dev/null && fail "still running 2 s after its host was destroyed"
  wait "$PRODUCT"
  local code=$?
  ((code == 0)) || fail "exit code $code after the host went away"
}
check "the picture follows the host's size; the host's end ends the program" \
  follows_host_size_and_end

# A preview must not be taken for a running saver, and keeps running while
# the real one comes and goes. xscreensaver's settings program adds
# -window-id to the "-root" line for its preview.
side_by_side_with_saver() {
  start_host 400x300+20+20
  start_product "$APP" -root -window-id "$HOST"
  local hack=$PRODUCT
  inside_of "$HOST"
  wait_lit hack
  expect_lit_inside "the preview"
  start_product "$APP" /s
  local saver=$PRODUCT id
  wait_until 15 eval 'xwininfo -root -children | grep -q "\"morumoru\".*1024x768"' ||
    fail "the saver did not come up"
  id=$(xwininfo -root -children | awk '/"morumoru".*1024x768/ {print $1; exit}')
  wait_until 15 has_focus "$id" || fail "the saver never got the keyboard focus"
  xdotool key a
  wait_until 10 exited "$saver" || fail "the saver did not end on a key"
  PRODUCT=$hack
  expect_alive "after the saver ended"
  expect_term_ends
}
check "a preview (-root -window-id) and the saver run side by side" side_by_side_with_saver

# The panel window inside host $1, waited for.
panel_in() {
  local panel n
  for n in $(seq 100); do
    panel=$(xwininfo -id "$1" -tree | awk '/ 335x300\+/ {print $1; exit}')
    [ -n "$panel" ] && break
    sleep 0.1
  done
  [ -n "$panel" ] || fail "no panel window inside the host"
  echo "$panel"
}

# xscreensaver starts a hack with -root, its window in XSCREENSAVER_WINDOW,
# and the slider's -speed. The option wins over the file (speed=7 here), and
# a value that is no integer leaves the file's speed in force. The three run
# side by side in three hosts, their moves counted over the same 4 s from
# the X server's side (another client, xev, gets one ConfigureNotify a step):
# whatever load the machine has falls on all three alike.
speed_option_sets_the_pace() {
  local dir=$WORK/speed-app
  mkdir -p "$dir"
  cp "$APP" "$dir/morumoru"
  printf '[moruscr]\nspeed=7\n' >"$dir/morumoru.ini"
  local speed place=0 counters=()
  declare -A pace product panel
  for speed in 1 7 fast; do
    start_host "400x300+$((place * 310))+$((place * 230))"
    place=$((place + 1))
    start_product XSCREENSAVER_WINDOW="$(printf '0x%X' "$HOST")" "$dir/morumoru" -root -speed "$speed"
    product[$speed]=$PRODUCT
    panel[$speed]=$(panel_in "$HOST")
  done
  for speed in 1 7 fast; do
    (timeout 4 xev -id "${panel[$speed]}" -event structure | grep -c '^ConfigureNotify' \
      >"$CHECK_DIR/moves-$speed") &
    counters+=($!)
  done
  wait "${counters[@]}"
  for speed in 1 7 fast; do
    pace[$speed]=$(cat "$CHECK_DIR/moves-$speed")
    PRODUCT=${product[$speed]}
    expect_alive "-speed $speed"
  done
  echo "# moves in the same 4 s: -speed 1: ${pace[1]}, -speed 7: ${pace[7]}, -speed fast: ${pace[fast]}" >&2
  ((pace[7] > 0)) || fail "-speed 7: the panel did not move"
  ((pace[1] > 3 * pace[7])) || fail "-speed 1 (${pace[1]} moves) is not clearly faster than -speed 7 (${pace[7]})"
  ((pace[1] > 3 * pace[fast])) ||
    fail "-speed fast (${pace[fast]} moves) is not the file's slow 7 against -speed 1 (${pace[1]})"
  grep -q 'speed=7' "$dir/morumoru.ini" || fail "the option changed the file"
}
check "-speed 1 and -speed 7 give different paces; -speed fast leaves the file's speed" \
  speed_option_sets_the_pace

# -fps: one line at the lower left of the host, on the black only. The
# program is stopped for each screenshot, so the panel's place read from the
# server is the one on the screen. Inside the panel every pixel must be the
# picture's; outside it, lit pixels only in the line's strip at the bottom
# left, and none at all without -fps.
fps_sample() {
  local label=$1 n=$2 panel
  kill -STOP "$PRODUCT"
  sleep 0.2
  panel=$(xwininfo -id "$HOST" -tree |
    sed -n 's/^ *0x[0-9a-f]* .* 335x300+-\{0,1\}[0-9]*+-\{0,1\}[0-9]*  *+\(-\{0,1\}[0-9]*\)+\(-\{0,1\}[0-9]*\)$/\1 \2/p' |
    head -n 1)
  SHOT=$CHECK_DIR/$label-$n.png
  shot "$SHOT"
  kill -CONT "$PRODUCT"
  [ -n "$panel" ] || fail "$label: no 335x300 panel in the host"
  read -r PANEL_X PANEL_Y <<<"$panel"
  convert "$SHOT" -crop "${RECT_W}x${RECT_H}+${RECT_X}+${RECT_Y}" +repage "rgb:$SHOT.rgb"
  python3 - "$SHOT.rgb" "$RECT_W" "$RECT_H" $((PANEL_X - RECT_X)) $((PANEL_Y - RECT_Y)) \
    "$WORK/pictures" >"$CHECK_DIR/sample" 2>&1 <<'PY' || fail "$label $n: $(cat "$CHECK_DIR/sample")"
import sys
raw, w, h, px, py, pictures = sys.argv[1], *map(int, sys.argv[2:6]), sys.argv[6]
data = open(raw, "rb").read()
pixel = lambda x, y: data[3 * (y * w + x):3 * (y * w + x) + 3]
pw, ph = 335, 300
inside = lambda x, y: px <= x < px + pw and py <= y < py + ph
# Exactly one of the nine pictures shows wherever the panel is in the host.
visible = [(x, y) for y in range(max(py, 0), min(py + ph, h)) for x in range(max(px, 0), min(px + pw, w))]
matches = []
for i in range(9):
    picture = open("%s/picture%d.rgb" % (pictures, i), "rb").read()
    if all(pixel(x, y) == picture[3 * ((y - py) * pw + x - px):3 * ((y - py) * pw + x - px) + 3]
           for x, y in visible[::7]) and visible:
        if all(pixel(x, y) == picture[3 * ((y - py) * pw + x - px):3 * ((y - py) * pw + x - px) + 3]
               for x, y in visible):
            matches.append(i)
if visible and len(matches) != 1:
    sys.exit("the panel at %d,%d shows no picture pixel for pixel (%d matches)" % (px, py, len(matches)))
lit = [(x, y) for y in range(h) for x in range(w) if not inside(x, y) and pixel(x, y) != b"\0\0\0"]
panel_on_strip = px < w // 2 and py + ph > h - 40
if lit:
    x0, x1 = min(x for x, _ in lit), max(x for x, _ in lit)
    y0, y1 = min(y for _, y in lit), max(y for _, y in lit)
    print("lit %d %d %d %d %d" % (x0, y0, x1, y1, panel_on_strip))
else:
    print("none 0 0 0 0 %d" % panel_on_strip)
PY
  read -r LIT LIT_X0 LIT_Y0 LIT_X1 LIT_Y1 PANEL_ON_STRIP <"$CHECK_DIR/sample"
  echo "# $label $n: panel at $((PANEL_X - RECT_X)),$((PANEL_Y - RECT_Y)), outside it: $LIT $LIT_X0,$LIT_Y0-$LIT_X1,$LIT_Y1" >>"$CHECK_DIR/log"
}

fps_line_on_the_black_only() {
  local i n
  mkdir -p "$WORK/pictures"
  for i in 0 1 2 3 4 5 6 7 8; do
    convert "$ROOT/assets/pictures/picture$i.bmp" "rgb:$WORK/pictures/picture$i.rgb"
  done
  start_host 420x360+100+100
  inside_of "$HOST"
  # Fast, so that the samples catch the panel all over the small host.
  start_product XSCREENSAVER_WINDOW="$(printf '0x%X' "$HOST")" "$APP" -root -speed 1 -fps
  sleep 1.5  # the first figure comes after a second
  local shown=0 whole=0 widest=0
  for n in $(seq 16); do
    fps_sample fps "$n"
    expect_alive "-fps"
    [ "$LIT" = lit ] || continue
    shown=$((shown + 1))
    # The line's strip: from the left margin, at the bottom.
    ((LIT_X0 >= 4 && LIT_Y0 >= RECT_H - 40 && LIT_Y1 < RECT_H - 4)) ||
      fail "sample $n: lit pixels outside the panel at $LIT_X0,$LIT_Y0-$LIT_X1,$LIT_Y1, not in the line's place"
    if ((!PANEL_ON_STRIP)); then
      # Uncovered again, the line is whole: it starts at the margin.
      ((LIT_X0 <= 12)) || fail "sample $n: the line starts at x $LIT_X0 with the panel away"
      whole=$((whole + 1))
      ((LIT_X1 > widest)) && widest=$LIT_X1
    fi
    sleep 0.15
  done
  echo "# -fps: the line in $shown of 16 samples, whole in $whole, up to x $widest" >>"$CHECK_DIR/log"
  ((shown > 0)) || fail "no line in 16 samples with -fps"
  ((whole > 0)) || fail "the panel lay over the line's place in every sample"
  ((widest > 100)) || fail "the line is only $widest pixels wide"
  stop_pid "$PRODUCT"

  start_product XSCREENSAVER_WINDOW="$(printf '0x%X' "$HOST")" "$APP" -root -speed 1
  sleep 1.5
  for n in $(seq 6); do
    fps_sample plain "$n"
    [ "$LIT" = none ] || fail "without -fps: lit pixels outside the panel at $LIT_X0,$LIT_Y0-$LIT_X1,$LIT_Y1"
    sleep 0.15
  done
}
check "-fps draws the frame rate at the lower left, only on the black; nothing without it" \
  fps_line_on_the_black_only

# xscreensaver's own settings program (Debian's xscreensaver package) with
# the description installed where it looks (a bind mount in a mount
# namespace of its own, so nothing outside changes). It runs as nobody: it
# starts no preview as root.
SETTINGS_PROGRAM_DIR=
# Runs it with the hack's line `$1` in ~/.xscreensaver until its preview
# has started; sets SETTINGS_LOG and PREVIEW (the preview's pid, empty when
# none started).
run_settings_program() {
  local dir=$SETTINGS_PROGRAM_DIR n
  printf 'mode: one\nselected: 0\nprograms: \\\n  %s \\n\n' "$1" >"$dir/home/.xscreensaver"
  chmod 666 "$dir/home/.xscreensaver"
  SETTINGS_LOG=$CHECK_DIR/settings-$((++SETTINGS_RUNS)).log
  HOME=$dir/home PATH=$dir/bin:$PATH unshare -m --propagation private sh -c \
    'mount --bind "$1" /usr/share/xscreensaver/config &&
     exec setpriv --reuid=65534 --regid=65534 --clear-groups xscreensaver-settings --debug' \
    sh "$dir/config" >"$SETTINGS_LOG" 2>&1 &
  local settings=$!
  echo "$settings" >>"$WORK/pids"
  PREVIEW=
  for n in $(seq 100); do
    PREVIEW=$(sed -n 's/.*: forked \([0-9]*\) (morumoru)$/\1/p' "$SETTINGS_LOG" | tail -n 1)
    [ -n "$PREVIEW" ] && break
    exited "$settings" && break
    sleep 0.1
  done
  [ -n "$PREVIEW" ] && echo "$PREVIEW" >>"$WORK/pids"
  return 0
}

settings_program_shows_the_slider() {
  local dir=$SETTINGS_PROGRAM_DIR
  mkdir -p "$dir/home" "$dir/bin" "$dir/config"
  chmod 777 "$dir/home"
  cp /usr/share/xscreensaver/config/*.xml "$dir/config/"
  cp "$ROOT/assets/linux/morumoru.xml" "$dir/config/"
  cp "$APP" "$dir/bin/morumoru"
  SETTINGS_RUNS=0
  # A speed beyond the slider's range is put back on it: 7 at the slow end.
  run_settings_program "morumoru -root -speed 9"
  grep -q 'reading /usr/share/xscreensaver/config/morumoru.xml' "$SETTINGS_LOG" ||
    fail "the settings program did not read morumoru.xml: $(tail -n 3 "$SETTINGS_LOG" | paste -sd' ')"
  grep -q 'scheduling preview "morumoru -root -speed 7"' "$SETTINGS_LOG" ||
    fail "no preview with the slider's -speed 7: $(grep preview "$SETTINGS_LOG" | paste -sd' ')"
  [ -n "$PREVIEW" ] || fail "the settings program started no preview"
  local line environment n
  # It says "forked" before the child has run the hack.
  for n in $(seq 30); do
    line=$(tr '\0' ' ' <"/proc/$PREVIEW/cmdline" 2>/dev/null)
    [[ $line == morumoru* ]] && break
    sleep 0.1
  done
  environment=$(tr '\0' '\n' <"/proc/$PREVIEW/environ")
  echo "# preview: $line" >>"$CHECK_DIR/log"
  [[ $line == *"-speed 7"* ]] || fail "the preview runs '$line'"
  grep -q '^XSCREENSAVER_WINDOW=0x' <<<"$environment" || fail "the preview has no XSCREENSAVER_WINDOW"
  kill -0 "$PREVIEW" 2>/dev/null || fail "the preview ended: $(tail -n 3 "$SETTINGS_LOG" | paste -sd' ')"
  while read -r pid; do [ -n "$pid" ] && stop_pid "$pid"; done <"$WORK/pids"
  : >"$WORK/pids"
  # The default, 5, is the slider's own: the line then carries no option.
  run_settings_program "morumoru -root -speed 5"
  grep -q 'scheduling preview "morumoru -root"$' "$SETTINGS_LOG" ||
    fail "-speed 5 is not the slider's default: $(grep preview "$SETTINGS_LOG" | paste -sd' ')"
  while read -r pid; do [ -n "$pid" ] && stop_pid "$pid"; done <"$WORK/pids"
  : >"$WORK/pids"
  # "Show frame rate" is a box the program knows: the line is read into the
  # widgets (the speed put back on the slider) and written out again with
  # --fps, rather than kept as a line it cannot show.
  run_settings_program "morumoru -root -speed 9 --fps"
  grep -q 'scheduling preview "morumoru -root -speed 7 --fps"$' "$SETTINGS_LOG" ||
    fail "--fps is not the description's box: $(grep preview "$SETTINGS_LOG" | paste -sd' ')"
}
if ! command -v xscreensaver-settings >/dev/null || ! command -v setpriv >/dev/null; then
  skip_scenario "xscreensaver's settings program" "not installed (Debian package xscreensaver)"
elif ! unshare -m --propagation private true 2>/dev/null; then
  skip_scenario "xscreensaver's settings program" "no mount namespace allowed here"
else
  # Outside the scratch folder, which only its owner may enter.
  SETTINGS_PROGRAM_DIR=$(mktemp -d "${TMPDIR:-/tmp}/morumoru-xss-settings-XXXXXX")
  chmod 755 "$SETTINGS_PROGRAM_DIR"
  check "xscreensaver's settings program reads the slider (1 to 7, default 5) and the frame-rate box" \
    settings_program_shows_the_slider
fi

bad_window_id() {
  local output code
  output=$("$APP" -window-id nonsense 2>&1)
  code=$?
  ((code == 1)) || fail "-window-id nonsense: exit code $code"
  grep -q 'window id' <<<"$output" || fail "no message for -window-id nonsense: $output"
  output=$(timeout 5 "$APP" -window-id 0x7ffffff 2>&1)
  code=$?
  ((code == 1)) || fail "a missing window: exit code $code"
  grep -q 'no window' <<<"$output" || fail "no message for a missing window: $output"
}
check "an unusable -window-id is refused with a message" bad_window_id

echo "$PASSED passed, $FAILED failed, $SKIPPED skipped"
((FAILED == 0))
