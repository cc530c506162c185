#!/usr/bin/env bash
# The README's first command on a machine without a display:
#
#   tests/system/run_saver_test.sh
#
# Runs tools/run-saver.sh with DISPLAY unset and the package step skipped
# (MORUMORU_SKIP_DEPS=1): the saver's three screenshots show a picture of the
# program at different places, /c gives a screenshot of the dialog and its
# CANCEL leaves no settings file anywhere; both end with exit status 0 and
# leave no process behind. With a display that opens, the script runs the
# program on it, as before. Prints "ok - name" or "not ok - name: reason" per
# check and ends with "N passed, M failed, K skipped". Environment:
# MORUMORU_RUN_DISPLAY (the display of the last check, default 95 +
# MORUMORU_DISPLAY_OFFSET).

set -u

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
for tool in Xvfb xdpyinfo xdotool import convert compare; do
  command -v "$tool" >/dev/null || { echo "$tool is missing" >&2; exit 2; }
done
WORK=$(mktemp -d "${TMPDIR:-/tmp}/morumoru-run-test-XXXXXX")
PROGRAM=$ROOT/build/run-saver/app/morumoru

. "$(dirname "${BASH_SOURCE[0]}")/checks.sh"

cleanup() {
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The processes of the program copy or of an Xvfb that the script started
# under $1 (its private folder names them), still running.
leftovers() {
  local pid command
  for pid in /proc/[0-9]*; do
    command=$({ tr '\0' ' ' <"$pid/cmdline"; } 2>/dev/null) || continue
    [[ $command == *morumoru-run-*/program/morumoru* ]] && echo "${pid#/proc/}: $command"
    [[ $command == Xvfb\ -displayfd* ]] && [ "$(stat -c %Y "$pid" 2>/dev/null || echo 0)" -ge "$1" ] && echo "${pid#/proc/}: $command"
  done
  return 0
}

# Runs the script as a newcomer without a display would, with a home and a
# configuration folder of its own; sets OUTPUT and CODE.
run_script() {
  local since
  since=$(date +%s)
  mkdir -p "$WORK/home/.config"
  OUTPUT=$(cd "$WORK" && env -u DISPLAY -u XSCREENSAVER_WINDOW MORUMORU_SKIP_DEPS=1 HOME="$WORK/home" \
    XDG_CONFIG_HOME="$WORK/home/.config" bash "$ROOT/tools/run-saver.sh" "$@" 2>&1)
  CODE=$?
  echo "$OUTPUT" >"$WORK/output"
  sleep 0.5
  local left
  left=$(leftovers "$since")
  [ -z "$left" ] || fail "left running: $left"
}

# The nine pictures, for telling the program's picture from anything else.
mkdir -p "$WORK/pictures"
for i in 0 1 2 3 4 5 6 7 8; do
  convert "$ROOT/assets/pictures/picture$i.bmp" "png:$WORK/pictures/picture$i.png"
done

# The non-black box of a screenshot, "W H X Y", empty when all is black.
lit_box() {
  local box
  box=$(convert "$1" -bordercolor black -border 1 -fill white +opaque black -format '%@' info: 2>/dev/null)
  [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || return 0
  ((BASH_REMATCH[1] > 0 && BASH_REMATCH[1] < 1026)) || return 0
  echo "${BASH_REMATCH[1]} ${BASH_REMATCH[2]} $((BASH_REMATCH[3] - 1)) $((BASH_REMATCH[4] - 1))"
}

saver_without_a_display() {
  run_script --seconds 4
  ((CODE == 0)) || fail "exit status $CODE: $(tail -n 5 <<<"$OUTPUT" | paste -sd' ')"
  head -n 1 <<<"$OUTPUT" | grep -q '^No usable display (DISPLAY is not set)' ||
    fail "the first line is not the display notice: $(head -n 1 <<<"$OUTPUT")"
  local shots
  mapfile -t shots < <(sed -n 's/^  \(\/.*saver-[0-9]\.png\): .*/\1/p' <<<"$OUTPUT")
  ((${#shots[@]} == 3)) || fail "${#shots[@]} screenshot paths printed: $OUTPUT"
  local shot box w h x y places=() full=0 i diff matched
  for shot in "${shots[@]}"; do
    [ -f "$shot" ] || fail "$shot does not exist"
    [ "$(identify -format '%wx%h' "$shot")" = 1024x768 ] || fail "$shot is not the 1024x768 screen"
    box=$(lit_box "$shot")
    [ -n "$box" ] || fail "$shot is all black"
    read -r w h x y <<<"$box"
    ((w <= 335 && h <= 300)) || fail "$shot: lit area ${w}x${h} is larger than a picture"
    grep -q "$(basename "$shot"): .*${w}x${h} pixels.* at x=$x, y=$y" <<<"$OUTPUT" ||
      fail "the script does not give ${w}x${h} at $x,$y for $shot"
    places+=("$x,$y")
    if ((w == 335 && h == 300)); then
      # Whole on the screen: it must be one of the nine, pixel for pixel.
      full=$((full + 1))
      matched=0
      convert "$shot" -crop "335x300+$x+$y" +repage "png:$WORK/crop.png"
      for i in 0 1 2 3 4 5 6 7 8; do
        diff=$(compare -metric AE "$WORK/crop.png" "$WORK/pictures/picture$i.png" null: 2>&1)
        [ "$diff" = 0 ] && matched=1
      done
      ((matched)) || fail "$shot: the 335x300 area at $x,$y is none of the pictures"
    fi
  done
  local distinct
  distinct=$(printf '%s\n' "${places[@]}" | sort -u | wc -l)
  ((distinct >= 2)) || fail "the picture stayed at ${places[*]}"
  echo "# picture at ${places[*]}; $full of 3 wholly on the screen"
  grep -q 'exit status 0' <<<"$OUTPUT" || fail "no word of the exit status"
  grep -q 'xscreensaver' <<<"$OUTPUT" || fail "no word of xscreensaver"
}
check "without a display: three screenshots of a picture at different places, exit 0" \
  saver_without_a_display

dialog_without_a_display() {
  local beside_before=0
  [ -e "$PROGRAM.ini" ] && beside_before=1
  run_script /c --seconds 3
  ((CODE == 0)) || fail "exit status $CODE: $(tail -n 5 <<<"$OUTPUT" | paste -sd' ')"
  local shot
  shot=$(sed -n 's/^  \(\/.*dialog\.png\): .*/\1/p' <<<"$OUTPUT")
  [ -f "$shot" ] || fail "no dialog screenshot printed: $OUTPUT"
  # The dialog's face: about 360 x 145, grey, with its dark-on-grey texts.
  local size grey
  size=$(identify -format '%w %h' "$shot")
  read -r w h <<<"$size"
  ((w > 300 && w < 420 && h > 120 && h < 200)) || fail "the dialog screenshot is ${w}x${h}"
  grey=$(convert "$shot" -fill black +opaque '#F0F0F0' -fill white -opaque '#F0F0F0' \
    -alpha off -format '%[fx:round(100*mean)]' info:)
  ((grey > 50)) || fail "only $grey% of the dialog screenshot is the dialog's grey"
  # CANCEL saves nothing: not beside the program, not in the configuration folder.
  [ -z "$(find "$WORK/home" -name 'morumoru*')" ] || fail "files under HOME: $(find "$WORK/home" -name 'morumoru*')"
  ((beside_before)) || [ ! -e "$PROGRAM.ini" ] || fail "CANCEL wrote $PROGRAM.ini"
}
check "/c without a display: a screenshot of the dialog; CANCEL saves nothing; exit 0" \
  dialog_without_a_display

# With a display that opens, the program runs there, as before: started on
# a display the test owns, it covers it and ends at a key with exit 0.
saver_on_a_display() {
  local display=:${MORUMORU_RUN_DISPLAY:-$((95 + ${MORUMORU_DISPLAY_OFFSET:-0}))}
  # The check runs in a subshell: what it started, it stops.
  SCRIPT=
  trap 'stop_pid "$XVFB_PID"; [ -n "$SCRIPT" ] && stop_pid "$SCRIPT"' EXIT
  start_xvfb "$display" "$WORK/xvfb.log" 2>"$WORK/xvfb.err" || fail "$(cat "$WORK/xvfb.err")"
  env DISPLAY="$display" MORUMORU_SKIP_DEPS=1 HOME="$WORK/home" bash "$ROOT/tools/run-saver.sh" \
    >"$WORK/direct.log" 2>&1 &
  SCRIPT=$!
  local n box=
  for n in $(seq 100); do
    DISPLAY=$display import -window root "png:$WORK/direct.png" 2>/dev/null
    box=$(lit_box "$WORK/direct.png")
    [ -n "$box" ] && break
    kill -0 "$SCRIPT" 2>/dev/null || fail "the script ended: $(tail -n 3 "$WORK/direct.log" | paste -sd' ')"
    sleep 0.2
  done
  [ -n "$box" ] || fail "no picture on $display"
  grep -q 'virtual display' "$WORK/direct.log" && fail "it went to a virtual display: $(cat "$WORK/direct.log")"
  DISPLAY=$display xdotool key space
  for n in $(seq 50); do kill -0 "$SCRIPT" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$SCRIPT" 2>/dev/null && fail "still running after a key"
  wait "$SCRIPT"
  local code=$?
  ((code == 0)) || fail "exit status $code: $(tail -n 3 "$WORK/direct.log" | paste -sd' ')"
}
check "with a display that opens, the saver runs on it and a key ends it with exit 0" \
  saver_on_a_display

echo "$PASSED passed, $FAILED failed, $SKIPPED skipped"
((FAILED == 0))
