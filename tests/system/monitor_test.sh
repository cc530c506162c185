# Two monitors: the error box comes up on the monitor of the window the user
# works in, the application window moved to that monitor's centre while the
# box is shown and back afterwards. Sourced by run.sh after lib.sh and
# dialog_test.sh. Under Wine only: natively no window stands for the program.
#
# Xvfb's own screens all lie at the origin, so the one screen is cut into two
# RandR monitors, left and right halves. Wine 8 reads monitors from RandR
# outputs only, which stay one; through Xinerama (UseXRandR=N) it sees the
# two halves, the left one primary.

MONITOR_W=$((SCREEN_W / 2))

# Wine reads the monitors when its desktop starts: every Wine process goes,
# and the next one starts with the new layout.
restart_wine() {
  wineserver -k >/dev/null 2>&1
  wineserver -w
  wineserver -p
  wine cmd /c exit 0 >/dev/null 2>&1
}

use_two_monitors() {
  trap 'xrandr --delmonitor left >/dev/null 2>&1; xrandr --delmonitor right >/dev/null 2>&1
        wine reg delete "HKCU\\Software\\Wine\\X11 Driver" /v UseXRandR /f >/dev/null 2>&1
        restart_wine' EXIT
  local mm_w=$((MONITOR_W * 254 / 960)) mm_h=$((SCREEN_H * 254 / 960))
  xrandr --setmonitor left "$MONITOR_W/${mm_w}x$SCREEN_H/$mm_h+0+0" screen >/dev/null &&
    xrandr --setmonitor right "$MONITOR_W/${mm_w}x$SCREEN_H/$mm_h+$MONITOR_W+0" none >/dev/null ||
    fail "xrandr cannot set two monitors"
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /d N /f >/dev/null 2>&1 ||
    fail "cannot switch Wine to Xinerama"
  restart_wine
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
