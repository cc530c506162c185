# The settings dialog: which arguments open it, its size and place, and what
# OK and CANCEL do to the INI. Sourced by run.sh after lib.sh.

DIALOG_TITLE='morumoru screensaver'
DIALOG_W=369
DIALOG_H=171
# Without a window manager nobody draws the frame: the X window is then the
# client area, and a Windows sizing frame with caption adds these.
FRAME_LEFT=4
FRAME_TOP=23
FRAME_RIGHT=4
FRAME_BOTTOM=4

# Waits for the dialog and gives it the keyboard, as a window manager would.
# Sets DIALOG_ID.
wait_dialog() {
  DIALOG_ID=$(wait_window "$DIALOG_TITLE" 60) || {
    alive || fail "no dialog; the program ended"
    fail "no window named '$DIALOG_TITLE' within 60s"
  }
  focus_and_wait "$DIALOG_ID" "the dialog"
  log "dialog window $DIALOG_ID"
}

within() { (($1 - $2 <= $3 && $2 - $1 <= $3)); }

centred() { within $((2 * $1 + $3)) "$SCREEN_W" 8 && within $((2 * $2 + $4)) "$SCREEN_H" 8; }

# Size about 369 x 171 and centred. Without a window manager a backend may
# leave the frame undrawn; then the frame would either surround the window
# (Windows' way) or start at the window's place (an X window manager with
# north-west gravity): either is taken as centred.
expect_dialog_size_and_place() {
  window_geometry "$DIALOG_ID" -frame
  local fx=$GEOM_X fy=$GEOM_Y fw=$GEOM_W fh=$GEOM_H
  window_geometry "$DIALOG_ID"
  log "dialog: window ${GEOM_W}x${GEOM_H}+${GEOM_X}+${GEOM_Y}, with frame ${fw}x${fh}+${fx}+${fy}"
  if within "$fw" $DIALOG_W 4 && within "$fh" $DIALOG_H 4; then
    log "dialog outer rect ${fw}x${fh}+${fx}+${fy} (frame drawn)"
    centred "$fx" "$fy" "$fw" "$fh" ||
      fail "dialog at ${fw}x${fh}+${fx}+${fy} is not centred on the ${SCREEN_W}x${SCREEN_H} screen"
    return
  fi
  local w=$((GEOM_W + FRAME_LEFT + FRAME_RIGHT)) h=$((GEOM_H + FRAME_TOP + FRAME_BOTTOM))
  local x=$((GEOM_X - FRAME_LEFT)) y=$((GEOM_Y - FRAME_TOP))
  log "dialog outer size ${w}x${h} (no frame drawn: client area + $FRAME_LEFT,$FRAME_TOP,$FRAME_RIGHT,$FRAME_BOTTOM)"
  if ! within "$w" $DIALOG_W 4 || ! within "$h" $DIALOG_H 4; then
    fail "dialog is ${w}x${h} with a frame added (window ${GEOM_W}x${GEOM_H}), expected about ${DIALOG_W}x${DIALOG_H}"
  fi
  if centred "$x" "$y" "$w" "$h"; then
    log "centred with the frame around the window: ${w}x${h}+${x}+${y}"
  elif centred "$GEOM_X" "$GEOM_Y" "$w" "$h"; then
    log "centred with the frame at the window's place: ${w}x${h}+${GEOM_X}+${GEOM_Y}"
  else
    fail "dialog window ${GEOM_W}x${GEOM_H}+${GEOM_X}+${GEOM_Y} is not centred with a frame around it nor at its place"
  fi
}

# dialog_opens argv|raw ARGS...: the dialog alone opens; Alt+C closes it.
dialog_opens() {
  local how=$1
  shift
  new_app_dir
  if [ "$how" = raw ]; then launch_raw "$1"; else launch "$@"; fi
  wait_dialog
  local count
  count=$(count_windows_named "$DIALOG_TITLE")
  [ "$count" = 1 ] || fail "$count dialogs, expected 1"
  expect_dialog_size_and_place
  count=$(count_windows_named morumoru)
  [ "$count" = 0 ] || fail "a window named morumoru (the saver) appeared with the dialog"
  press alt+c
  expect_exit_0 5 "Alt+C"
  [ ! -e "$INI" ] || fail "CANCEL created $INI"
}

scenario "D1 /c opens the dialog" dialog_opens argv /c
scenario "D1 -c opens the dialog" dialog_opens argv -c
scenario "D1 /c:1234 opens the dialog" dialog_opens argv /c:1234
scenario "D1 /c 1234 opens the dialog" dialog_opens argv /c 1234
scenario "D1 /config opens the dialog" dialog_opens argv /config
scenario 'D1 "/c" (quoted) opens the dialog' dialog_opens raw '"/c"'

# dialog_keys_store INI_LINE|- KEYS... -- EXPECTED_LINES...|none: with the
# given INI (or none), the keys end the dialog with exit 0 and leave these
# lines (or no file).
dialog_keys_store() {
  local initial=$1
  shift
  local -a keys=()
  while [ "$1" != -- ]; do
    keys+=("$1")
    shift
  done
  shift
  new_app_dir
  [ "$initial" != - ] && write_ini '[moruscr]' "$initial"
  launch /c
  wait_dialog
  press "${keys[@]}"
  expect_exit_0 5 "keys ${keys[*]}"
  if [ "$1" = none ]; then
    [ ! -e "$INI" ] || fail "keys ${keys[*]} wrote $(lines_of "$INI" | paste -sd'|')"
  else
    expect_ini_lines "$@"
  fi
}

scenario "D2 OK without INI writes speed=5" \
  dialog_keys_store - alt+o -- '[moruscr]' 'speed=5'
scenario "D2 Right twice then OK stores 7" \
  dialog_keys_store - Right Right alt+o -- '[moruscr]' 'speed=7'
scenario "D2 Left, Page Down, OK store 6 (5 - 1 + 2)" \
  dialog_keys_store - Left Next alt+o -- '[moruscr]' 'speed=6'

# Tab order: slider, OK, CANCEL, link button, and round again; Return
# clicks the focused button only.
scenario "D2 Tab to OK, Return stores the slider" \
  dialog_keys_store - Right Tab Return -- '[moruscr]' 'speed=6'
scenario "D2 Tab twice to CANCEL, Return writes nothing" \
  dialog_keys_store - Right Tab Tab Return -- none
scenario "D2 four Tabs come back to the slider" \
  dialog_keys_store - Tab Tab Tab Tab Left alt+o -- '[moruscr]' 'speed=4'

# Escape, and Return on the slider, leave the dialog open.
keys_do_nothing() {
  new_app_dir
  launch /c
  wait_dialog
  press Escape Return
  expect_alive_after 1.5 "after Escape and Return on the slider"
  press alt+c
  expect_exit_0 5 "Alt+C"
  [ ! -e "$INI" ] || fail "the dialog wrote $(lines_of "$INI" | paste -sd'|')"
}
scenario "D2 Escape and Return on the slider do nothing" keys_do_nothing

cancel_writes_nothing() {
  new_app_dir
  launch /c
  wait_dialog
  press alt+c
  expect_exit_0 5 "Alt+C"
  [ ! -e "$INI" ] || fail "CANCEL created $INI"
}
scenario "D2 CANCEL without INI creates no file" cancel_writes_nothing

cancel_keeps_file() {
  new_app_dir
  write_ini '[moruscr]' 'speed=3'
  cp "$INI" "$SCENARIO_DIR/before.ini"
  launch /c
  wait_dialog
  press Right
  press alt+c
  expect_exit_0 5 "Alt+C"
  cmp -s "$INI" "$SCENARIO_DIR/before.ini" || fail "CANCEL changed the INI: $(lines_of "$INI" | paste -sd'|')"
}
scenario "D2 CANCEL leaves a stored speed byte for byte" cancel_keeps_file

# Stored texts the dialog reads leniently, and what OK writes back.
while read -r stored written; do
  scenario "D3 stored speed=$stored is written back as $written" \
    dialog_keys_store "speed=$stored" alt+o -- '[moruscr]' "speed=$written"
done <<'EOF'
0 1
-5 1
100 7
0x3 3
$3 3
1.5 5
EOF

other_keys_survive() {
  new_app_dir
  write_ini '[moruscr]' 'speed=2' 'power=9'
  launch /c
  wait_dialog
  press alt+o
  expect_exit_0 5 "Alt+O"
  expect_ini_lines '[moruscr]' 'speed=2' 'power=9'
}
scenario "D3 a hand-written power=9 survives OK" other_keys_survive

# OK on a read-only INI: an error box, the dialog stays, the file unchanged.
read_only_ini() {
  new_app_dir
  write_ini '[moruscr]' 'speed=3'
  make_ini_read_only
  cp "$INI" "$SCENARIO_DIR/before.ini"
  launch /c
  wait_dialog
  press Right alt+o
  local box
  box=$(wait_window morumoru 10) || {
    alive || fail "no error box: the program ended (INI now $(lines_of "$INI" | paste -sd'|'))"
    fail "no error box named morumoru within 10s"
  }
  window_geometry "$box"
  log "error box $box: ${GEOM_W}x${GEOM_H}+${GEOM_X}+${GEOM_Y}"
  screenshot "$SCENARIO_DIR/box.png"
  [ "$(count_windows_named "$DIALOG_TITLE")" = 1 ] || fail "the dialog closed with the box"
  dismiss_error_box "$box"
  [ "$(count_windows_named "$DIALOG_TITLE")" = 1 ] || fail "the dialog is gone after the box"
  cmp -s "$INI" "$SCENARIO_DIR/before.ini" || fail "the read-only INI changed: $(lines_of "$INI" | paste -sd'|')"
  focus_and_wait "$DIALOG_ID" "the dialog after the box"
  press alt+c
  expect_exit_0 5 "Alt+C after the box"
}
scenario "D4 OK on a read-only INI shows a box and keeps the dialog" read_only_ini

# Takes a screenshot of the dialog's window to `file` and checks that it is
# the dialog: the window's size, mostly one light grey (the face, in the
# system's colour), with dark text. The dialog is judged once it has settled,
# as a person sees it: two shots 0.1 s apart alike. Just after it appears,
# the controls' first paint may still be on its way (under Wine 10 their
# places are black until then, for up to some 0.2 s).
dialog_shot() {
  local file=$1 size count r g b dark n
  import -window "$DIALOG_ID" "png:$file" || fail "import of the dialog failed"
  for n in $(seq 30); do
    sleep 0.1
    import -window "$DIALOG_ID" "png:$file.next" || fail "import of the dialog failed"
    [ "$(compare -metric AE "$file" "$file.next" null: 2>&1)" = 0 ] && break
    mv "$file.next" "$file"
  done
  rm -f "$file.next"
  window_geometry "$DIALOG_ID"
  size=$(identify -format '%wx%h' "$file")
  [ "$size" = "${GEOM_W}x${GEOM_H}" ] || fail "the screenshot is $size, the dialog ${GEOM_W}x${GEOM_H}"
  read -r count r g b <<<"$(convert "$file" -format %c histogram:info:- | sort -rn | head -n 1 |
    sed -E 's/^ *([0-9]+): *\( *([0-9]+), *([0-9]+), *([0-9]+).*/\1 \2 \3 \4/')"
  dark=$(convert "$file" -colorspace gray -threshold 30% -negate -alpha off -format '%[fx:round(mean*w*h)]' info:)
  log "screenshot $file: $size, $((100 * count / (GEOM_W * GEOM_H)))% in $r,$g,$b, $dark dark pixels"
  ((2 * count > GEOM_W * GEOM_H)) || fail "no colour covers half of the dialog's screenshot"
  ((r == g && g == b && r >= 224 && r < 255)) || fail "the dialog's face is $r,$g,$b, not a light grey"
  ((dark > 200)) || fail "only $dark dark pixels in the dialog's screenshot: no text drawn"
}

# The saved screenshot shows the dialog as it is: a second one after Right
# (the slider's thumb moved) differs from it.
dialog_screenshot() {
  new_app_dir
  write_ini '[moruscr]' 'speed=3'
  launch /c
  wait_dialog
  mkdir -p "$SHOTS_DIR"
  local shot=$SHOTS_DIR/dialog-$TARGET.png
  dialog_shot "$shot"
  log "saved $shot"
  press Right
  wait_until 10 eval 'dialog_shot "$SCENARIO_DIR/after-right.png"
    [ "$(compare -metric AE "$shot" "$SCENARIO_DIR/after-right.png" null: 2>&1)" != 0 ]' ||
    fail "the dialog's screenshot did not change after Right"
  press alt+c
  expect_exit_0 5 "Alt+C"
}
scenario "D5 a screenshot shows the dialog: its face, its text, the slider as it is" dialog_screenshot

# ---------------------------------------------------------------- densities

# The dialog at 96, 120 and 144 pixels per inch (Wine's LogPixels): the font
# grows with the density and the controls with the font's measured text
# height, inside a dialog that keeps its size. A small Windows program beside
# it (DENSITY_TOOL, built by run.sh) reads the controls' places: each must lie
# inside its parent's client area, and no two of one parent may overlap.
# Screenshots go to the screenshots folder as dialog-wine-<ppi>.png.

set_log_pixels() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 ||
    fail "cannot set LogPixels to $1"
}

dialog_at_density() {
  local ppi=$1 report status
  new_app_dir
  write_ini '[moruscr]' 'speed=3'
  # The scenarios after this one expect the usual density, whatever happens here.
  trap 'set_log_pixels 96' EXIT
  set_log_pixels "$ppi"
  launch /c
  wait_dialog
  mkdir -p "$SHOTS_DIR"
  dialog_shot "$SHOTS_DIR/dialog-wine-$ppi.png"
  wine "$DENSITY_TOOL" "$DIALOG_TITLE" >"$SCENARIO_DIR/controls-$ppi.raw" 2>/dev/null
  status=$?
  report=$(tr -d '\r' <"$SCENARIO_DIR/controls-$ppi.raw")
  printf '%s\n' "$report" | while read -r line; do log "$ppi ppi: $line"; done
  press alt+c
  expect_exit_0 5 "Alt+C"
  grep -qx "ppi $ppi" <<<"$report" || fail "the system reports $(head -n 1 <<<"$report"), not $ppi ppi"
  grep -q '^[0-9]* controls, [0-9]* faults$' <<<"$report" || fail "no report from dialog_controls"
  ! grep -q '^OVERLAP' <<<"$report" ||
    fail "at $ppi ppi: $(grep -E -A1 '^OVERLAP' <<<"$report" | paste -sd'|')"
  # The controls follow the density: OK is taller than its 28 design pixels.
  local ok_height
  ok_height=$(sed -nE 's/^control Button "OK\(&O\)" [0-9]+,[0-9]+ [0-9]+x([0-9]+)$/\1/p' <<<"$report")
  if [ "$ppi" = 96 ]; then
    [ "$ok_height" = 28 ] || fail "at 96 ppi OK is ${ok_height:-?} high, not 28"
    [ "$status" = 0 ] || fail "at 96 ppi: $(grep -E '^OUTSIDE|faults' <<<"$report" | paste -sd'|')"
    return 0
  fi
  ((${ok_height:-0} > 28)) || fail "at $ppi ppi OK is ${ok_height:-?} high: the controls did not scale"
  [ "$status" = 0 ] || fail "at $ppi ppi: $(grep -E '^OUTSIDE|faults' <<<"$report" | paste -sd'|')"
}

if [ "$TARGET" != wine ]; then
  :
elif [ -z "$DENSITY_TOOL" ]; then
  skip_density="cannot build tools/dialog_controls.cpp: $(head -c 200 "$WORK/dialog_controls.log" | tr '\n' ' ')"
  for ppi in 96 120 144; do skip_scenario "D6 dialog at $ppi ppi" "$skip_density"; done
else
  for ppi in 96 120 144; do
    scenario "D6 dialog at $ppi ppi: controls scale, all inside, none overlapping" dialog_at_density "$ppi"
  done
fi
