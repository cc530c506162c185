# Shared helpers of the system tests. Sourced by run.sh; every scenario runs
# in a subshell of its own, so `fail` ends only the scenario that calls it.
#
# Set by run.sh: TARGET (wine|native), EXE, WORK (scratch folder), ROOT (the
# repository), DISPLAY, and for wine WINEPREFIX.

SCREEN_W=1024
SCREEN_H=768
PICTURE_W=335
PICTURE_H=300
# The bottom-right pixel is never covered: the panel's offset across a slide
# stops one pixel short of the bottom row and of the rightmost column.
CORNER_X=$((SCREEN_W - 1))
CORNER_Y=$((SCREEN_H - 1))

# Scenario log lines carry the seconds since the scenario started.
log() {
  local ms=$(($(now_ms) - ${SCENARIO_START_MS:-0}))
  printf '# %d.%03d %s\n' $((ms / 1000)) $((ms % 1000)) "$*"
}

# Ends the current scenario; the reason is printed on its "not ok" line.
fail() {
  echo "$*" >"$SCENARIO_DIR/reason"
  log "FAIL: $*"
  exit 1
}

# A scenario or check that cannot run here says so, with the reason, and is
# counted in the closing line. Under `--only` only the chosen ones count.
SKIPPED=0
SKIPPED_NAMES=()
SKIPPED_REASONS=()
skip_scenario() {
  SKIPPED_NAMES+=("$1")
  SKIPPED_REASONS+=("$2")
  [ -n "${ONLY:-}" ] && ! [[ $1 =~ $ONLY ]] && return 0
  echo "# skip - $1: $2"
  SKIPPED=$((SKIPPED + 1))
}

# Ends the current scenario as skipped: this machine cannot give what it
# needs (the reason is printed on its skip line).
skip_this_scenario() {
  echo "$*" >"$SCENARIO_DIR/reason"
  log "SKIP: $*"
  exit 77
}

# Milliseconds since the epoch, for deadlines finer than bash's SECONDS.
now_ms() {
  local now=${EPOCHREALTIME/[.,]/}
  echo $((now / 1000))
}

# Every wait for the program to do something has its deadline stretched by
# this factor: 1, more where the program runs emulated (run.sh sets it). A
# wait ends as soon as its condition holds, so only a failure takes longer.
SLOWDOWN=${SLOWDOWN:-1}

# deadline_after SECONDS: the moment, in ms, SECONDS (stretched) from now.
deadline_after() {
  echo $(($(now_ms) + $1 * SLOWDOWN * 1000))
}

# ---------------------------------------------------------------- processes

# Whether process $1 has ended (gone, or a zombie not yet reaped).
exited() {
  local stat
  read -r stat 2>/dev/null <"/proc/$1/stat" || return 0
  stat=${stat##*) }
  [ "${stat%% *}" = Z ]
}

# Ends a process the caller started (TERM, then KILL after 3 s), and reaps
# it when it is the caller's child.
stop_pid() {
  local pid=$1
  [ -n "$pid" ] || return 0
  exited "$pid" || kill "$pid" 2>/dev/null
  for _ in $(seq 30); do
    exited "$pid" && break
    sleep 0.1
  done
  exited "$pid" || kill -9 "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  return 0
}

# Starts Xvfb on `display` (":N") at 1024x768 and waits until it answers;
# sets XVFB_PID. Under load its first start (the keyboard map compiled) can
# take seconds, so it gets 30. -noreset: an X server left without clients
# resets itself and puts the pointer back in the middle of the screen, and
# between one client's `xdotool mousemove` and the next one's start there
# may be no client at all. Fails (with the server's log on standard error)
# when the display is taken or the server does not answer.
# display_free DISPLAY: fails, saying so, when a server already answers there.
display_free() {
  ! DISPLAY=$1 xdpyinfo >/dev/null 2>&1 || { echo "display $1 is already in use" >&2; return 1; }
}

start_xvfb() {
  local display=$1 log=$2
  XVFB_PID=
  display_free "$display" || return 1
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp -noreset >"$log" 2>&1 &
  XVFB_PID=$!
  await_x_server "$XVFB_PID" "$display" "$log" Xvfb
}

# await_x_server PID DISPLAY LOG NAME: waits up to 30 s for the server to answer.
await_x_server() {
  local pid=$1 display=$2 log=$3 name=$4 deadline
  deadline=$(($(now_ms) + 30000))
  until DISPLAY=$display xdpyinfo >/dev/null 2>&1; do
    if exited "$pid" || (($(now_ms) >= deadline)); then
      echo "$name on $display does not answer: $(tail -n 3 "$log" | paste -sd' ')" >&2
      return 1
    fi
    sleep 0.1
  done
}

# Starts an Xorg server with the dummy video driver on `display` at
# 1024x768, its first output (DUMMY0) lit and primary, and waits until it
# answers; sets XVFB_PID. Its outputs are monitors as a PC's are: RandR
# 1.2 outputs with modes and positions, which every version of Wine reads,
# where Xvfb has one output only. No input device is read (XTEST drives it),
# and no console is touched. Fails as start_xvfb does.
start_xorg_outputs() {
  local display=$1 log=$2 config
  XVFB_PID=
  display_free "$display" || return 1
  config=$(dirname "$log")/xorg-outputs.conf
  cat >"$config" <<'CONF'
Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoAddGPU" "false"
  Option "AutoEnableDevices" "false"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 65536
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual 1024 768
  EndSubSection
EndSection
CONF
  /usr/lib/xorg/Xorg "$display" -config "$config" -logfile "$log" -nolisten tcp -noreset \
    -keeptty -novtswitch >"$log.out" 2>&1 &
  XVFB_PID=$!
  await_x_server "$XVFB_PID" "$display" "$log.out" Xorg || return 1
  # The half-screen mode of the two-monitor scenarios, known to both outputs.
  DISPLAY=$display xrandr --newmode "$HALF_MODE" 30.00 512 528 576 640 768 771 781 790 -hsync +vsync &&
    DISPLAY=$display xrandr --addmode DUMMY0 "$HALF_MODE" &&
    DISPLAY=$display xrandr --addmode DUMMY1 "$HALF_MODE" &&
    DISPLAY=$display xrandr --output DUMMY0 --mode 1024x768 --pos 0x0 --primary --output DUMMY1 --off ||
    { echo "Xorg on $display: cannot set up its outputs" >&2; return 1; }
}
HALF_MODE=morumoru-512x768

# Waits up to `seconds` for a command to succeed; the command's status.
wait_until() {
  local seconds=$1
  shift
  local deadline
  deadline=$(deadline_after "$seconds")
  until "$@"; do
    (($(now_ms) >= deadline)) && return 1
    sleep 0.1
  done
}

# ---------------------------------------------------------------- launching

# A fresh folder holding a copy of the program; the INI file is the program's
# path with the extension replaced by ".ini".
new_app_dir() {
  APP_DIR=$(mktemp -d "$SCENARIO_DIR/app-XXXXXX")
  if [ "$TARGET" = wine ]; then
    cp "$EXE" "$APP_DIR/morumoru.scr"
  else
    cp "$EXE" "$APP_DIR/morumoru"
  fi
  INI="$APP_DIR/morumoru.ini"
}

# Writes the INI beside the program, one argument per line.
write_ini() {
  printf '%s\n' "$@" >"$INI"
}

# The INI path as the Windows program sees it (Wine maps / to drive Z:).
ini_windows_path() {
  local path=${INI//\//\\}
  echo "Z:$path"
}

# Starts the program from its folder with the given arguments, in the
# background. Sets PRODUCT_PID (the program's own process: `exec` keeps it).
launch() {
  log "launch: $*"
  if [ "$TARGET" = wine ]; then
    (cd "$APP_DIR" && exec "$WINE_LOADER" ./morumoru.scr "$@") >>"$SCENARIO_DIR/product.log" 2>&1 &
  else
    (cd "$APP_DIR" && exec ./morumoru "$@") >>"$SCENARIO_DIR/product.log" 2>&1 &
  fi
  PRODUCT_PID=$!
  echo "$PRODUCT_PID" >>"$WORK/pids"
}

# Starts the program with a command-line tail given as raw text, for quoting
# that argv cannot carry to a Windows program: Wine would escape the quotes.
# Under Wine a batch file runs it (cmd waits for the program and passes its
# exit code on); natively the text is split by the shell's own rules but
# keeps its quote characters.
launch_raw() {
  local tail=$1
  log "launch (raw command line): morumoru $tail"
  if [ "$TARGET" = wine ]; then
    printf '@morumoru.scr %s\r\n@exit %%ERRORLEVEL%%\r\n' "$tail" >"$APP_DIR/run.bat"
    (cd "$APP_DIR" && exec "$WINE_LOADER" cmd /c run.bat) >>"$SCENARIO_DIR/product.log" 2>&1 &
  else
    local -a words
    read -r -a words <<<"$tail"
    (cd "$APP_DIR" && exec ./morumoru "${words[@]}") >>"$SCENARIO_DIR/product.log" 2>&1 &
  fi
  PRODUCT_PID=$!
  echo "$PRODUCT_PID" >>"$WORK/pids"
}

alive() { kill -0 "${1:-$PRODUCT_PID}" 2>/dev/null; }

# Waits up to `seconds` for the program to end; sets EXIT_CODE.
wait_exit() {
  local seconds=$1 pid=${2:-$PRODUCT_PID}
  local deadline
  deadline=$(deadline_after "$seconds")
  while alive "$pid"; do
    (($(now_ms) >= deadline)) && return 1
    sleep 0.1
  done
  wait "$pid"
  EXIT_CODE=$?
  return 0
}

# The program must end with exit code 0, within `seconds` on a quiet
# machine. The deadline is four times that: on a loaded one Wine or the X
# server may take seconds to pass a key on, and a quick end costs nothing.
expect_exit_0() {
  local seconds=$(($1 * 4)) what=$2
  wait_exit "$seconds" || fail "$what: still running $((seconds * SLOWDOWN))s later"
  [ "$EXIT_CODE" -eq 0 ] || fail "$what: exit code $EXIT_CODE, expected 0"
  log "$what: exited with 0"
}

# The program must still run `seconds` from now.
expect_alive_after() {
  local seconds=$1 what=$2
  sleep "$seconds"
  if ! alive; then
    wait "$PRODUCT_PID"
    fail "$what: the program ended (exit code $?) but should still run"
  fi
  log "$what: still running after ${seconds}s"
}

# ---------------------------------------------------------------- windows

# Visible windows whose name is exactly `title`, one id a line. The
# application window is shown with no size (it stands for the program on the
# task bar) and bears the program's title too; Wine maps it as 1x1: skip it.
# xdotool matches names without regard to case, so the name is compared again.
windows_named() {
  local id size
  for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
    [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ] || continue
    size=$(xwininfo -id "$id" 2>/dev/null | sed -n 's/^ *\(Width\|Height\): *//p' | paste -sd x)
    [ -n "$size" ] && [ "$size" != 1x1 ] && [ "$size" != 0x0 ] && echo "$id"
  done
  return 0
}

count_windows_named() {
  windows_named "$1" | grep -c . || true
}

# Waits up to `seconds` for a visible window named `title`; prints its id
# (the first one, when there are several). `pid`, the process that opens it
# (default the program under test), ends the wait early when it has ended.
wait_window() {
  local title=$1 seconds=$2 pid=${3-${PRODUCT_PID:-}}
  local deadline ids
  deadline=$(deadline_after "$seconds")
  while true; do
    ids=$(windows_named "$title")
    if [ -n "$ids" ]; then
      echo "$ids" | head -n 1
      return 0
    fi
    (($(now_ms) >= deadline)) && return 1
    # A program that has ended opens no more windows.
    if [ -n "$pid" ] && ! alive "$pid"; then
      [ -n "$(windows_named "$title")" ] || return 1
    fi
    sleep 0.1
  done
}

# Opens the window an xscreensaver-like host hands the program (an xmessage
# named "host", at `geometry` when given) and prints its id.
open_host_window() {
  xmessage ${1:+-geometry "$1"} -name host -title host host >>"$SCENARIO_DIR/foreign.log" 2>&1 &
  local pid=$!
  echo "$pid" >>"$WORK/pids"
  wait_window host 15 "$pid" || fail "could not open a host window"
}

# Waits for the saver window and checks there is exactly one. Sets SAVER_ID.
# A loaded machine may take tens of seconds to start a Wine program.
wait_saver() {
  SAVER_ID=$(wait_window morumoru "${1:-60}") || {
    if ! alive; then
      wait "$PRODUCT_PID"
      fail "no window named morumoru; the program ended with exit code $?"
    fi
    fail "no window named morumoru within $((${1:-60} * SLOWDOWN))s"
  }
  log "saver window $SAVER_ID"
}

# Starts the saver with the pointer parked at `x,y` beforehand, so the first
# mouse position it sees is that spot. The pace is a few milliseconds a step
# on both targets, slow enough to aim at a spot the panel has left: speed 1
# under Wine (each empty-queue check is a trip to the wineserver), the
# default speed 5 natively (15 626 checks of the connection a step).
launch_saver_at() {
  xdotool mousemove "$1" "$2"
  new_app_dir
  if [ "$TARGET" = native ]; then
    write_ini '[moruscr]' 'speed=5'
  else
    write_ini '[moruscr]' 'speed=1'
  fi
  launch /s
}

# The saver is up: exactly one window named morumoru, with the keyboard,
# `width` x `height` at the screen's top-left corner. Sets SAVER_ID.
expect_one_saver_window() {
  local width=$1 height=$2 count
  wait_saver
  wait_focus "$SAVER_ID" "the saver window"
  count=$(count_windows_named morumoru)
  [ "$count" = 1 ] || fail "$count windows named morumoru, expected 1"
  window_geometry "$SAVER_ID"
  log "saver window ${GEOM_W}x${GEOM_H}+${GEOM_X}+${GEOM_Y}"
  [ "$GEOM_W,$GEOM_H,$GEOM_X,$GEOM_Y" = "$width,$height,0,0" ] ||
    fail "saver window is ${GEOM_W}x${GEOM_H}+${GEOM_X}+${GEOM_Y}, expected ${width}x${height}+0+0"
}

# Waits for the saver's windows to go, so that the next launch does not take
# a dying copy for a running one.
wait_windows_gone() {
  wait_until 10 eval '[ -z "$(windows_named morumoru)" ]'
}

# ended_by SECONDS RUN WHAT: after one of many inputs (WHAT, in run RUN), the
# saver must end with 0 within SECONDS and take its windows with it. Returns
# 1 when it still runs (then it is stopped), for the caller to count.
ended_by() {
  local seconds=$1 run=$2 what=$3 ended=0
  if wait_exit "$seconds"; then
    [ "$EXIT_CODE" -eq 0 ] || fail "run $run: exit code $EXIT_CODE after the $what"
  else
    ended=1
    log "run $run: the saver still runs $seconds s after the $what"
    kill "$PRODUCT_PID" 2>/dev/null
    wait "$PRODUCT_PID" 2>/dev/null
  fi
  wait_windows_gone || fail "run $run: the saver's window stayed after its end"
  return "$ended"
}

# Sets GEOM_X GEOM_Y GEOM_W GEOM_H from xwininfo (the window itself, or with
# `-frame` the frame a window manager or Wine put around it).
# shellcheck disable=SC2034  # the scenarios read GEOM_*
window_geometry() {
  local id=$1 frame=${2:-}
  local info
  info=$(xwininfo ${frame:+"$frame"} -id "$id" 2>/dev/null) || return 1
  GEOM_X=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info")
  GEOM_Y=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info")
  GEOM_W=$(sed -n 's/^ *Width: *//p' <<<"$info")
  GEOM_H=$(sed -n 's/^ *Height: *//p' <<<"$info")
  GEOM_MAP=$(sed -n 's/^ *Map State: *//p' <<<"$info")
}

# The direct children of the root window, bottom to top (xwininfo lists the
# top-most first).
stacking_order() {
  xwininfo -root -children | sed -n 's/^ *\(0x[0-9a-f]*\) .*/\1/p' | tac
}

# The child of the root that holds window `id` (itself when it is one, or
# the root itself). The root's parent reads 0x0, which xwininfo would take
# for "let the user click a window" and wait for a click forever.
toplevel_of() {
  local id=$1 parent
  while true; do
    parent=$(xwininfo -tree -id "$id" | sed -n 's/^ *Parent window id: \(0x[0-9a-f]*\).*/\1/p')
    if [ -z "$parent" ] || [ "$((parent))" = 0 ] || xwininfo -id "$parent" | grep -q '(the root window)'; then
      printf '0x%x\n' "$id"
      return
    fi
    id=$parent
  done
}

# 0-based position of window `id` in the stacking order (higher is above).
stacking_index() {
  local top
  top=$(toplevel_of "$1")
  stacking_order | grep -n -x "$top" | cut -d: -f1
}

# ---------------------------------------------------------------- input

# Plain xdotool on the display: `key --window` is not reliable under Wine.
press() {
  log "key: $*"
  xdotool key --delay 50 "$@"
}

mouse_to() {
  log "mouse move: $1,$2"
  xdotool mousemove "$1" "$2"
}

click() {
  log "click: button $1"
  xdotool click "$1"
}

# ---------------------------------------------------------------- pictures

screenshot() {
  import -window root "png:$1"
}

# The nine slide pictures as PNG, made once per run.
prepare_pictures() {
  mkdir -p "$WORK/pictures"
  local i
  for i in 0 1 2 3 4 5 6 7 8; do
    convert "$ROOT/assets/pictures/picture$i.bmp" "png:$WORK/pictures/picture$i.png"
  done
}

# Bounding box of the non-black pixels of a screenshot as "W H X Y", or
# nothing when all of it is black. The pictures hold no pure black pixel, so
# this box is exactly the visible part of the panel.
non_black_box() {
  local box
  box=$(convert "$1" -fill white +opaque black -format '%@' info: 2>/dev/null)
  # An all-black picture has no box (ImageMagick reports 0x0 or the image).
  [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || return 0
  local w=${BASH_REMATCH[1]} h=${BASH_REMATCH[2]} x=${BASH_REMATCH[3]} y=${BASH_REMATCH[4]}
  ((w == 0 || h == 0)) && return 0
  if ((w == SCREEN_W && h == SCREEN_H)); then
    # Either the screen is full of colour or it is all black; tell which.
    local count
    count=$(convert "$1" -fill white +opaque black -alpha off -format '%[fx:round(mean*w*h)]' info:)
    ((count == 0)) && return 0
  fi
  echo "$w $h $x $y"
}

# Checks one screenshot: the non-black area is one panel, clipped only by the
# screen edges, showing exactly one of the nine pictures pixel for pixel, and
# everything else is black. Sets PANEL_BOX ("W H X Y") and PANEL_PICTURE.
# Returns 2 when no panel is on the screen, 1 with CHECK_ERROR on a mismatch.
check_panel_shot() {
  local shot=$1
  CHECK_ERROR=
  PANEL_BOX=$(non_black_box "$shot")
  [ -n "$PANEL_BOX" ] || return 2
  local w h x y
  read -r w h x y <<<"$PANEL_BOX"
  if ((w > PICTURE_W || h > PICTURE_H)); then
    CHECK_ERROR="non-black area ${w}x${h}+${x}+${y} is larger than the ${PICTURE_W}x${PICTURE_H} panel (stray pixels)"
    return 1
  fi
  if ((w < PICTURE_W && x != 0 && x + w != SCREEN_W)) ||
    ((h < PICTURE_H && y != 0 && y + h != SCREEN_H)); then
    CHECK_ERROR="non-black area ${w}x${h}+${x}+${y} is smaller than the panel but not cut by a screen edge"
    return 1
  fi
  # A panel cut by the left (top) edge shows the right (bottom) part.
  local ox=0 oy=0
  ((x == 0 && w < PICTURE_W)) && ox=$((PICTURE_W - w))
  ((y == 0 && h < PICTURE_H)) && oy=$((PICTURE_H - h))
  local panel=${shot%.png}-panel.png
  convert "$shot" -crop "${w}x${h}+${x}+${y}" +repage "png:$panel"
  local i diff matches=() diffs=()
  for i in 0 1 2 3 4 5 6 7 8; do
    diff=$(convert "$WORK/pictures/picture$i.png" -crop "${w}x${h}+${ox}+${oy}" +repage png:- |
      compare -metric AE "$panel" png:- null: 2>&1)
    [[ $diff =~ ^[0-9]+$ ]] || { CHECK_ERROR="compare failed: $diff"; return 3; }
    diffs+=("$i:$diff")
    [ "$diff" = 0 ] && matches+=("$i")
  done
  if ((${#matches[@]} != 1)); then
    CHECK_ERROR="panel ${w}x${h}+${x}+${y} matches ${#matches[@]} pictures exactly (differing pixels ${diffs[*]})"
    return 1
  fi
  PANEL_PICTURE=${matches[0]}
  # -draw adds an alpha channel, which ImageMagick 7's mean would average
  # in as one more channel: the counts here take the colour alone.
  local outside
  outside=$(convert "$shot" -fill black -draw "rectangle $x,$y $((x + w - 1)),$((y + h - 1))" \
    -fill white +opaque black -alpha off -format '%[fx:round(mean*w*h)]' info:)
  if [ "$outside" != 0 ]; then
    CHECK_ERROR="$outside non-black pixels outside the panel"
    return 1
  fi
  return 0
}

# Takes screenshots until one shows the panel (up to `seconds`), then checks
# it. A check that fails is retried on a fresh screenshot `retries` times so
# that a moment caught between two drawing steps is told apart from a
# picture that is really wrong; every failed try is logged.
# Sets PANEL_BOX, PANEL_PICTURE, SHOT.
panel_visible_and_right() {
  local seconds=${1:-10} retries=${2:-2}
  local deadline n=0 failures=0 rc
  deadline=$(deadline_after "$seconds")
  while true; do
    n=$((n + 1))
    SHOT="$SCENARIO_DIR/shot-$n.png"
    screenshot "$SHOT"
    check_panel_shot "$SHOT"
    rc=$?
    if ((rc == 0)); then
      log "panel ${PANEL_BOX// /,} shows picture $PANEL_PICTURE (screenshot $n, $failures failed before)"
      return 0
    fi
    ((rc == 3)) && return 1
    if ((rc == 1)); then
      failures=$((failures + 1))
      log "screenshot $n: $CHECK_ERROR"
      ((failures > retries)) && return 1
    else
      log "screenshot $n: no panel on the screen"
      if (($(now_ms) >= deadline)); then
        CHECK_ERROR="no panel on the screen within ${seconds}s (all black)"
        return 1
      fi
      sleep 0.3
    fi
  done
}

# ---------------------------------------------------------------- files

# The file's lines without carriage returns.
lines_of() { tr -d '\r' <"$1"; }

# The INI must hold exactly the given lines (carriage returns ignored).
expect_ini_lines() {
  [ -f "$INI" ] || fail "no INI file $INI"
  local expected actual
  expected=$(printf '%s\n' "$@")
  actual=$(lines_of "$INI")
  if [ "$actual" != "$expected" ]; then
    fail "INI holds [$(echo "$actual" | paste -sd'|')], expected [$(echo "$expected" | paste -sd'|')]"
  fi
  log "INI holds $(echo "$actual" | paste -sd'|')"
}

# Makes the INI read-only the way the target's users would.
make_ini_read_only() {
  if [ "$TARGET" = wine ]; then
    wine cmd /c attrib +r "$(ini_windows_path)" >/dev/null 2>&1
  else
    chmod 0444 "$INI"
  fi
  if [ -w "$INI" ] && [ "$(id -u)" != 0 ]; then fail "could not make $INI read-only"; fi
  log "INI read-only: $(stat -c %A "$INI")"
}

# Gives window `id` the keyboard focus, as a window manager would give it to
# a new window; without one the X server sends keys to the pointer's window.
focus_window() {
  xdotool windowfocus "$1" 2>/dev/null
}

# Whether the keyboard focus is in window `id` (or in a window inside it, or
# in the frame around it).
has_focus() {
  local focus
  focus=$(xdotool getwindowfocus -f 2>/dev/null) || return 1
  [ -n "$focus" ] && [ "$(toplevel_of "$focus" 2>/dev/null)" = "$(toplevel_of "$1" 2>/dev/null)" ]
}

# Waits until window `id` holds the keyboard focus, so that keys pressed next
# reach it: a program gives its new window the focus some time after the
# window shows, the more so on a loaded machine. `what` names it for the
# failure.
wait_focus() {
  local id=$1 what=${2:-window $1}
  wait_until 15 has_focus "$id" && return 0
  fail "$what never got the keyboard focus (it is on $(xdotool getwindowfocus -f 2>/dev/null || echo nothing))"
}

# Gives window `id` the focus and waits until it has it.
focus_and_wait() {
  focus_window "$1"
  wait_focus "$@"
}

# Presses Return in the error box `box` and waits until no window named
# morumoru but `keep` (the saver, or none) is left; the program must still run.
dismiss_error_box() {
  local box=$1 keep=${2:-}
  focus_and_wait "$box" "the error box"
  press Return
  wait_until 10 eval '[ "$(windows_named morumoru | grep -v -x -F "${keep:-none}")" = "" ]' ||
    fail "Return did not close the box"
  alive || fail "the program ended with the box"
  log "the box is closed"
}

# Whether the screen pixel at x,y of a screenshot is black.
black_at() {
  local shot=$1 x=$2 y=$3
  [ "$(convert "$shot" -format "%[fx:p{$x,$y}.r+p{$x,$y}.g+p{$x,$y}.b==0]" info:)" = 1 ]
}

# A background point far from the panel's row band and column band (so the
# panel cannot reach it before its slide ends), other than `not_x,not_y`.
# Uses PANEL_BOX of the last check; prints "X Y".
background_point() {
  local not_x=${1:--1} not_y=${2:--1} margin=40
  local w=0 h=0 x=-1000 y=-1000
  [ -n "${PANEL_BOX:-}" ] && read -r w h x y <<<"$PANEL_BOX"
  local candidate px py
  for candidate in "1013 10" "10 757" "1013 757" "10 10" "512 10" "512 757" "10 400" "1013 400"; do
    read -r px py <<<"$candidate"
    ((px == not_x && py == not_y)) && continue
    ((px >= x - margin && px < x + w + margin)) && continue
    ((py >= y - margin && py < y + h + margin)) && continue
    echo "$px $py"
    return 0
  done
  return 1
}
