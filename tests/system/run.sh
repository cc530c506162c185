#!/usr/bin/env bash
# Drives the real program on a virtual display with xdotool: the Windows
# build under Wine (on Xorg's dummy driver, whose outputs are monitors as a
# PC's are), or the native Linux build (on Xvfb), through the same scenarios.
#
#   run.sh --target wine|native --exe PATH [--display N] [--only REGEX] [--keep]
#   run.sh PATH wine|native            (the short form CTest uses)
#
# Prints "ok - name" or "not ok - name: reason" per scenario and ends with
# "N passed, M failed, K skipped" (each skip says why above); the exit
# status is non-zero when something failed.
# --only runs the scenarios whose names match; --keep keeps the scratch
# folder (logs, screenshots). A 32-bit .scr on a host that runs no 32-bit
# code runs emulated (tests/wine-env.sh), through the scenarios chosen in
# EMULATED_SET unless --only says otherwise; where it cannot run at all, the
# run exits 77 (skipped). Environment: MORUMORU_WINEPREFIX (default
# $TMPDIR/morumoru-wine64-system, -wine32- for a 32-bit .scr, made on first
# use), MORUMORU_SYSTEM_BUDGET (seconds for the whole run, default 2700),
# MORUMORU_SCREENSHOTS (folder for the screenshots, default the scratch
# folder).

set -u

usage() {
  echo "usage: $0 --target wine|native --exe PATH [--display N] [--only REGEX] [--keep]" >&2
  exit 2
}

ARGS=("$@")
TARGET=
EXE=
DISPLAY_NUMBER=
ONLY=
KEEP=0
while (($#)); do
  case $1 in
    --target) TARGET=${2:-}; shift 2 || usage ;;
    --exe) EXE=${2:-}; shift 2 || usage ;;
    --display) DISPLAY_NUMBER=${2:-}; shift 2 || usage ;;
    --only) ONLY=${2:-}; shift 2 || usage ;;
    --keep) KEEP=1; shift ;;
    -h | --help) usage ;;
    -*) usage ;;
    *)
      if [ -z "$EXE" ]; then EXE=$1; elif [ -z "$TARGET" ]; then TARGET=$1; else usage; fi
      shift
      ;;
  esac
done
case $TARGET in wine | native) ;; *) usage ;; esac
[ -f "$EXE" ] || { echo "no program at '$EXE'" >&2; exit 2; }
EXE=$(cd "$(dirname "$EXE")" && pwd)/$(basename "$EXE")
EMULATED=0
if [ "$TARGET" = wine ]; then
  . "$(dirname "${BASH_SOURCE[0]}")/../wine-env.sh"
  if [ "$(pe_machine "$EXE")" = i386 ]; then
    decide_win32_way
    if [ "$(win32_way)" = skipped ]; then
      echo "skipped: $EXE is a 32-bit program and $(win32_skip_reason)"
      exit 77
    fi
    # The whole run, the display and the tools included, in the emulator's
    # namespace.
    reexec_emulated "${BASH_SOURCE[0]}" "${ARGS[@]}"
    [ "$(win32_way)" = emulated ] && EMULATED=1
  fi
  use_wine_for "$EXE"
fi
if [ -z "$DISPLAY_NUMBER" ]; then
  if [ "$TARGET" = wine ]; then DISPLAY_NUMBER=90; else DISPLAY_NUMBER=91; fi
  DISPLAY_NUMBER=$((DISPLAY_NUMBER + ${MORUMORU_DISPLAY_OFFSET:-0}))
fi

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# No dot in the folder names: the program derives its INI name from its path.
WORK=$(mktemp -d "${TMPDIR:-/tmp}/morumoru-system-XXXXXX")
: >"$WORK/pids"
RUN_START_MS=$(($(date +%s%N) / 1000000))
# Every scenario has its own timeout; this bounds the whole run besides. A
# run takes some 10 minutes on a quiet machine and over 15 on a loaded one.
RUN_BUDGET=${MORUMORU_SYSTEM_BUDGET:-2700}
# Screenshots of the saver and the dialog; MORUMORU_SCREENSHOTS=docs refreshes
# the ones the README shows.
SHOTS_DIR=${MORUMORU_SCREENSHOTS:-$WORK/screenshots}

XVFB_PID=
WINESERVER_STARTED=0
SYSTEM_DIR=$ROOT/tests/system
# Emulated, a Wine start takes some seconds more and each step of the program
# costs several times its native time.
((EMULATED)) && SLOWDOWN=3
. "$SYSTEM_DIR/lib.sh"

# Ends the processes the scenarios started, by the ids they recorded.
kill_recorded() {
  local pid
  while read -r pid; do
    [ -n "$pid" ] && stop_pid "$pid"
  done <"$WORK/pids"
  : >"$WORK/pids"
}

cleanup() {
  kill_recorded
  if ((WINESERVER_STARTED)); then
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
  fi
  [ -n "$XVFB_PID" ] && stop_pid "$XVFB_PID"
  if ((KEEP)); then
    echo "# scratch files kept in $WORK" >&2
  else
    rm -rf "$WORK"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# ---------------------------------------------------------------- display

export DISPLAY=:$DISPLAY_NUMBER
if [ "$TARGET" = wine ]; then
  start_xorg_outputs "$DISPLAY" "$WORK/xorg.log" || exit 2
else
  start_xvfb "$DISPLAY" "$WORK/xvfb.log" || exit 2
fi

# ---------------------------------------------------------------- wine

if [ "$TARGET" = wine ]; then
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEPREFIX=${MORUMORU_WINEPREFIX:-${TMPDIR:-/tmp}/morumoru-wine$(prefix_bits "$EXE")-system}
  [ -d "$WINEPREFIX/drive_c" ] || echo "# creating the Wine prefix $WINEPREFIX" >&2
  make_wine_prefix "$WINEPREFIX" || exit 2
  # One server for the whole run saves its start-up on every launch.
  WINESERVER_STARTED=1
  wineserver -p
  # There is no window manager on the display: Wine then draws the frames itself
  # and gives windows the focus, as Windows does, and does not wait two
  # seconds for a window manager on every window it hides.
  if [ ! -f "$WINEPREFIX/morumoru-unmanaged" ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 &&
      touch "$WINEPREFIX/morumoru-unmanaged"
  fi
  # Monitors come from the outputs; a prefix of older runs may still be
  # switched to Xinerama.
  wine reg delete 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /f >/dev/null 2>&1
  wine cmd /c exit 0 >/dev/null 2>&1
fi

# Small Windows programs that run beside the product, built once per run for
# its architecture: a 64-bit Wine starts no 32-bit tool.
WINDOWS_TOOL_COMPILER=i686-w64-mingw32-g++-posix
[ "$TARGET" = wine ] && [ "$(pe_machine "$EXE")" = x86-64 ] &&
  WINDOWS_TOOL_COMPILER=x86_64-w64-mingw32-g++-posix
# windows_tool NAME LIBRARIES...: prints the built program's path, or nothing.
windows_tool() {
  local name=$1
  shift
  [ "$TARGET" = wine ] || return 0
  "$WINDOWS_TOOL_COMPILER" -municode -static -O1 -o "$WORK/$name.exe" \
    "$SYSTEM_DIR/tools/$name.cpp" "$@" >"$WORK/$name.log" 2>&1 && echo "$WORK/$name.exe"
}
DENSITY_TOOL=$(windows_tool dialog_controls -luser32 -lgdi32)
KEEPER_TOOL=$(windows_tool keep_desktop -mwindows -luser32)

# On a Windows PC the shell holds the desktop all the time. Without it Wine
# closes the desktop a moment after a scenario's last program ends, and the
# next scenario's first programs can land on that closing desktop, unseen by
# the ones that follow. A hidden program holds it for the run; a scenario
# that restarts the wineserver ends it, and the next one starts it again.
KEEPER_PID=
keep_desktop() {
  [ -n "$KEEPER_TOOL" ] || return 0
  if [ -n "$KEEPER_PID" ]; then
    exited "$KEEPER_PID" || return 0
    wait "$KEEPER_PID" 2>/dev/null
  fi
  wine "$KEEPER_TOOL" >/dev/null 2>&1 &
  KEEPER_PID=$!
}

# ---------------------------------------------------------------- scenarios

# Emulated, the 32-bit .scr runs each part of the program once, so that the
# stage stays within minutes: its start and picture, the ways to end the
# saver (one button also ten times over), the running-copy check, the range
# and zero-divide boxes, the cover of a second monitor, the dialog's place
# and face, OK, CANCEL, a failed write and the link, the settings file where
# the system's calls take paths (a Japanese folder, the user's folder, a
# UTF-8 mark), and DLLs planted beside it. The 64-bit .scr runs every
# scenario. Names match from their start.
EMULATED_SET=(
  "S1 /s starts the saver; pictures 1:1, moving, rest black"
  "S2 key Escape ends the saver"
  "S2 mouse button 1 on the background ends the saver"
  "S2 a second mouse position ends the saver, the first does not"
  "S6 button 1 on the background ends the saver every time"
  "F5 a burst of keys, buttons and moves ends the saver once with 0"
  "S3 a second copy exits 0 and leaves one saver window"
  "S5 an error box with the error's text appears above the saver"
  "S5 0 to the power -1: the zero-divide box"
  "M2 two monitors: the right one black"
  "D1 /c opens the dialog"
  "D5 a screenshot shows the dialog"
  "D2 Right twice then OK stores 7"
  "D2 CANCEL leaves a stored speed byte for byte"
  "D4 OK on a read-only INI shows a box and keeps the dialog"
  "D8 the link button opens the home page"
  "F1 a folder named 設定テスト"
  "F1 read-only program folder (appdata)"
  "F3 bom INI: the dialog opens at the stored value"
  "F7 DLLs planted beside the .scr are never loaded"
)
USING_EMULATED_SET=0
if ((EMULATED)) && [ -z "$ONLY" ]; then
  USING_EMULATED_SET=1
  ONLY=$(printf '%s\n' "${EMULATED_SET[@]}" | sed 's/[][\.*^$+?(){}|]/\\&/g; s/^/^/' | paste -sd'|')
  echo "# emulated: the ${#EMULATED_SET[@]} scenarios chosen for the 32-bit .scr (the 64-bit .scr runs them all)"
fi

prepare_pictures

SCENARIO_NAMES=()
SCENARIO_COMMANDS=()
SCENARIO_TIMEOUTS=()

# scenario NAME [--timeout SECONDS] FUNCTION ARGS...
# The native saver at speed 1 keeps the X server so busy that every xdotool
# or xwininfo call may take seconds, and on a loaded machine a Wine program
# may take tens of seconds to start: the timeouts only catch a hang.
scenario() {
  local name=$1 timeout=120
  [ "$TARGET" = native ] && timeout=180
  shift
  if [ "$1" = --timeout ]; then
    timeout=$2
    shift 2
  fi
  SCENARIO_NAMES+=("$name")
  SCENARIO_COMMANDS+=("$(printf '%q ' "$@")")
  SCENARIO_TIMEOUTS+=("$((timeout * SLOWDOWN))")
}

. "$SYSTEM_DIR/startup_test.sh"
. "$SYSTEM_DIR/saver_test.sh"
. "$SYSTEM_DIR/flash_test.sh"
. "$SYSTEM_DIR/click_test.sh"
. "$SYSTEM_DIR/dialog_test.sh"
. "$SYSTEM_DIR/monitor_test.sh"
. "$SYSTEM_DIR/fault_test.sh"
. "$SYSTEM_DIR/library_test.sh"

passed=0
failed=0
# A renamed scenario must not drop out of the emulated run unseen; one that
# cannot run here is counted as skipped, with the reason.
if ((USING_EMULATED_SET)); then
  for chosen in "${EMULATED_SET[@]}"; do
    found=0
    for name in "${SCENARIO_NAMES[@]}"; do
      [[ $name == "$chosen"* ]] && found=1 && break
    done
    for i in "${!SKIPPED_NAMES[@]}"; do
      name=${SKIPPED_NAMES[$i]}
      [[ $chosen == "$name"* ]] || continue
      found=1
      if ! [[ $name =~ $ONLY ]]; then
        echo "# skip - $chosen: ${SKIPPED_REASONS[$i]}"
        SKIPPED=$((SKIPPED + 1))
      fi
      break
    done
    if ((!found)); then
      failed=$((failed + 1))
      echo "not ok - the emulated set names no scenario: $chosen"
    fi
  done
fi

# Leftovers of one scenario must not disturb the next: the program refuses to
# start while a window of a running copy exists.
settle() {
  kill_recorded
  local title
  for title in morumoru 'morumoru screensaver' MoruMoru; do
    for _ in $(seq 30); do
      [ -z "$(windows_named "$title")" ] && break
      sleep 0.1
    done
  done
  # A scenario stopped before its own clean-up leaves no second monitor.
  if [ "$(xrandr --listmonitors 2>/dev/null | sed -n 's/^Monitors: //p')" != 1 ]; then
    echo "# monitors left by a scenario; one monitor again" >&2
    single_monitor_again
  fi
  if [ -n "$(windows_named morumoru)$(windows_named 'morumoru screensaver')" ]; then
    echo "# windows left over after a scenario; resetting" >&2
    [ "$TARGET" = wine ] && wineserver -k >/dev/null 2>&1 && wineserver -w && wineserver -p
  fi
  xdotool mousemove 700 600 >/dev/null 2>&1
}

index=0
for i in "${!SCENARIO_NAMES[@]}"; do
  name=${SCENARIO_NAMES[$i]}
  if [ -n "$ONLY" ] && ! [[ $name =~ $ONLY ]]; then continue; fi
  if (($(now_ms) - RUN_START_MS > RUN_BUDGET * 1000)); then
    failed=$((failed + 1))
    echo "not ok - $name: not run, the run's budget of ${RUN_BUDGET}s is used up"
    continue
  fi
  if ! kill -0 "$XVFB_PID" 2>/dev/null; then
    failed=$((failed + 1))
    echo "not ok - $name: the X server on $DISPLAY has gone"
    continue
  fi
  index=$((index + 1))
  [ "$TARGET" = wine ] && keep_desktop
  SCENARIO_DIR=$WORK/$(printf '%02d' "$index")-$(tr -c 'A-Za-z0-9_\n-' '_' <<<"$name")
  mkdir -p "$SCENARIO_DIR"
  started=$(now_ms)
  SCENARIO_START_MS=$started
  (eval "${SCENARIO_COMMANDS[$i]}") >"$SCENARIO_DIR/log" 2>&1 &
  scenario_pid=$!
  deadline=$((started + SCENARIO_TIMEOUTS[i] * 1000))
  timed_out=0
  while kill -0 "$scenario_pid" 2>/dev/null; do
    if (($(now_ms) >= deadline)); then
      timed_out=1
      stop_pid "$scenario_pid"
      break
    fi
    sleep 0.1
  done
  wait "$scenario_pid"
  status=$?
  elapsed=$(($(now_ms) - started))
  settle
  if ((timed_out)); then
    reason="timed out after ${SCENARIO_TIMEOUTS[$i]}s"
    status=1
  elif ((status == 77)); then
    SKIPPED=$((SKIPPED + 1))
    echo "# skip - $name: $(cat "$SCENARIO_DIR/reason" 2>/dev/null)"
    continue
  elif ((status != 0)); then
    reason=$(cat "$SCENARIO_DIR/reason" 2>/dev/null || echo "exit status $status")
  fi
  if ((status == 0)); then
    passed=$((passed + 1))
    echo "ok - $name ($((elapsed / 1000)).$((elapsed % 1000 / 100))s)"
  else
    failed=$((failed + 1))
    echo "not ok - $name: $reason"
    sed 's/^/    /' "$SCENARIO_DIR/log"
    # What the program and Wine said: often the only trace of a quick end.
    if [ -s "$SCENARIO_DIR/product.log" ]; then
      echo "    # the program's output (last 20 lines):"
      tail -n 20 "$SCENARIO_DIR/product.log" | sed 's/^/    #   /'
    fi
  fi
done

total=$(($(now_ms) - RUN_START_MS))
echo "# $TARGET run took $((total / 1000)).$((total % 1000 / 100))s"
echo "$passed passed, $failed failed, $SKIPPED skipped"
((failed == 0))
