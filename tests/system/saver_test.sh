# The running saver: what ends it, what does not, the INI left alone, and
# the error box. Sourced by run.sh after lib.sh and startup_test.sh.

# Starts the saver (see launch_saver_at) and checks it is up.
start_saver() {
  launch_saver_at "${1:-700}" "${2:-600}"
  expect_saver_window
}

# saver_key_ends KEY: the key alone ends the saver.
saver_key_ends() {
  start_saver
  press "$1"
  expect_exit_0 5 "key $1"
}

for key in a Escape Shift_L Control_L alt+x F1; do
  scenario "S2 key $key ends the saver" saver_key_ends "$key"
done

tab_does_not_end() {
  start_saver
  press Tab
  expect_alive_after 2 "after Tab"
  press a
  expect_exit_0 5 "letter key after Tab"
}
scenario "S2 Tab alone does not end the saver" tab_does_not_end

# Waits until the spot x,y shows black background, not the passing panel.
wait_background_at() {
  local x=$1 y=$2 n=0 deadline
  deadline=$(deadline_after 20)
  while (($(now_ms) < deadline)); do
    n=$((n + 1))
    SHOT=$SCENARIO_DIR/background-$n.png
    screenshot "$SHOT"
    black_at "$SHOT" "$x" "$y" && return 0
    sleep 0.3
  done
  fail "the panel kept covering $x,$y for 20 s"
}

# The first position seen is only remembered; a move elsewhere ends it.
second_mouse_position_ends() {
  start_saver "$CORNER_X" "$CORNER_Y"
  mouse_to "$CORNER_X" "$CORNER_Y"
  expect_alive_after 1.5 "after the first mouse position"
  screenshot "$SCENARIO_DIR/before-move.png"
  PANEL_BOX=$(non_black_box "$SCENARIO_DIR/before-move.png")
  local target x y
  target=$(background_point "$CORNER_X" "$CORNER_Y") || fail "no background spot away from panel ${PANEL_BOX}"
  read -r x y <<<"$target"
  mouse_to "$x" "$y"
  expect_exit_0 5 "mouse moved to $x,$y"
}
scenario "S2 a second mouse position ends the saver, the first does not" second_mouse_position_ends

# saver_button_ends BUTTON: a press on the background ends the saver. The
# press goes to the corner the panel never covers: a spot seen black may be
# under the panel by the time the press arrives, and a press on the picture
# rightly ends nothing.
saver_button_ends() {
  start_saver "$CORNER_X" "$CORNER_Y"
  click "$1"
  expect_exit_0 5 "button $1 on the background"
}
for button in 1 3 2; do
  scenario "S2 mouse button $button on the background ends the saver" saver_button_ends "$button"
done

# Wheel turns (buttons 4 and 5) and extra buttons (8 and 9) end nothing.
wheel_does_not_end() {
  start_saver "$CORNER_X" "$CORNER_Y"
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
  press a
  expect_exit_0 5 "first run"
  launch /s
  expect_saver_window
  press a
  expect_exit_0 5 "second run"
}
scenario "S2 after the saver ended a new launch works" relaunch_works

# The saver's window inside the saver window, natively its own X window.
panel_window() {
  xwininfo -id "$SAVER_ID" -tree | awk '/ 335x300[+-]/ {print $1; exit}'
}

# Natively: the panel's moves in `seconds`, counted by another client (xev)
# watching its window, one ConfigureNotify a step.
panel_moves_for() {
  local seconds=$1 panel
  wait_until 10 eval '[ -n "$(panel_window)" ]' || fail "no 335x300 panel window in the saver window"
  panel=$(panel_window)
  timeout "$seconds" xev -id "$panel" -event structure | grep -c '^ConfigureNotify'
}

# One run of the saver from the current folder: its moves in 3 s.
moves_of_one_run() {
  launch /s
  expect_saver_window
  MOVES=$(panel_moves_for 3)
  press a
  expect_exit_0 5 "letter key"
}

no_ini_written() {
  new_app_dir
  launch /s
  expect_saver_window
  # At the default pace under Wine a step is a long string of trips to the
  # wineserver: the panel's first pixel may take minutes on a loaded machine.
  panel_visible_and_right 150 || fail "without INI: $CHECK_ERROR"
  press a
  expect_exit_0 5 "letter key"
  [ ! -e "$INI" ] || fail "the saver created $INI: $(lines_of "$INI" | paste -sd'|')"
  local others
  others=$(find "$APP_DIR" -iname '*.ini')
  [ -z "$others" ] || fail "the saver created $others"
  [ "$TARGET" = native ] || return 0
  # The defaults are used: without an INI the panel keeps the pace of an INI
  # that says speed 5 and power 6. Runs of either kind take turns, so that a
  # change in the machine's load falls on both; speed 4 or power 5 would be
  # four or five times as fast, speed 6 three times as slow.
  local round without=0 with=0
  for round in 1 2 3; do
    rm -f "$INI"
    moves_of_one_run
    without=$((without + MOVES))
    write_ini '[moruscr]' 'speed=5' 'power=6'
    moves_of_one_run
    with=$((with + MOVES))
  done
  log "moves in 9 s: $without without an INI, $with with speed=5 and power=6"
  ((with > 0)) || fail "the panel did not move with speed=5 and power=6"
  ((2 * without >= with && without <= 2 * with)) ||
    fail "without an INI $without moves, with speed=5 power=6 $with: not the default pace"
}
scenario "S4 without INI the saver runs at the default pace and writes no INI" --timeout 240 \
  no_ini_written
[ "$TARGET" = native ] ||
  skip_scenario "S4 default pace" "under Wine the panel is no X window whose moves another client can count (S4 checks the rest)"

# error_box_over_saver SPEED POWER TEXT: settings that give no delay count
# raise an error box with TEXT over the top-most saver; after it the saver
# still takes a key to end.
error_box_over_saver() {
  local text=$3
  xdotool mousemove 700 600
  new_app_dir
  write_ini '[moruscr]' "speed=$1" "power=$2"
  launch /s
  wait_saver
  local deadline ids=
  deadline=$(deadline_after 10)
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
  [ "$TARGET" = wine ] && expect_box_text "$text"
  dismiss_error_box "$box" "$saver"
  wait_focus "$saver" "the saver after the box"
  press a
  expect_exit_0 5 "letter key after the box"
  [ "$TARGET" = native ] && expect_hack_text "$text"
  return 0
}

# Under Wine the box is a Windows message box: a small program beside it
# reads its text.
expect_box_text() {
  [ -n "$DENSITY_TOOL" ] || fail "no tool to read the box (tools/dialog_controls.cpp did not build)"
  local report deadline
  deadline=$(deadline_after 15)
  while true; do
    report=$(wine "$DENSITY_TOOL" morumoru '#32770' 2>/dev/null | tr -d '\r')
    grep -q -F "Static \"$1\"" <<<"$report" && break
    (($(now_ms) < deadline)) || break
    sleep 0.5
  done
  log "the box: $(paste -sd'|' <<<"$report")"
  grep -q -F "Static \"$1\"" <<<"$report" || fail "the box does not say '$1'"
}

# Natively the box is drawn, not read back; the program run as an xscreensaver
# hack in the same folder prints what the box would say instead, through the
# same error handling.
expect_hack_text() {
  local host out=$SCENARIO_DIR/hack.log
  host=$(open_host_window) || exit 1
  (cd "$APP_DIR" && exec ./morumoru -window-id "$host") >"$out" 2>&1 &
  local hack=$!
  echo "$hack" >>"$WORK/pids"
  wait_until 15 grep -q -F "$1" "$out"
  log "the hack printed: $(paste -sd'|' "$out")"
  grep -q -x -F "morumoru: morumoru: $1" "$out" || fail "the error says '$(cat "$out")', not '$1'"
}
# 7 to the power 12 is beyond a 32-bit count: the range error; 0 to the
# power -1 divides by zero. The box adds a period to the message.
scenario "S5 an error box with the error's text appears above the saver; Return closes it, a key ends" \
  error_box_over_saver 7 12 '範囲チェックエラー.'
scenario "S5 0 to the power -1: the zero-divide box over the saver; Return closes it, a key ends" \
  error_box_over_saver 0 -1 '0 による浮動小数点数除算.'
