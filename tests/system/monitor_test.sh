# Two monitors. The saver shows on the primary one and black covers hide the
# others: input on a cover ends the saver as on its black background, and
# the covers follow monitors added and removed. The error box comes up on the
# monitor of the window the user works in, the application window moved to
# that monitor's centre while the box is shown and back afterwards (under
# Wine only: natively no window stands for the program). Sourced by run.sh
# after lib.sh, saver_test.sh, click_test.sh and dialog_test.sh.
#
# Natively the display is Xvfb, whose one screen is cut into two RandR
# monitors, left and right halves, which the program reads itself; the left
# one shows the screen's output and is primary. Wine reads outputs, not such
# monitors (through Xinerama, Wine 10 puts every monitor at the origin), so
# under Wine the display is Xorg with the dummy driver (start_xorg_outputs)
# and the halves are two outputs, the left one primary, as on a PC.

MONITOR_W=$((SCREEN_W / 2))
# A point well inside the right monitor.
RIGHT_X=$((MONITOR_W + MONITOR_W / 2))

# Wine reads the monitors when its desktop starts: every Wine process goes,
# and the next one starts with the new layout.
restart_wine() {
  wineserver -k >/dev/null 2>&1
  wineserver -w
  wineserver -p
  wine cmd /c exit 0 >/dev/null 2>&1
}

# set_outputs XRANDR-ARGS...: the outputs set, then probed. The dummy driver
# reports an output lit since the last probe as disconnected, and Wine
# counts connected outputs only.
set_outputs() {
  xrandr "$@" >/dev/null && xrandr >/dev/null
}

# The screen one monitor again, the root's own pattern.
single_monitor_again() {
  local name
  if [ "$TARGET" = wine ]; then
    set_outputs --output DUMMY1 --off --output DUMMY0 --mode 1024x768 --pos 0x0 --primary 2>/dev/null
  else
    for name in left right narrow; do xrandr --delmonitor "$name" >/dev/null 2>&1; done
    xrandr --auto >/dev/null 2>&1
  fi
  xsetroot -def >/dev/null 2>&1
  [ "$TARGET" != wine ] || restart_wine
}

# set_right_monitor [WIDTH [NAME]]: a monitor at the right half's left edge,
# showing no output. xrandr sets no monitor twice under one name.
set_right_monitor() {
  local width=${1:-$MONITOR_W} name=${2:-right}
  xrandr --setmonitor "$name" \
    "$width/$((width * 254 / 960))x$SCREEN_H/$((SCREEN_H * 254 / 960))+$MONITOR_W+0" none >/dev/null
}

use_two_monitors() {
  trap single_monitor_again EXIT
  if [ "$TARGET" = wine ]; then
    set_outputs --output DUMMY0 --mode "$HALF_MODE" --pos 0x0 --primary \
      --output DUMMY1 --mode "$HALF_MODE" --pos "${MONITOR_W}x0" ||
      fail "xrandr cannot light two outputs"
    restart_wine
  else
    local mm_w=$((MONITOR_W * 254 / 960)) mm_h=$((SCREEN_H * 254 / 960))
    xrandr --setmonitor left "$MONITOR_W/${mm_w}x$SCREEN_H/$mm_h+0+0" screen >/dev/null &&
      set_right_monitor || fail "xrandr cannot set two monitors"
  fi
  log "two monitors: $(xrandr --listmonitors | tail -n +2 | awk '{print $3}' | paste -sd' ')"
}

# The application window: shown with no size, Wine maps it 1x1. Prints
# "x y" of its centre.
application_window_place() {
  local id
  for id in $(xdotool search --onlyvisible --name '^morumoru$' 2>/dev/null); do
    window_geometry "$id" || continue
    if [ "$GEOM_W" = 1 ] && [ "$GEOM_H" = 1 ]; then
      echo "$GEOM_X $GEOM_Y"
      return 0
    fi
  done
  return 1
}

expect_application_window_at() {
  local x=$1 y=$2 when=$3 place
  place=$(application_window_place) || fail "no application window $when"
  [ "$place" = "$x $y" ] || fail "the application window stands at ${place/ /,} $when, not at $x,$y"
  log "application window at ${place/ /,} $when"
}

# A press on the caption that Wine draws, held while the pointer moves.
drag_dialog_by() {
  local dx=$1 x y
  window_geometry "$DIALOG_ID"
  x=$((GEOM_X + 90)) y=$((GEOM_Y + 8))
  xdotool mousemove "$x" "$y" sleep 0.3 mousedown 1 sleep 0.3 \
    mousemove $((x + dx / 3)) "$y" sleep 0.2 mousemove $((x + 2 * dx / 3)) "$y" sleep 0.2 \
    mousemove $((x + dx)) "$y" sleep 0.3 mouseup 1
  sleep 0.5
  window_geometry "$DIALOG_ID"
  log "dialog dragged to ${GEOM_X},${GEOM_Y}"
}

box_on_active_monitor() {
  use_two_monitors
  new_app_dir
  write_ini '[moruscr]' 'speed=3'
  make_ini_read_only
  launch /c
  wait_dialog
  local home_x=$((MONITOR_W / 2)) home_y=$((SCREEN_H / 2))
  expect_application_window_at "$home_x" "$home_y" "before the box"
  window_geometry "$DIALOG_ID"
  drag_dialog_by $((MONITOR_W - GEOM_X + 40))
  ((GEOM_X >= MONITOR_W)) || fail "the dialog could not be moved to the right monitor (at $GEOM_X)"
  focus_window "$DIALOG_ID"
  sleep 0.3
  press Right alt+o
  local box
  box=$(wait_window morumoru 10) || fail "no error box named morumoru within 10s"
  window_geometry "$box"
  log "error box ${GEOM_W}x${GEOM_H}+${GEOM_X}+${GEOM_Y}"
  local centre=$((GEOM_X + GEOM_W / 2))
  ((centre >= MONITOR_W && centre < SCREEN_W)) ||
    fail "the box's centre ($centre) is not on the right monitor"
  expect_application_window_at $((MONITOR_W + home_x)) "$home_y" "while the box is shown"
  dismiss_error_box "$box"
  expect_application_window_at "$home_x" "$home_y" "after the box"
  focus_and_wait "$DIALOG_ID" "the dialog"
  press alt+c
  expect_exit_0 5 "Alt+C after the box"
}

if [ "$TARGET" = wine ]; then
  scenario "D7 on the second monitor the error box comes up there, the application window moved and back" \
    --timeout 90 box_on_active_monitor
fi

# ---------------------------------------------------------------- covers

# Viewable children of the root that can show something (not InputOnly, as
# Wine keeps some), "ID WxH+X+Y" a line: with no window manager every
# top-level window a program shows.
viewable_toplevels() {
  local id geometry info
  xwininfo -root -children |
    sed -nE 's/^ +(0x[0-9a-f]+) .* ([0-9]+x[0-9]+[+-][0-9]+[+-][0-9]+) +[+-][0-9]+[+-][0-9]+$/\1 \2/p' |
    while read -r id geometry; do
      info=$(xwininfo -id "$id" 2>/dev/null)
      grep -q '^ *Map State: IsViewable' <<<"$info" && grep -q '^ *Class: InputOutput' <<<"$info" &&
        echo "$id $geometry"
    done
}

# Shown windows that fill exactly the right monitor (or `width` of it), one
# id a line.
right_covers() {
  viewable_toplevels | awk -v g="${1:-$MONITOR_W}x${SCREEN_H}+${MONITOR_W}+0" '$2 == g {print $1}'
}

# The number of pixels of the right monitor (or `width` of it) that are not
# black in a screenshot.
lit_on_right() {
  convert "$1" -crop "${2:-$MONITOR_W}x${SCREEN_H}+${MONITOR_W}+0" +repage \
    -fill white +opaque black -alpha off -format '%[fx:round(mean*w*h)]' info:
}

# Without covers the desktop would show there: the root in a colour.
paint_desktop() {
  xsetroot -solid '#3060ff' || fail "cannot paint the root window"
}

# Starts the saver with the pointer parked at x,y beforehand, as start_saver
# does, and checks it is up on the left monitor alone. Sets SAVER_ID.
start_saver_on_left() {
  launch_saver_at "$1" "$2"
  expect_one_saver_window "$MONITOR_W" "$SCREEN_H"
}

# Waits until exactly one window covers the right monitor and a screenshot
# shows it all black. Sets COVER_ID and SHOT.
expect_right_covered() {
  local what=$1 width=${2:-$MONITOR_W} n=0 lit covers deadline
  deadline=$(deadline_after 20)
  while true; do
    n=$((n + 1))
    covers=$(right_covers "$width")
    if (($(grep -c . <<<"$covers") == 1)); then
      SHOT=$SCENARIO_DIR/covered-$n.png
      screenshot "$SHOT"
      lit=$(lit_on_right "$SHOT" "$width")
      [ "$lit" = 0 ] && break
    else
      lit="$(grep -c . <<<"$covers") covers"
    fi
    (($(now_ms) < deadline)) || fail "$what: the right monitor is not covered within $((20 * SLOWDOWN)) s ($lit)"
    sleep 0.3
  done
  COVER_ID=$covers
  log "$what: window $COVER_ID covers the right monitor, all black (screenshot $n)"
}

# The saver's end takes its covers with it.
expect_no_cover_left() {
  wait_until 10 eval '[ -z "$(right_covers)" ]' ||
    fail "$1: a window still covers the right monitor: $(right_covers | paste -sd' ')"
}

# The right monitor black from the start and through the show, which runs on
# the left one; the cursor hidden over the cover; one window named morumoru.
second_monitor_black() {
  use_two_monitors
  paint_desktop
  start_saver_on_left "$RIGHT_X" 400
  expect_right_covered "after the start"
  # The left monitor checked as a screen of its own until it shows the
  # picture (each check compares all nine), the right one in every shot. A
  # shot taken between a move and the paint of the strip it uncovered shows
  # that strip one step late; a person never sees it, and the next shot
  # tells that moment from a wrong picture, as panel_visible_and_right does.
  local n lit panel=0 failures=0 SCREEN_W=$MONITOR_W
  for n in $(seq 8); do
    SHOT=$SCENARIO_DIR/show-$n.png
    screenshot "$SHOT"
    lit=$(lit_on_right "$SHOT")
    [ "$lit" = 0 ] || fail "screenshot $n: $lit pixels of the right monitor are not black"
    ((panel > 0)) && continue
    convert "$SHOT" -crop "${MONITOR_W}x${SCREEN_H}+0+0" +repage "png:$SCENARIO_DIR/left-$n.png"
    check_panel_shot "$SCENARIO_DIR/left-$n.png"
    case $? in
      0) panel=$n ;;
      2) ;;
      3) fail "screenshot $n, left monitor: $CHECK_ERROR" ;;
      *)
        failures=$((failures + 1))
        log "screenshot $n, left monitor: $CHECK_ERROR"
        ((failures <= 2)) || fail "screenshot $n, left monitor: $CHECK_ERROR (and $((failures - 1)) before)"
        ;;
    esac
    sleep 0.3
  done
  ((panel > 0)) || fail "no picture on the left monitor in 8 screenshots"
  log "8 screenshots: the right monitor all black; screenshot $panel: picture $PANEL_PICTURE 1:1 at ${PANEL_BOX// /,} on the left one"
  if [ -n "$CURSOR_TOOL" ]; then
    expect_cursor hidden "the pointer resting on the cover"
  else
    log "cursor not checked: tools/cursor_visible.cpp did not build"
  fi
  press a
  expect_exit_0 5 "letter key"
  expect_no_cover_left "after the end"
}

# input_on_second_monitor_ends RUNS HOW...: RUNS launches, each ended by one
# HOW, taken round and round: "move" (two moves on the right monitor, where
# the pointer rests), "cross" (the pointer resting on the left monitor's
# bottom-right pixel, which the panel never covers, then moved onto the
# right one: a first position on the passing picture would not count), a
# button number pressed on
# the right monitor, or a key pressed with the pointer there. Every launch
# must end, with 0; the misses are counted.
input_on_second_monitor_ends() {
  local runs=$1 run how lost=0
  shift
  local hows=("$@")
  use_two_monitors
  for run in $(seq "$runs"); do
    how=${hows[$(((run - 1) % ${#hows[@]}))]}
    if [ "$how" = cross ]; then
      start_saver_on_left $((MONITOR_W - 1)) "$CORNER_Y"
      mouse_to $((MONITOR_W - 1)) "$CORNER_Y"
    else
      start_saver_on_left "$RIGHT_X" 300
    fi
    expect_alive_after 1 "run $run: before the $how"
    case $how in
      move)
        mouse_to $((RIGHT_X + 40)) 340
        mouse_to $((RIGHT_X + 80)) 380
        ;;
      cross) mouse_to "$RIGHT_X" 300 ;;
      [0-9]) click "$how" ;;
      *) press "$how" ;;
    esac
    ended_by 20 "$run" "$how" || lost=$((lost + 1))
    expect_no_cover_left "run $run"
  done
  log "$((runs - lost)) of $runs ($*) ended the saver"
  ((lost == 0)) || fail "$lost of $runs left the saver running"
}

# The wheel and the extra buttons on the cover end nothing; a key still does.
wheel_on_second_monitor() {
  use_two_monitors
  start_saver_on_left "$RIGHT_X" 300
  expect_right_covered "before the wheel"
  click 4
  click 5
  click 8
  click 9
  expect_alive_after 2 "after wheel and extra buttons on the right monitor"
  press a
  expect_exit_0 5 "letter key"
}

# A failing step: the error box comes up on the saver's monitor, above the
# saver and the cover, and Return there closes it; a key then ends the saver.
error_box_with_two_monitors() {
  use_two_monitors
  xdotool mousemove 200 600
  new_app_dir
  write_ini '[moruscr]' 'speed=7' 'power=12'
  launch /s
  wait_saver
  expect_right_covered "with the saver up"
  local box= id deadline
  deadline=$(deadline_after 15)
  while [ -z "$box" ] && (($(now_ms) < deadline)); do
    for id in $(windows_named morumoru); do
      [ "$id" != "$SAVER_ID" ] && box=$id
    done
    alive || fail "the program ended"
    sleep 0.1
  done
  [ -n "$box" ] || fail "no error box within $((15 * SLOWDOWN)) s"
  window_geometry "$box"
  log "error box ${GEOM_W}x${GEOM_H}+${GEOM_X}+${GEOM_Y}"
  ((GEOM_X + GEOM_W / 2 < MONITOR_W)) || fail "the box is not on the saver's monitor"
  local box_at cover_at saver_at
  box_at=$(stacking_index "$box")
  cover_at=$(stacking_index "$COVER_ID")
  saver_at=$(stacking_index "$SAVER_ID")
  log "stacking: box $box_at, cover $cover_at, saver $saver_at (higher is above)"
  ((box_at > cover_at && box_at > saver_at)) || fail "the box lies below the saver or the cover"
  dismiss_error_box "$box" "$SAVER_ID"
  [ -n "$(right_covers)" ] || fail "the cover went with the box"
  wait_focus "$SAVER_ID" "the saver after the box"
  press a
  expect_exit_0 5 "letter key after the box"
  expect_no_cover_left "after the end"
}

# Natively RandR's monitors change while the saver runs: the cover goes with
# the right monitor and comes back with it, follows its new width, and
# nothing is left once the saver ends.
monitors_change_while_running() {
  use_two_monitors
  paint_desktop
  start_saver_on_left "$RIGHT_X" 300
  expect_right_covered "two monitors"
  xrandr --delmonitor right >/dev/null || fail "cannot remove the right monitor"
  log "right monitor removed"
  wait_until 10 eval '[ -z "$(right_covers)" ]' || fail "the cover stayed without its monitor"
  log "no cover left"
  set_right_monitor || fail "cannot add the right monitor again"
  log "right monitor added"
  expect_right_covered "the monitor added again"
  # A narrower monitor in its place, in two changes, as xrandr can make it.
  local narrower=$((MONITOR_W - 112))
  set_right_monitor "$narrower" narrow && xrandr --delmonitor right >/dev/null ||
    fail "cannot put a narrower monitor in the right one's place"
  log "right monitor ${narrower} wide"
  expect_right_covered "the monitor narrowed" "$narrower"
  [ -z "$(right_covers)" ] || fail "the cover of the wider monitor stayed"
  alive || fail "the saver ended with the changes"
  press a
  expect_exit_0 5 "letter key"
  wait_until 10 eval '[ -z "$(right_covers "$narrower")" ]' || fail "a cover stayed after the end"
}

# Natively, as an xscreensaver hack, the program draws where it is told and
# makes no cover: xscreensaver covers each monitor itself.
no_cover_as_hack() {
  use_two_monitors
  local how
  new_app_dir
  for how in root window; do
    local before host= args
    before=$(viewable_toplevels | sort)
    if [ "$how" = window ]; then
      host=$(open_host_window 300x200+40+40) || exit 1
      before=$(viewable_toplevels | sort)
      args=(-window-id "$host")
    else
      args=(-root)
    fi
    log "launch ${args[*]}"
    (cd "$APP_DIR" && exec ./morumoru "${args[@]}") >>"$SCENARIO_DIR/product.log" 2>&1 &
    PRODUCT_PID=$!
    echo "$PRODUCT_PID" >>"$WORK/pids"
    expect_alive_after 3 "-$how"
    local added
    added=$(comm -13 <(echo "$before") <(viewable_toplevels | sort))
    log "-$how: new top-level windows: ${added:-none}"
    [ -z "$(right_covers)" ] || fail "-$how: a window covers the right monitor"
    if [ "$how" = window ]; then
      [ -z "$added" ] || fail "-window-id showed a top-level window: $added"
    else
      [ "$(grep -c . <<<"$added")" -le 1 ] || fail "-root showed more than its one window: $added"
    fi
    kill -TERM "$PRODUCT_PID"
    wait_exit 10 || fail "-$how: still running 10 s after SIGTERM"
  done
}

# With one monitor the saver is the one window it shows (under Wine besides
# the application window, which Wine maps 1x1).
one_monitor_one_window() {
  start_saver 700 600
  local shown
  shown=$(viewable_toplevels | awk '$2 !~ /^1x1[+-]/')
  log "shown: $(paste -sd' ' <<<"$shown")"
  [ "$(grep -c . <<<"$shown")" = 1 ] || fail "$(grep -c . <<<"$shown") windows shown, expected the saver alone"
  [ "$(toplevel_of "$SAVER_ID")" = "$(cut -d' ' -f1 <<<"$shown")" ] || fail "the window shown is not the saver"
  press a
  expect_exit_0 5 "letter key"
}

scenario "M1 with one monitor the saver is the one window shown" one_monitor_one_window
scenario "M2 two monitors: the right one black through the show on the left, the cursor hidden there" \
  --timeout 180 second_monitor_black
scenario "M3 mouse moves on the second monitor end the saver, 5 of 5" --timeout 400 \
  input_on_second_monitor_ends 5 move
scenario "M3 a move from the first monitor onto the second ends the saver, 3 of 3" --timeout 300 \
  input_on_second_monitor_ends 3 cross
scenario "M3 buttons 1, 3 and 2 on the second monitor end the saver, 6 of 6" --timeout 400 \
  input_on_second_monitor_ends 6 1 3 2
scenario "M3 keys with the pointer on the second monitor end the saver, 5 of 5" --timeout 400 \
  input_on_second_monitor_ends 5 a Escape Shift_L F1 alt+x
scenario "M3 the wheel and extra buttons on the second monitor end nothing" --timeout 180 \
  wheel_on_second_monitor
scenario "M4 with two monitors the error box comes up above saver and cover and takes Return" \
  --timeout 180 error_box_with_two_monitors
if [ "$TARGET" = native ]; then
  scenario "M5 monitors removed, added and resized while the saver runs: covered, nothing left" \
    --timeout 180 monitors_change_while_running
  scenario "M6 as an xscreensaver hack (-root, -window-id) no cover is made" --timeout 120 \
    no_cover_as_hack
else
  skip_scenario "M5 monitors changed while the saver runs" \
    "Wine (8 and 10) tells its programs nothing when an output is lit or switched off under it; the saver's unit tests change the monitors of the headless window system"
fi
