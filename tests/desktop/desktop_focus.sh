#!/usr/bin/env bash
# Alt+Tab in a round: with a window manager and another program's window open, activating that
# window gives the desktop its own mode back while the game waits minimised, and activating the
# game again switches back to 1024 x 768. The round goes on: the score is as it was, the clock
# has run on with the wall clock, and typed letters score again.
# Usage: desktop_focus.sh GAME TOOLS_DIR
source "$(dirname "$0")/desktop_lib.sh" "$1" "$2"
need_tools xlogo xdotool
copy_game
start_xorg
start_wm
start_pulse
start_mode_watch

active() { xdotool getactivewindow 2>/dev/null; }

# Captures until the round's score line and clock are drawn, up to $1 seconds; sets score,
# clock and clock_at (when the capture was taken).
read_round() {
  local limit=$(($1 * 4)) i=0
  while [ $i -lt $limit ]; do
    clock_at=$EPOCHREALTIME
    shot round_read
    read -r -a score <<<"$(score_state round_read)"
    clock=$(clock_state round_read)
    [ "${score[0]}" -gt 50 ] && [ "$clock" -ge 0 ] && return 0
    sleep 0.25
    i=$((i + 1))
  done
  return 1
}

start_desktop_game
if ! wait_menu 30; then
  fail "no menu within 30 s"
  desktop_finish
fi
play_to_first_hit
game=$(game_window)
[ "$(active)" = "$game" ] || fail "the game's window is not the active one in the round"
read_round 5 || fail "no score line and clock in the round"
before=("${score[@]}") before_clock=$clock before_at=$clock_at
echo "before: clock $before_clock, score ${before[*]}"

show_other_window desktop_other_window
wait_mode 1920x1080 2 && echo "desktop mode back ${mode_wait} s after the focus left" ||
  fail "the display is in $(current_mode) 2 s after the focus left"
# SDL gives the mode back first and minimises the window after it.
wait_for 2 sh -c "xprop -id $game WM_STATE | grep -q Iconic" ||
  fail "the game's window is not minimised 2 s after the focus left"
# Typed into the other window: none of it may reach the round.
for letter in a e i o u; do key "$letter"; done
sleep 2
running || fail "the game ended while the focus was elsewhere"

xdotool windowactivate "$game"
wait_mode 1024x768_85 2 && echo "game mode back ${mode_wait} s after the game was activated" ||
  fail "the display is in $(current_mode) 2 s after the game was activated"
[ "$(active)" = "$game" ] || fail "the game's window is not the active one after its return"
if read_round 5; then
  ran=$(awk -v a="$before_at" -v b="$clock_at" 'BEGIN { printf "%.0f", b - a }')
  echo "after: clock $clock, score ${score[*]}, $ran s later"
  [ "${score[1]}" = "${before[1]}" ] || fail "the score changed while the focus was away"
  expected=$((before_clock - ran))
  [ "$clock" -ge $((expected - 1)) ] && [ "$clock" -le $((expected + 1)) ] ||
    fail "the clock shows $clock, $ran s after it showed $before_clock"
else
  fail "no score line and clock after the return"
fi
type_until_hit "$(score_value round_read)" back
[ -n "$hit" ] && echo "scored with '$hit' after the return" ||
  fail "no letter typed after the return scored"

key Escape
wait_menu 10 || fail "Escape did not return to the menu"
key Escape
wait_exit 10
[ "$game_status" -eq 0 ] || fail "Escape in the menu ended the game with status $game_status"
wait_mode 1920x1080 2 || fail "the display is in $(current_mode) 2 s after the game ended"
sleep 0.5
switches=$(grep -v ready "$work/modes" | grep -v off | tr '\n' ' ')
[ "$switches" = "1024x768 1920x1080 1024x768 1920x1080 " ] || fail "the screen took the modes: $switches"
desktop_finish
