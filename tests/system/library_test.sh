# What the dialog's link opens, and what the program loads: under Wine, DLLs
# planted beside the .scr are never loaded. Sourced by run.sh after lib.sh,
# startup_test.sh and dialog_test.sh.

HOME_PAGE=$(sed -n 's/.*kHomePage = "\(.*\)";.*/\1/p' "$ROOT/dialog/settings_dialog.h")

# Every address handed to the web browser goes, one a line, to
# $BROWSER_RECORD: natively through the xdg-open first on PATH, under Wine
# through the browser Wine's shell starts (its registry setting). No real
# browser opens.
record_browser() {
  BROWSER_RECORD=$SCENARIO_DIR/opened
  mkdir -p "$SCENARIO_DIR/bin"
  local browser=$SCENARIO_DIR/bin/xdg-open
  printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s"\n' "$BROWSER_RECORD" >"$browser"
  chmod +x "$browser"
  if [ "$TARGET" = wine ]; then
    wine reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$browser" /f \
      >>"$SCENARIO_DIR/reg.log" 2>&1 || fail "cannot set Wine's browser: $(cat "$SCENARIO_DIR/reg.log")"
  else
    export PATH=$SCENARIO_DIR/bin:$PATH
  fi
}

# In the open dialog: Tab to the link button (slider, OK, CANCEL, link),
# Return; the browser gets the home page and the dialog stays open. Alt+C
# then ends it with 0, and the browser was asked once.
link_opens_home_page_then_cancel() {
  press Tab Tab Tab Return
  wait_until 60 test -s "$BROWSER_RECORD" || fail "no browser was asked to open anything within 60s"
  alive || fail "the dialog closed with the link"
  press alt+c
  expect_exit_0 5 "Alt+C after the link"
  sleep 1
  local opened
  opened=$(paste -sd' ' "$BROWSER_RECORD")
  [ "$opened" = "$HOME_PAGE" ] || fail "the browser was asked to open '$opened', expected $HOME_PAGE once"
  log "the browser opened $opened"
}

link_opens_home_page() {
  [ -n "$HOME_PAGE" ] || fail "no kHomePage in dialog/settings_dialog.h"
  record_browser
  new_app_dir
  launch /c
  wait_dialog
  link_opens_home_page_then_cancel
}
scenario "D8 the link button opens the home page in the browser; the dialog stays" \
  link_opens_home_page

[ "$TARGET" = wine ] || return 0

# ---------------------------------------------------------------- planted DLLs

# Planted beside the program: urlmon.dll, which the program would use for
# the link, and stand-ins for DLLs that system DLLs load by name (urlmon's
# own wininet and mpr; dwmapi, which Windows loads for windows on demand).
# Wine loads some such DLLs before any of the program's code runs, whatever
# the program does, and so cannot test them here: version.dll (a static
# import of Wine's own DLLs), uxtheme.dll (loaded by Wine's comctl32 as it
# attaches) and msimg32.dll (a delayed import of that uxtheme, which Wine's
# loader resolves without the program's narrowed search).
PLANTED_STANDINS=(wininet mpr dwmapi)

# Builds the planted DLLs for the program's architecture into $WORK/planted,
# once per run; each stand-in forwards every export to the system's copy.
build_planted_dlls() {
  PLANTED=$WORK/planted
  [ -f "$PLANTED/built" ] && return 0
  mkdir -p "$PLANTED"
  local source=$SYSTEM_DIR/tools/planted_library.cpp system=system32 name
  [ "$(pe_machine "$EXE")" = i386 ] && system=syswow64
  "$WINDOWS_TOOL_COMPILER" -shared -static -O1 -DPLANTED_URLMON -Wl,--kill-at \
    -o "$PLANTED/urlmon.dll" "$source" >"$PLANTED/urlmon.log" 2>&1 ||
    fail "cannot build the planted urlmon.dll: $(head -c 300 "$PLANTED/urlmon.log")"
  for name in "${PLANTED_STANDINS[@]}"; do
    python3 "$SYSTEM_DIR/tools/forwarding_def.py" "$WINEPREFIX/drive_c/windows/$system/$name.dll" \
      'C:\windows\system32' >"$PLANTED/$name.def" 2>"$PLANTED/$name.log" ||
      fail "cannot read the exports of $system/$name.dll: $(head -c 300 "$PLANTED/$name.log")"
    "$WINDOWS_TOOL_COMPILER" -shared -static -O1 -o "$PLANTED/$name.dll" "$source" \
      "$PLANTED/$name.def" >>"$PLANTED/$name.log" 2>&1 ||
      fail "cannot build the stand-in $name.dll: $(head -c 300 "$PLANTED/$name.log")"
  done
  local loader
  loader=$(windows_tool load_library) ||
    fail "cannot build tools/load_library.cpp: $(head -c 300 "$WORK/load_library.log")"
  mv "$loader" "$PLANTED/load_library.exe"
  touch "$PLANTED/built"
}

# The planted DLLs that have been loaded, by the marks they left in `folder`.
loaded_from() {
  local mark
  for mark in "$1"/*.loaded; do
    [ -e "$mark" ] && basename "${mark%.loaded}"
  done
  return 0
}

planted_dlls_never_loaded() {
  build_planted_dlls
  local planted=(urlmon "${PLANTED_STANDINS[@]}") name loaded
  # Wine takes a DLL beside the program before its own, as Windows does for
  # a DLL that is no Known DLL.
  WINEDLLOVERRIDES="$WINEDLLOVERRIDES;$(IFS=,; echo "${planted[*]}")=n,b"
  export WINEDLLOVERRIDES
  log "WINEDLLOVERRIDES=$WINEDLLOVERRIDES"

  # First, that the planting works: a program that loads each DLL by name
  # from its own folder gets every planted one, and each leaves its mark.
  local control=$SCENARIO_DIR/control
  mkdir -p "$control"
  for name in "${planted[@]}"; do cp "$PLANTED/$name.dll" "$control/"; done
  cp "$PLANTED/load_library.exe" "$control/"
  (cd "$control" && "$WINE_LOADER" ./load_library.exe "${planted[@]/%/.dll}") \
    >"$SCENARIO_DIR/control.log" 2>&1 ||
    fail "the control program could not load the planted DLLs: $(tail -n 3 "$SCENARIO_DIR/control.log" | paste -sd' ')"
  loaded=$(loaded_from "$control" | paste -sd' ')
  [ "$loaded" = "$(printf '%s.dll\n' "${planted[@]}" | sort | paste -sd' ')" ] ||
    fail "the control program loaded only '$loaded' of the planted DLLs"
  log "control: a program that asks for them by name loads $loaded"

  new_app_dir
  for name in "${planted[@]}"; do cp "$PLANTED/$name.dll" "$APP_DIR/"; done
  write_ini '[moruscr]' 'speed=1'
  launch /s
  expect_saver_window
  press a
  expect_exit_0 5 "letter key"
  loaded=$(loaded_from "$APP_DIR" | paste -sd' ')
  [ -z "$loaded" ] || fail "the saver loaded $loaded from its own folder"

  record_browser
  launch /c
  wait_dialog
  link_opens_home_page_then_cancel
  loaded=$(loaded_from "$APP_DIR" | paste -sd' ')
  [ -z "$loaded" ] || fail "the dialog and its link loaded $loaded from the program's folder"
  log "no planted DLL was loaded"
}
scenario "F7 DLLs planted beside the .scr are never loaded; saver, dialog and link work" \
  --timeout 300 planted_dlls_never_loaded
