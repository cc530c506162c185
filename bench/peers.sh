#!/usr/bin/env bash
# What the native saver costs the machine beside xscreensaver's own hacks, on
# one private Xvfb, taking turns so that all of them see the same load:
#
#   bench/peers.sh [--exe PATH] [--old PATH] [--rounds N] [--seconds S] [--display N]
#
# Each round starts every subject once, lets it settle for two seconds, then
# reads over S seconds (default 10) its processor time (schedstat, in ns, all
# threads) and its voluntary context switches (its wake-ups: each sleep that
# ends is one). Subjects: morumoru in its own window (/s) and as a hack
# (-root), at the default speed and at speed 7, and the hacks slidescreen,
# deco and popsquares with -root, when xscreensaver-data is installed (they
# are skipped with a message when not); with --old, the same four runs of
# another build of the program too (before and after a change). Prints, per
# subject, the median over the rounds (default 3) of the share of a core, the
# wake-ups per second and the processor time per wake-up, with every round's
# share beside it. Where `perf` can count system calls (linux-perf, as root
# or with perf_event_paranoid <= -1), also its frames: the timed sleeps
# (ppoll, pselect6, select, nanosleep, clock_nanosleep) per second and the
# processor time per frame. A hack that waits for the server's reply each
# frame wakes twice a frame, the saver once a step, so the two per-wake-up
# figures are not the same unit; per frame they are. The exit status
# reflects only whether the subjects could be run.
set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$ROOT/tests/system/lib.sh"
EXE=$ROOT/build/native/app/morumoru
OLD=
ROUNDS=3
SECONDS_PER_RUN=10
SETTLE=2
DISPLAY_NUMBER=$((46 + ${MORUMORU_DISPLAY_OFFSET:-0}))
HACKS_DIR=/usr/libexec/xscreensaver
while (($#)); do
  case $1 in
    --exe) EXE=$2; shift 2 ;;
    --old) OLD=$2; shift 2 ;;
    --rounds) ROUNDS=$2; shift 2 ;;
    --seconds) SECONDS_PER_RUN=$2; shift 2 ;;
    --display) DISPLAY_NUMBER=${2#:}; shift 2 ;;
    -h | --help) sed -n '2,22p' "$0"; exit 0 ;;
    *) echo "peers.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
[ -x "$EXE" ] || { echo "peers.sh: no program at $EXE (build the native preset)" >&2; exit 2; }
[ -z "$OLD" ] || [ -x "$OLD" ] || { echo "peers.sh: no program at $OLD" >&2; exit 2; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/morumoru-peers-XXXXXX")
XVFB_PID=
cleanup() {
  [ -n "$XVFB_PID" ] && stop_pid "$XVFB_PID"
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

export DISPLAY=:$DISPLAY_NUMBER
start_xvfb "$DISPLAY" "$WORK/xvfb.log" || exit 2

# The program in folders of its own, so the settings beside it are the
# ones measured and nobody's own file is read.
NAMES=()
COMMANDS=()
add_program() {
  local label=$1 exe=$2 dir
  for speed in 5 7; do
    dir=$WORK/$label$speed
    mkdir -p "$dir"
    cp "$exe" "$dir/morumoru"
    printf '[moruscr]\nspeed=%s\n' "$speed" >"$dir/morumoru.ini"
  done
  NAMES+=("$label /s" "$label -root" "$label /s, speed 7" "$label -root -speed 7")
  COMMANDS+=("$WORK/${label}5/morumoru /s" "$WORK/${label}5/morumoru -root"
    "$WORK/${label}7/morumoru /s" "$WORK/${label}5/morumoru -root -speed 7")
}
add_program morumoru "$EXE"
[ -n "$OLD" ] && add_program old "$OLD"
for hack in slidescreen deco popsquares; do
  if [ -x "$HACKS_DIR/$hack" ]; then
    NAMES+=("$hack -root")
    COMMANDS+=("$HACKS_DIR/$hack -root")
  else
    echo "# skipped: $hack is not installed ($HACKS_DIR/$hack; package xscreensaver-data)"
  fi
done

# Processor time in ns and voluntary switches, summed over the threads.
read_costs() {
  local pid=$1 cpu=0 switches=0 task run wait slices line
  for task in /proc/"$pid"/task/*; do
    read -r run wait slices <"$task/schedstat" 2>/dev/null || continue
    cpu=$((cpu + run))
    while read -r line; do
      case $line in voluntary_ctxt_switches:*) switches=$((switches + ${line##*:})) ;; esac
    done <"$task/status"
  done
  echo "$cpu $switches"
}

# The timed sleeps, counted by perf where it can (tried once on this shell).
SLEEP_EVENTS=syscalls:sys_enter_ppoll,syscalls:sys_enter_pselect6,syscalls:sys_enter_select
SLEEP_EVENTS+=,syscalls:sys_enter_nanosleep,syscalls:sys_enter_clock_nanosleep
COUNT_SLEEPS=0
if command -v perf >/dev/null &&
  perf stat -x, -e "$SLEEP_EVENTS" -- true >/dev/null 2>&1; then
  COUNT_SLEEPS=1
else
  echo "# frames not counted: perf cannot count system calls here (linux-perf; root or perf_event_paranoid -1)"
fi

# wait_counting_sleeps PID FILE: sleeps SECONDS_PER_RUN, writing PID's timed
# sleeps over that time into FILE (0 when they cannot be counted).
wait_counting_sleeps() {
  if ((COUNT_SLEEPS)); then
    perf stat -x, -e "$SLEEP_EVENTS" -p "$1" -o "$2.perf" -- sleep "$SECONDS_PER_RUN" 2>/dev/null
    awk -F, '$1 ~ /^[0-9]+$/ { n += $1 } END { print n + 0 }' "$2.perf" >"$2"
  else
    sleep "$SECONDS_PER_RUN"
    echo 0 >"$2"
  fi
}

# measure INDEX ROUND: one run of one subject; appends
# "share wakeups/s us/wake sleeps/s us/sleep".
measure() {
  local index=$1 pid before after
  # shellcheck disable=SC2086 # the command's words
  ${COMMANDS[$index]} >/dev/null 2>&1 &
  pid=$!
  sleep "$SETTLE"
  if exited "$pid"; then
    echo "peers.sh: ${NAMES[$index]} ended by itself" >&2
    return 1
  fi
  before=$(read_costs "$pid")
  local start=$EPOCHREALTIME
  wait_counting_sleeps "$pid" "$WORK/sleeps"
  after=$(read_costs "$pid")
  local end=$EPOCHREALTIME
  stop_pid "$pid"
  set -- $before $after
  awk -v cpu0="$1" -v sw0="$2" -v cpu1="$3" -v sw1="$4" -v t0="$start" -v t1="$end" \
    -v sleeps="$(cat "$WORK/sleeps")" 'BEGIN {
    wall = t1 - t0; cpu = (cpu1 - cpu0) / 1e9; wakes = sw1 - sw0
    printf "%.3f %.1f %.1f %.1f %.1f\n", 100 * cpu / wall, wakes / wall, (wakes > 0 ? 1e6 * cpu / wakes : 0),
      sleeps / wall, (sleeps > 0 ? 1e6 * cpu / sleeps : 0)
  }' >>"$WORK/result.$index"
}

status=0
for round in $(seq "$ROUNDS"); do
  for index in "${!NAMES[@]}"; do
    measure "$index" "$round" || status=1
  done
  echo "# round $round of $ROUNDS done"
done

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR) print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

echo
echo "On $(nproc) cores, $(uname -m), Xvfb 1024x768; $ROUNDS rounds of ${SECONDS_PER_RUN} s each, taking turns."
printf '| %-26s | %-24s | %-12s | %-18s | %-9s | %-16s |\n' "program" "CPU %, median (rounds)" \
  "wake-ups/s" "CPU µs per wake-up" "frames/s" "CPU µs per frame"
printf '|%s|%s|%s|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..28})" "$(printf -- '-%.0s' {1..26})" \
  "$(printf -- '-%.0s' {1..14})" "$(printf -- '-%.0s' {1..20})" "$(printf -- '-%.0s' {1..11})" \
  "$(printf -- '-%.0s' {1..18})"
for index in "${!NAMES[@]}"; do
  file=$WORK/result.$index
  [ -s "$file" ] || continue
  share=$(cut -d' ' -f1 "$file" | median)
  rounds=$(cut -d' ' -f1 "$file" | awk '{ printf "%s%.2f", (NR > 1 ? ", " : ""), $1 }')
  wakes=$(cut -d' ' -f2 "$file" | median)
  per=$(cut -d' ' -f3 "$file" | median)
  frames=-
  per_frame=-
  if ((COUNT_SLEEPS)); then
    frames=$(cut -d' ' -f4 "$file" | median | awk '{ printf "%.0f", $1 }')
    per_frame=$(cut -d' ' -f5 "$file" | median | awk '{ printf "%.0f", $1 }')
  fi
  printf '| %-26s | %-24s | %-12s | %-18s | %-9s | %-16s |\n' "${NAMES[$index]}" \
    "$(printf '%.2f (%s)' "$share" "$rounds")" "$(printf '%.0f' "$wakes")" "$(printf '%.0f' "$per")" \
    "$frames" "$per_frame"
done
exit "$status"
