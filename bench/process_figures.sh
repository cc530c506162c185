#!/usr/bin/env bash
# Whole-process figures of the program, natively and under Wine, each with
# its bare floor measured in the same run (launches alternate):
#   launch -> first painted frame, and peak RSS (bench/first_frame);
#   key press -> process gone, saver at the default speed 5 / power 6
#     (xdotool key a, timed from xdotool's start to the program's exit);
#   CPU time and wake-ups (context switches) over an idle settings dialog.
# Under Wine the start is measured with the wineserver already running and
# cold (wineserver -k first).
#
#   bench/process_figures.sh --first-frame EXE [--native EXE --bare-native EXE]
#       [--wine SCR --bare-wine EXE] [--runs N] [--idle SECONDS]
#
# DISPLAY is used for the native program, WINE_DISPLAY (default $DISPLAY)
# for Wine, with WINEPREFIX as set. Prints tables of medians; the exit status
# is non-zero only when a launch fails outright.
set -uo pipefail

FIRST_FRAME=
NATIVE=
BARE_NATIVE=
WINE_SCR=
BARE_WINE=
RUNS=5
IDLE=10
while (($#)); do
  case $1 in
    --first-frame) FIRST_FRAME=$2; shift 2 ;;
    --native) NATIVE=$2; shift 2 ;;
    --bare-native) BARE_NATIVE=$2; shift 2 ;;
    --wine) WINE_SCR=$2; shift 2 ;;
    --bare-wine) BARE_WINE=$2; shift 2 ;;
    --runs) RUNS=$2; shift 2 ;;
    --idle) IDLE=$2; shift 2 ;;
    *) echo "process_figures.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
[ -x "$FIRST_FRAME" ] || { echo "process_figures.sh: --first-frame is required" >&2; exit 2; }
WINE_DISPLAY=${WINE_DISPLAY:-${DISPLAY:-}}
NATIVE_DISPLAY=${DISPLAY:-}
STATUS=0

# The program's INI is its own path with ".ini": a fresh folder without one
# gives the defaults (speed 5, power 6). No dot in the folder's name.
WORK=$(mktemp -d "${TMPDIR:-/tmp}/morumoru-figures-XXXXXX")
trap 'rm -rf "$WORK"' EXIT

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
value() { sed -n "s/^$1=//p" "$2" | head -1; }

# run_launch NAME OUTPUT_PREFIX DISPLAY [first_frame options] -- command...
run_launch() {
  local name=$1 out=$2 display=$3
  shift 3
  DISPLAY=$display "$FIRST_FRAME" "$@" >"$out" 2>>"$WORK/errors" || {
    echo "launch failed: $name" >>"$WORK/errors"
    STATUS=1
  }
}

# Collects key=value from each run's output into one file per key.
collect() {
  local side=$1 file=$2 key
  for key in first_frame_ms key_to_exit_ms peak_rss_kb idle_cpu_ms idle_cpu_percent idle_stat_ms idle_wakeups; do
    local v
    v=$(value "$key" "$file")
    [ -n "$v" ] && echo "$v" >>"$WORK/$side.$key"
  done
}

fig() { median <"$WORK/$1.$2" 2>/dev/null || echo nan; }

row() {  # figure, value, floor name, floor value
  awk -v f="$1" -v v="$2" -v n="$3" -v b="$4" 'BEGIN {
    r = (b + 0 != 0 && v != "nan" && b != "nan") ? sprintf("%.2f", v / b) : "-";
    printf "%-40s %12s   %-40s %12s   %7s\n", f, v, n, b, r }'
}

header() {
  echo
  echo "== $1 (median of $RUNS) =="
  printf '%-40s %12s   %-40s %12s   %7s\n' figure value "bare floor (same run)" value ratio
}

# ---------------------------------------------------------------- native
if [ -n "$NATIVE" ] && [ -n "$BARE_NATIVE" ]; then
  mkdir -p "$WORK/native"
  cp "$NATIVE" "$WORK/native/morumoru"
  for ((i = 1; i <= RUNS; i++)); do
    run_launch native "$WORK/n.$i" "$NATIVE_DISPLAY" --settle 300 --key a -- "$WORK/native/morumoru"
    collect native "$WORK/n.$i"
    run_launch bare "$WORK/b.$i" "$NATIVE_DISPLAY" --settle 300 --key a -- "$BARE_NATIVE"
    collect bare "$WORK/b.$i"
  done
  # The dialog is centred on the screen; the bare window shows at (8,8).
  run_launch dialog "$WORK/nd" "$NATIVE_DISPLAY" --area 504,376,16,16 --settle 500 --idle "$IDLE" \
    -- "$WORK/native/morumoru" -c
  collect native-dialog "$WORK/nd"
  run_launch bare-idle "$WORK/bd" "$NATIVE_DISPLAY" --settle 500 --idle "$IDLE" -- "$BARE_NATIVE"
  collect bare-idle "$WORK/bd"

  header "Native (X11): whole process"
  row "launch -> first frame (ms)" "$(fig native first_frame_ms)" "bare_x11" "$(fig bare first_frame_ms)"
  row "key -> process gone, speed 5 (ms)" "$(fig native key_to_exit_ms)" "bare_x11" "$(fig bare key_to_exit_ms)"
  row "peak RSS (KiB)" "$(fig native peak_rss_kb)" "bare_x11" "$(fig bare peak_rss_kb)"
  row "idle dialog: CPU over ${IDLE}s (ms)" "$(fig native-dialog idle_cpu_ms)" "bare_x11 idle" "$(fig bare-idle idle_cpu_ms)"
  row "idle dialog: CPU (%)" "$(fig native-dialog idle_cpu_percent)" "bare_x11 idle" "$(fig bare-idle idle_cpu_percent)"
  row "idle dialog: wake-ups over ${IDLE}s" "$(fig native-dialog idle_wakeups)" "bare_x11 idle" "$(fig bare-idle idle_wakeups)"
fi

# ---------------------------------------------------------------- Wine
if [ -n "$WINE_SCR" ] && [ -n "$BARE_WINE" ]; then
  if ! command -v wine >/dev/null; then
    echo "process_figures.sh: wine is not installed; Wine figures skipped" >&2
  else
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    . "$(dirname "${BASH_SOURCE[0]}")/../tests/wine-env.sh"
    use_wine_for "$WINE_SCR"
    mkdir -p "$WORK/wine"
    cp "$WINE_SCR" "$WORK/wine/morumoru.scr"
    cp "$BARE_WINE" "$WORK/wine/bare.exe"
    warm() { DISPLAY=$WINE_DISPLAY wineserver -p 60 >/dev/null 2>&1 & sleep 0.5; }
    cold() { wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1; }
    # A first start sets the prefix up; it is not measured.
    DISPLAY=$WINE_DISPLAY "$WINE_LOADER" "$WORK/wine/bare.exe" >/dev/null 2>&1 &
    first=$!
    sleep 3
    kill "$first" 2>/dev/null
    wait "$first" 2>/dev/null
    for ((i = 1; i <= RUNS; i++)); do
      warm
      run_launch wine "$WORK/w.$i" "$WINE_DISPLAY" --timeout 30000 --settle 1000 --key a \
        -- "$WINE_LOADER" "$WORK/wine/morumoru.scr"
      collect wine "$WORK/w.$i"
      run_launch bare-wine "$WORK/wb.$i" "$WINE_DISPLAY" --timeout 30000 --settle 1000 --key a \
        -- "$WINE_LOADER" "$WORK/wine/bare.exe"
      collect bare-wine "$WORK/wb.$i"
      cold
      run_launch wine-cold "$WORK/wc.$i" "$WINE_DISPLAY" --timeout 30000 --settle 300 \
        -- "$WINE_LOADER" "$WORK/wine/morumoru.scr"
      collect wine-cold "$WORK/wc.$i"
      cold
      run_launch bare-wine-cold "$WORK/wbc.$i" "$WINE_DISPLAY" --timeout 30000 --settle 300 \
        -- "$WINE_LOADER" "$WORK/wine/bare.exe"
      collect bare-wine-cold "$WORK/wbc.$i"
    done
    warm
    run_launch wine-dialog "$WORK/wd" "$WINE_DISPLAY" --timeout 30000 --area 504,376,16,16 \
      --settle 1000 --idle "$IDLE" -- "$WINE_LOADER" "$WORK/wine/morumoru.scr" /c
    collect wine-dialog "$WORK/wd"
    run_launch bare-wine-idle "$WORK/wbd" "$WINE_DISPLAY" --timeout 30000 --settle 1000 \
      --idle "$IDLE" -- "$WINE_LOADER" "$WORK/wine/bare.exe"
    collect bare-wine-idle "$WORK/wbd"

    header "Win32 under Wine: whole process"
    row "launch -> first frame, server up (ms)" "$(fig wine first_frame_ms)" "bare_win32" "$(fig bare-wine first_frame_ms)"
    row "launch -> first frame, cold (ms)" "$(fig wine-cold first_frame_ms)" "bare_win32, cold" "$(fig bare-wine-cold first_frame_ms)"
    row "key -> process gone, speed 5 (ms)" "$(fig wine key_to_exit_ms)" "bare_win32" "$(fig bare-wine key_to_exit_ms)"
    row "peak RSS (KiB)" "$(fig wine peak_rss_kb)" "bare_win32" "$(fig bare-wine peak_rss_kb)"
    row "idle dialog: CPU over ${IDLE}s (ms)" "$(fig wine-dialog idle_cpu_ms)" "bare_win32 idle" "$(fig bare-wine-idle idle_cpu_ms)"
    row "idle dialog: CPU (%)" "$(fig wine-dialog idle_cpu_percent)" "bare_win32 idle" "$(fig bare-wine-idle idle_cpu_percent)"
    row "idle dialog: wake-ups over ${IDLE}s" "$(fig wine-dialog idle_wakeups)" "bare_win32 idle" "$(fig bare-wine-idle idle_wakeups)"
  fi
fi

if [ -s "$WORK/errors" ]; then
  echo
  echo "process_figures.sh: messages from the launches:" >&2
  sort -u "$WORK/errors" >&2
fi
exit $STATUS
