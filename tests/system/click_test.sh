# A press of a mouse button on the black background ends the saver every
# time: start, click, exit, many times over, counting the misses. Sourced by
# run.sh after lib.sh.

# clicks_always_end BUTTON: RUNS launches (MORUMORU_CLICK_RUNS, 30 by
# default, 10 where the program runs emulated), each ended by one click of
# BUTTON with the pointer resting on the corner. The pause before the click varies, so that clicks land in every
# phase of a step. Speed 1 on both targets: the fastest show, and natively
# the busiest server.
clicks_always_end() {
  local button=$1 runs=${MORUMORU_CLICK_RUNS:-30}
  ((${EMULATED:-0})) && runs=${MORUMORU_CLICK_RUNS:-10}
  local run lost=0 where pauses=(0.2 0.6 1.0 1.5)
  new_app_dir
  write_ini '[moruscr]' 'speed=1'
  for run in $(seq "$runs"); do
    xdotool mousemove "$CORNER_X" "$CORNER_Y"
    launch /s
    wait_saver
    sleep "${pauses[$((run % ${#pauses[@]}))]}"
    # A click elsewhere would test something else: the pointer must be where
    # it was put, not where a reset display or the program left it.
    where=$(xdotool getmouselocation 2>/dev/null | sed -E 's/^x:([0-9]+) y:([0-9]+).*/\1,\2/')
    [ "$where" = "$CORNER_X,$CORNER_Y" ] ||
      fail "run $run: the pointer is at $where, not at $CORNER_X,$CORNER_Y"
    click "$button"
    ended_by 5 "$run" "button $button" || lost=$((lost + 1))
  done
  log "button $button: $((runs - lost)) of $runs clicks ended the saver"
  ((lost == 0)) || fail "$lost of $runs clicks of button $button left the saver running"
}
for button in 1 2 3; do
  scenario "S6 button $button on the background ends the saver every time" --timeout 420 \
    clicks_always_end "$button"
done
