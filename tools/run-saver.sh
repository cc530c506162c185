#!/usr/bin/env bash
# Builds the native program and shows it:
#
#   bash tools/run-saver.sh [/s | /c] [--seconds N] [more arguments for the program]
#
# With a display that can be opened, the program runs on it. Without one (no
# DISPLAY, or one that cannot be opened) it runs on a private virtual display
# (Xvfb, 1024x768) for N seconds (default 5): the saver at speed 1 from a
# private copy, whatever the stored speed, with three screenshots a second
# apart and then a key press; the dialog (/c) with one screenshot and then
# CANCEL. The program must end with exit status 0. The screenshots stay in
# build/run-saver/screenshots/.
#
# First installs with apt-get what building and showing it needs, as root or
# through sudo; MORUMORU_SKIP_DEPS=1 skips that on a machine that has it all.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=$ROOT/build/run-saver

mode=/s
seconds=5
extra=()
while (($#)); do
  case $1 in
    /s | -s | /S | -S | /p | -p | /P | -P) mode=$1 ;;
    /c | -c | /C | -C | /c:* | -c:*) mode=/c ;;
    --seconds)
      [[ ${2:-} =~ ^[0-9]+$ ]] && (($2 >= 3)) || { echo "--seconds needs a whole number of at least 3" >&2; exit 2; }
      seconds=$2
      shift
      ;;
    *) extra+=("$1") ;;
  esac
  shift
done
dialog=0
[[ $mode == /c ]] && dialog=1

# ---------------------------------------------------------------- packages

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs the Debian packages that are not installed yet.
install_packages() {
  local missing=() package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' || missing+=("$package")
  done
  ((${#missing[@]})) || return 0
  echo "installing: ${missing[*]}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}

skip_deps=${MORUMORU_SKIP_DEPS:-0}
if [ "$skip_deps" != 1 ]; then
  # Building, the X libraries, the Japanese font of the dialog, and
  # xdpyinfo to tell whether the display can be opened.
  install_packages cmake g++ ninja-build pkg-config libx11-dev libxft-dev libfontconfig-dev \
    libxrandr-dev libxext-dev fonts-ipafont-gothic fontconfig x11-utils
fi

# ---------------------------------------------------------------- display

display_problem=
if [ -z "${DISPLAY:-}" ]; then
  display_problem="DISPLAY is not set"
elif ! command -v xdpyinfo >/dev/null; then
  display_problem="xdpyinfo (x11-utils) is missing to check DISPLAY=$DISPLAY"
elif ! xdpyinfo >/dev/null 2>&1; then
  display_problem="DISPLAY=$DISPLAY cannot be opened"
fi
if [ -n "$display_problem" ]; then
  echo "No usable display ($display_problem): showing morumoru on a private virtual display."
  if [ "$skip_deps" != 1 ]; then
    install_packages xvfb xdotool imagemagick x11-utils
  fi
fi

# ---------------------------------------------------------------- build

# A build of the program alone: the tests and benchmarks need more packages.
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORUMORU_TESTS=OFF \
  -DMORUMORU_BENCH=OFF >/dev/null
cmake --build "$BUILD" --target morumoru
PROGRAM=$BUILD/app/morumoru

if [ -z "$display_problem" ]; then
  exec "$PROGRAM" "$mode" "${extra[@]}"
fi

# ---------------------------------------------------------------- virtual display

for tool in Xvfb xdotool xdpyinfo import convert; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (unset MORUMORU_SKIP_DEPS to install it)" >&2; exit 1; }
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/morumoru-run-XXXXXX")
SHOTS=$BUILD/screenshots
mkdir -p "$SHOTS"
XVFB_PID=
APP_PID=

stop() {
  local pid=$1 n
  kill "$pid" 2>/dev/null || return 0
  for n in $(seq 30); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

cleanup() {
  if [ -n "$APP_PID" ]; then stop "$APP_PID"; fi
  if [ -n "$XVFB_PID" ]; then stop "$XVFB_PID"; fi
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Xvfb picks a free display number itself and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
for _ in $(seq 100); do
  [ -s "$WORK/display" ] && break
  kill -0 "$XVFB_PID" 2>/dev/null || break
  sleep 0.1
done
[ -s "$WORK/display" ] || { echo "Xvfb did not start: $(tail -n 3 "$WORK/xvfb.log")" >&2; exit 1; }
export DISPLAY=:$(head -n 1 "$WORK/display")
unset XSCREENSAVER_WINDOW

# A private copy of the program, so that the user's settings stay as they
# are: the copy uses the file beside it, and its configuration folder is a
# private one too. The saver runs at speed 1, so that a picture is soon well
# inside the screen.
mkdir -p "$WORK/program" "$WORK/config"
cp "$PROGRAM" "$WORK/program/morumoru"
((dialog)) || printf '[moruscr]\nspeed=1\n' >"$WORK/program/morumoru.ini"
XDG_CONFIG_HOME=$WORK/config "$WORK/program/morumoru" "$mode" "${extra[@]}" >"$WORK/program.log" 2>&1 &
APP_PID=$!
started=$(date +%s)

alive() { kill -0 "$APP_PID" 2>/dev/null; }

# Waits up to 10 s for a window with this exact name; prints its id.
wait_window() {
  local id
  for _ in $(seq 100); do
    id=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1) || true
    [ -n "$id" ] && { echo "$id"; return 0; }
    alive || return 1
    sleep 0.1
  done
  return 1
}

# "W H X Y" of the non-black pixels of a screenshot; empty when all is black.
picture_box() {
  local box
  box=$(convert "$1" -bordercolor black -border 1 -fill white +opaque black -format '%@' info: 2>/dev/null)
  [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || return 0
  local w=${BASH_REMATCH[1]} h=${BASH_REMATCH[2]}
  ((w > 0 && h > 0 && w < 1026)) || return 0
  echo "$w $h $((BASH_REMATCH[3] - 1)) $((BASH_REMATCH[4] - 1))"
}

fail_run() {
  echo "morumoru: $*" >&2
  [ -s "$WORK/program.log" ] && sed 's/^/  program: /' "$WORK/program.log" >&2
  exit 1
}

shots=()
described=()
if ((dialog)); then
  window=$(wait_window 'morumoru screensaver') || fail_run "no settings dialog appeared"
  xdotool windowfocus "$window" 2>/dev/null || true
  sleep 1
  shot=$SHOTS/dialog.png
  import -window "$window" "png:$shot"
  shots+=("$shot")
  described+=("the settings dialog ($(identify -format '%wx%h' "$shot") pixels)")
  # Shown for the rest of the time, then CANCEL (its access key), which
  # saves nothing.
  while (($(date +%s) - started < seconds)) && alive; do sleep 0.2; done
  alive || fail_run "the dialog closed by itself"
  xdotool key --delay 50 alt+c
else
  wait_window morumoru >/dev/null || fail_run "no saver window appeared"
  # A picture on the screen first, then three screenshots a second apart.
  for _ in $(seq 50); do
    import -window root "png:$WORK/probe.png"
    [ -n "$(picture_box "$WORK/probe.png")" ] && break
    alive || break
    sleep 0.1
  done
  for n in 1 2 3; do
    ((n > 1)) && sleep 1
    alive || fail_run "the saver ended by itself"
    shot=$SHOTS/saver-$n.png
    # Between two slides the screen is black for a moment: try again.
    for _ in 1 2 3 4 5; do
      import -window root "png:$shot"
      box=$(picture_box "$shot")
      [ -n "$box" ] && break
    done
    shots+=("$shot")
    if [ -z "$box" ]; then
      described+=("a black screen (between two pictures)")
    else
      read -r w h x y <<<"$box"
      if ((w == 335 && h == 300)); then
        described+=("a picture of 335x300 pixels at x=$x, y=$y")
      else
        described+=("a picture partly off the screen, ${w}x${h} pixels of it at x=$x, y=$y")
      fi
    fi
  done
  while (($(date +%s) - started < seconds)) && alive; do sleep 0.2; done
  alive || fail_run "the saver ended by itself"
  # Any key ends the saver, as a person would end it.
  xdotool key space
fi

for _ in $(seq 100); do
  alive || break
  sleep 0.1
done
if alive; then
  fail_run "still running 10 s after $( ((dialog)) && echo CANCEL || echo the key)"
fi
status=0
wait "$APP_PID" || status=$?
APP_PID=
((status == 0)) || fail_run "ended with exit status $status"
if ((dialog)); then
  for ini in "$WORK/program/morumoru.ini" "$WORK/config/morumoru/morumoru.ini"; do
    [ -e "$ini" ] && fail_run "CANCEL wrote $ini"
  done
fi

echo "morumoru $mode ran for ${seconds}s on a virtual display and ended with exit status 0."
echo "Screenshots:"
for i in "${!shots[@]}"; do
  echo "  ${shots[$i]}: ${described[$i]}"
done
echo "On a real display: bash tools/run-saver.sh [/s | /c] with DISPLAY set, or $PROGRAM /s."
echo "Inside xscreensaver: see docs/xscreensaver.md (add 'morumoru -root' to programs: in ~/.xscreensaver)."
