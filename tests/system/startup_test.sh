# Start-up: which arguments start the saver, and the running-copy check.
# Sourced by run.sh after lib.sh.

# The saver is up: exactly one window named morumoru, covering the screen,
# and no settings dialog. Sets SAVER_ID.
expect_saver_window() {
  expect_one_saver_window "$SCREEN_W" "$SCREEN_H"
  local count
  count=$(count_windows_named 'morumoru screensaver')
  [ "$count" = 0 ] || fail "the settings dialog opened as well"
}

# Keeps a checked screenshot for the documentation: one with the whole panel
# on the screen when such a one comes within a few tries, else the last one.
# SHOT and PANEL_BOX are those of the last panel check.
save_saver_picture() {
  local shot=$SHOT box=$PANEL_BOX
  for _ in 1 2 3 4 5 6; do
    [ "$(cut -d' ' -f1-2 <<<"$box")" = "$PICTURE_W $PICTURE_H" ] && break
    panel_visible_and_right 5 0 || break
    shot=$SHOT box=$PANEL_BOX
  done
  mkdir -p "$SHOTS_DIR"
  cp "$shot" "$SHOTS_DIR/saver-$TARGET.png"
  log "saved $SHOTS_DIR/saver-$TARGET.png (panel ${box// /,})"
}

# saver_starts window|pictures ARGS...: the arguments start the saver; with
# "pictures" the panel is checked pixel for pixel and must move; a letter
# key ends it with exit code 0.
saver_starts() {
  local check=$1
  shift
  new_app_dir
  write_ini '[moruscr]' 'speed=1'
  launch "$@"
  expect_saver_window
  if [ "$check" = pictures ]; then
    panel_visible_and_right 15 || fail "$CHECK_ERROR"
    local first=$PANEL_BOX deadline
    deadline=$(deadline_after 10)
    while true; do
      panel_visible_and_right 15 || fail "later screenshot: $CHECK_ERROR"
      [ "$PANEL_BOX" != "$first" ] && break
      (($(now_ms) < deadline)) || fail "the panel stayed at ${first// /,} for 10 s"
    done
    log "the panel moved from ${first// /,} to ${PANEL_BOX// /,}"
    save_saver_picture
  fi
  press a
  expect_exit_0 5 "letter key"
}

scenario "S1 /s starts the saver; pictures 1:1, moving, rest black" --timeout 120 saver_starts pictures /s
scenario "S1 no argument starts the saver" saver_starts window
scenario "S1 /p 1234 starts the saver" saver_starts window /p 1234
scenario "S1 /a 1234 starts the saver" saver_starts window /a 1234
scenario "S1 /C starts the saver (upper case is not config)" saver_starts window /C
scenario "S1 -C starts the saver" saver_starts window -C
scenario "S1 / starts the saver" saver_starts window /

# A second copy finds the first one's window, hands it the foreground and
# leaves at once.
second_copy_leaves() {
  new_app_dir
  write_ini '[moruscr]' 'speed=1'
  launch /s
  local first=$PRODUCT_PID
  expect_saver_window
  launch /s
  expect_exit_0 10 "second copy"
  local count
  count=$(count_windows_named morumoru)
  [ "$count" = 1 ] || fail "$count windows named morumoru after the second copy, expected 1"
  alive "$first" || fail "the first copy ended"
  PRODUCT_PID=$first
  press a
  expect_exit_0 5 "first copy, letter key"
}

# A window of another program titled like the program, in another case.
# Under Wine it must be a Windows window: a console titled by cmd's `title`.
open_foreign_window() {
  local title=$1
  if [ "$TARGET" = wine ]; then
    wine wineconsole cmd /k title "$title" >>"$SCENARIO_DIR/foreign.log" 2>&1 &
  else
    xmessage -name "$title" -title "$title" "$title" >>"$SCENARIO_DIR/foreign.log" 2>&1 &
  fi
  echo $! >>"$WORK/pids"
  FOREIGN_ID=$(wait_window "$title" 15) || fail "could not open a window titled $title"
  # The product must be able to find it: a Windows program must see it too.
  if [ "$TARGET" = wine ]; then
    [ -n "$DENSITY_TOOL" ] || fail "no tool to look for windows (tools/dialog_controls.cpp did not build)"
    wait_until 30 seen_by_windows_programs "$title" ||
      fail "Windows programs do not see the window titled $title: $(wine "$DENSITY_TOOL" "$title" 2>&1 | tr -d '\r' | paste -sd'|')"
  fi
  # The console lives in a process of its own; it goes with the others.
  local pid
  pid=$(xdotool getwindowpid "$FOREIGN_ID" 2>/dev/null) && echo "$pid" >>"$WORK/pids"
  log "foreign window $FOREIGN_ID titled $title (process ${pid:-unknown})"
}

seen_by_windows_programs() {
  wine "$DENSITY_TOOL" "$1" >/dev/null 2>&1
  [ $? != 2 ]
}

foreign_window_stops_start() {
  open_foreign_window MoruMoru
  new_app_dir
  write_ini '[moruscr]' 'speed=1'
  launch /s
  local deadline seen=0
  deadline=$(deadline_after 10)
  while alive && (($(now_ms) < deadline)); do
    [ -n "$(windows_named morumoru)" ] && seen=1
    sleep 0.1
  done
  expect_exit_0 1 "launch beside a window titled MoruMoru"
  ((seen == 0)) || fail "a saver window appeared although a MoruMoru window exists"
}

scenario "S3 a second copy exits 0 and leaves one saver window" second_copy_leaves
scenario "S3 a window titled MoruMoru makes the program exit 0 at once" foreign_window_stops_start

# Natively --help, -h and --version answer on standard output and end with 0,
# with no window: the same answer comes without any display at all.
information_without_window() {
  new_app_dir
  local option out
  for option in --help -h --version; do
    out=$SCENARIO_DIR/out$option.txt
    (cd "$APP_DIR" && exec env -u DISPLAY ./morumoru "$option") >"$out" 2>&1 ||
      fail "$option without a display: exit code $?: $(head -n 2 "$out")"
    launch "$option"
    expect_exit_0 2 "$option"
    [ -z "$(windows_named morumoru)" ] || fail "$option opened a window"
  done
  [ "$(cat "$SCENARIO_DIR/out--version.txt")" = "morumoru 1.2.0.0" ] ||
    fail "--version printed: $(cat "$SCENARIO_DIR/out--version.txt")"
  cmp -s "$SCENARIO_DIR/out--help.txt" "$SCENARIO_DIR/out-h.txt" || fail "-h and --help differ"
  local word
  for word in /s /c /p -root -window-id -speed -power morumoru.ini; do
    grep -q -e "$word" "$SCENARIO_DIR/out--help.txt" || fail "the usage does not mention $word"
  done
  [ ! -e "$INI" ] || fail "the settings file was written"
}
if [ "$TARGET" = native ]; then
  scenario "S1 --help, -h and --version print and end with 0, without a window" \
    information_without_window
fi
