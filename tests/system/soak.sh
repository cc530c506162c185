#!/usr/bin/env bash
# Soak run of the native saver (not part of CI): the saver at speed 1 for a
# while on an Xvfb of its own, its resident memory and its X resources sampled
# every 10 s. Whatever grows after the first minute is a leak.
#
#   tests/system/soak.sh [MINUTES] EXE      (MINUTES defaults to 5)
#
# Needs xrestop (the X-Resource extension's client): `apt-get install xrestop`.
# Environment: MORUMORU_SOAK_DISPLAY (default 96). Prints a table, then
# "memory at 1 min: X kB, at N min: Y kB; ... — no growth" or "— growth"; the
# exit status is non-zero on growth, or when the saver fails to run or to end.

set -u

MINUTES=5
if [ $# -eq 2 ]; then
  MINUTES=$1
  shift
fi
if [ $# -ne 1 ] || [ ! -f "$1" ] || ! [[ $MINUTES =~ ^[0-9]+$ ]] || ((MINUTES < 2)); then
  echo "usage: $0 [MINUTES (2 or more)] EXE" >&2
  exit 2
fi
for tool in Xvfb xdpyinfo xdotool xrestop; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (apt-get install xrestop for xrestop)" >&2; exit 2; }
done

export DISPLAY=:${MORUMORU_SOAK_DISPLAY:-96}
INTERVAL=10
# Memory may wobble by a page or two; a leak per step or per slide grows far
# past this in minutes.
RSS_SLACK_KB=256
# No dot in the folder names: the program derives its INI name from its path.
WORK=$(mktemp -d "${TMPDIR:-/tmp}/morumoru-soak-XXXXXX")
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
XVFB_PID=
SAVER_PID=

cleanup() {
  stop_pid "$SAVER_PID"
  stop_pid "$XVFB_PID"
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

start_xvfb "$DISPLAY" "$WORK/xvfb.log" || exit 2

mkdir -p "$WORK/app"
cp "$1" "$WORK/app/morumoru"
printf '[moruscr]\nspeed=1\n' >"$WORK/app/morumoru.ini"
# The pointer stays where it is all the run: a move would end the saver.
xdotool mousemove 700 600
(cd "$WORK/app" && exec ./morumoru /s) >"$WORK/saver.log" 2>&1 &
SAVER_PID=$!

# One xrestop sample of the saver's client as "windows pixmaps GCs cursors
# pictures unknowns pixmap-bytes", or nothing when it is not listed.
x_resources() {
  xrestop -b -m 1 2>/dev/null | awk -v pid="$SAVER_PID" '
    /^[0-9]+ - / { mine = ($0 ~ "PID: *" pid " *\\)") }
    mine && /^\twindows/ { w = $3 }
    mine && /^\tpixmaps/ { p = $3 }
    mine && /^\tGCs/ { g = $3 }
    mine && /^\tcursors/ { c = $3 }
    mine && /^\tpictures/ { pi = $3 }
    mine && /^\tunknowns/ { u = $3 }
    mine && /^\tpixmap bytes/ { b = $4 }
    END { if (w != "") print w, p, g, c, pi, u, b }'
}

rss_kb() {
  sed -n 's/^VmRSS:[[:space:]]*\([0-9]*\) kB/\1/p' "/proc/$SAVER_PID/status" 2>/dev/null
}

sleep 2
kill -0 "$SAVER_PID" 2>/dev/null || { echo "the saver did not start:" >&2; cat "$WORK/saver.log" >&2; exit 1; }

printf '%6s %9s %8s %8s %5s %8s %9s %9s %13s\n' time rss_kB windows pixmaps GCs cursors pictures unknowns pixmap_bytes
SAMPLES=$((MINUTES * 60 / INTERVAL))
START=$(date +%s)
declare -a RSS RES
for ((i = 0; i <= SAMPLES; i++)); do
  target=$((START + i * INTERVAL))
  while (($(date +%s) < target)); do sleep 0.5; done
  if ! kill -0 "$SAVER_PID" 2>/dev/null; then
    wait "$SAVER_PID"
    echo "the saver ended on its own after $((i * INTERVAL)) s (exit code $?)" >&2
    exit 1
  fi
  RSS[i]=$(rss_kb)
  RES[i]=$(x_resources)
  [ -n "${RES[i]}" ] || RES[i]="? ? ? ? ? ? ?"
  # shellcheck disable=SC2086  # the resource columns split on purpose
  printf '%5ds %9s %8s %8s %5s %8s %9s %9s %13s\n' $((i * INTERVAL)) "${RSS[i]}" ${RES[i]}
done

# End the saver the way a user does, and expect it to go with 0.
xdotool key a
for _ in $(seq 100); do
  kill -0 "$SAVER_PID" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$SAVER_PID" 2>/dev/null; then
  echo "the saver did not end on a key" >&2
  exit 1
fi
wait "$SAVER_PID"
code=$?
SAVER_PID=

# From the first minute on nothing may grow: the last sample against the one
# at one minute, memory with a little slack, X resources exactly.
one=$((60 / INTERVAL))
growth=0
names=(windows pixmaps GCs cursors pictures unknowns pixmap_bytes)
read -r -a first <<<"${RES[one]}"
read -r -a last <<<"${RES[SAMPLES]}"
summary="memory at 1 min: ${RSS[one]} kB, at $MINUTES min: ${RSS[SAMPLES]} kB"
((RSS[SAMPLES] > RSS[one] + RSS_SLACK_KB)) && growth=1
for k in "${!names[@]}"; do
  summary+="; ${names[k]} ${first[k]} -> ${last[k]}"
  if [[ ${first[k]} =~ ^[0-9]+$ && ${last[k]} =~ ^[0-9]+$ ]]; then
    ((last[k] > first[k])) && growth=1
  else
    growth=1
  fi
done
if ((growth)); then
  echo "$summary — growth"
else
  echo "$summary — no growth"
fi
echo "the saver ended on a key with exit code $code"
((growth == 0 && code == 0))
