# The running saver: what ends it, what does not, the INI left alone, and
# the error box. Sourced by run.sh after lib.sh and startup_test.sh.

# Starts the saver with the pointer parked at `x,y` beforehand, so the first
# mouse position it sees is that spot. The pace is a few milliseconds a step
# on both targets, slow enough to aim at a spot the panel has left: speed 1
# under Wine (each empty-queue check is a trip to the wineserver), the
# default speed 5 natively (15 626 checks of the connection a step).
start_saver() {
  local x=${1:-700} y=${2:-600}
  xdotool mousemove "$x" "$y"
  new_app_dir
  if [ "$TARGET" = native ]; then
    write_ini '[moruscr]' 'speed=5'
  else
    write_ini '[moruscr]' 'speed=1'
  fi
  launch /s
  expect_saver_window
}

# saver_key_ends KEY: the key alone ends the saver.
saver_key_ends() {
  start_saver
  sleep 0.5
  press "$1"
  expect_exit_0 5 "key $1"
}

for key in a Escape Shift_L Control_L alt+x F1; do
  scenario "S2 key $key ends the saver" saver_key_ends "$key"
done

tab_does_not_end() {
  start_saver
  sleep 0.5
  press Tab
  expect_alive_after 2 "after Tab"
  press a
  expect_exit_0 5 "letter key after Tab"
}
scenario "S2 Tab alone does not end the saver" tab_does_not_end

# Waits until the spot x,y shows black background, not the passing panel.
wait_background_at() {
  local x=$1 y=$2 n
  for n in 1 2 3 4 5 6 7 8 9 10; do
    SHOT=$SCENARIO_DIR/background-$n.png
    screenshot "$SHOT"
    black_at "$SHOT" "$x" "$y" && return 0
    sleep 0.5
  done
  fail "the panel kept covering $x,$y"
}

# The first position seen is only remembered; a move elsewhere ends it.
second_mouse_position_ends() {
  start_saver 1013 10
  sleep 0.5
  wait_background_at 1013 10
  mouse_to 1013 10
  expect_alive_after 1.5 "after the first mouse position"
  screenshot "$SCENARIO_DIR/before-move.png"
  PANEL_BOX=$(non_black_box "$SCENARIO_DIR/before-move.png")
  local target x y
  target=$(background_point 1013 10) || fail "no background spot away from panel ${PANEL_BOX}"
  read -r x y <<<"$target"
  mouse_to "$x" "$y"
  expect_exit_0 5 "mouse moved to $x,$y"
}
scenario "S2 a second mouse position ends the saver, the first does not" second_mouse_position_ends

# saver_button_ends BUTTON: a press on the background ends the saver.
saver_button_ends() {
  start_saver 1013 10
  sleep 0.5
  wait_background_at 1013 10
  click "$1"
  expect_exit_0 5 "button $1 on the background"
}
for button in 1 3 2; do
  scenario "S2 mouse button $button on the background ends the saver" saver_button_ends "$button"
done

# Wheel turns (buttons 4 and 5) and extra buttons (8 and 9) end nothing.
wheel_does_not_end() {
  start_saver 1013 10
  sleep 0.5
  wait_background_at 1013 10
  click 4
  click 5
  click 8
  click 9
  expect_alive_after 2 "after wheel and extra buttons"
  press a
  expect_exit_0 5 "letter key"
}
scenario "S2 mouse wheel and extra buttons do not end the saver" wheel_does_not_end

# A window of another program taking the activation (natively: the input
# focus) ends the saver with 0, so that Windows can lock at once; the first
# copy's own error box and a second copy end nothing (S5, S3). Three rounds,
# each with a new window. Under Wine the new window takes the activation as
# it opens, as on Windows; natively it has to be given the focus.
other_program_activated_ends() {
  local round saver
  for round in 1 2 3; do
    start_saver
    sleep 0.5
    saver=$PRODUCT_PID
    PRODUCT_PID=
    open_foreign_window "AnotherProgram$round"
    PRODUCT_PID=$saver
    if alive; then
      focus_window "$FOREIGN_ID"
      log "round $round: window $FOREIGN_ID activated"
    else
      log "round $round: the saver ended as window $FOREIGN_ID opened"
    fi
    expect_exit_0 5 "round $round: another program's window activated"
  done
}
scenario "S2 another program's window activated ends the saver, three times of three" \
  --timeout 90 other_program_activated_ends

relaunch_works() {
  start_saver
  sleep 0.5
  press a
  expect_exit_0 5 "first run"
  launch /s
  expect_saver_window
  sleep 0.5
  press a
  expect_exit_0 5 "second run"
}
scenario "S2 after the saver ended a new launch works" relaunch_works

no_ini_written() {
  new_app_dir
  launch /s
  expect_saver_window
  panel_visible_and_right 15 || fail "without INI: $CHECK_ERROR"
  press a
  expect_exit_0 5 "letter key"
  [ ! -e "$INI" ] || fail "the saver created $INI: $(lines_of "$INI" | paste -sd'|')"
  local others
  others=$(find "$APP_DIR" -iname '*.ini')
  [ -z "$others" ] || fail "the saver created $others"
}
scenario "S4 without INI the saver runs and writes no INI" no_ini_written

# speed 7 to the power 12 does not fit the delay count: an error box over the
# top-most saver; after it the saver still takes a key to end.
error_box_over_saver() {
  xdotool mousemove 700 600
  new_app_dir
  write_ini '[moruscr]' 'speed=7' 'power=12'
  launch /s
  wait_saver 15
  local deadline=$(($(now_ms) + 10000)) ids=
  while (($(now_ms) < deadline)); do
    ids=$(windows_named morumoru)
    (($(grep -c . <<<"$ids") >= 2)) && break
    alive || break
    sleep 0.1
  done
  (($(grep -c . <<<"$ids") == 2)) ||
    fail "expected the saver and an error box named morumoru, found $(grep -c . <<<"$ids") window(s)"
  local id saver='' box=''
  for id in $ids; do
    window_geometry "$id"
    log "window $id: ${GEOM_W}x${GEOM_H}+${GEOM_X}+${GEOM_Y} $GEOM_MAP"
    if [ "$GEOM_W,$GEOM_H,$GEOM_X,$GEOM_Y" = "$SCREEN_W,$SCREEN_H,0,0" ]; then saver=$id; else box=$id; fi
  done
  if [ -z "$saver" ] || [ -z "$box" ]; then fail "cannot tell the saver from the box among $ids"; fi
  window_geometry "$box"
  [ "$GEOM_MAP" = IsViewable ] || fail "the box is not viewable ($GEOM_MAP)"
  local saver_at box_at
  saver_at=$(stacking_index "$saver")
  box_at=$(stacking_index "$box")
  log "stacking: saver at $saver_at, box at $box_at (higher is above)"
  ((box_at > saver_at)) || fail "the box lies below the saver (box $box_at, saver $saver_at)"
  screenshot "$SCENARIO_DIR/box.png"
  focus_window "$box"
  sleep 0.3
  press Return
  deadline=$(($(now_ms) + 5000))
  while [ "$(count_windows_named morumoru)" != 1 ] && (($(now_ms) < deadline)); do sleep 0.1; done
  [ "$(count_windows_named morumoru)" = 1 ] || fail "Return did not close the box"
  alive || fail "the program ended with the box"
  sleep 0.5
  press a
  expect_exit_0 5 "letter key after the box"
}
scenario "S5 an error box appears above the saver; Return closes it, a key ends" error_box_over_saver
