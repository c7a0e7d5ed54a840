#!/usr/bin/env bash
# The game's window loses the focus to another window in the middle of a round and gets it
# back: the game runs on while it is away (the screen keeps changing, nothing typed there
# reaches it), and once back it takes keys again (a letter on screen scores).
# Usage: e2e_focus_loss.sh GAME
source "$(dirname "$0")/e2e_lib.sh" "$1"
need_display
copy_game

other_pid=""
stop_other() {
  if [ -n "$other_pid" ]; then
    kill "$other_pid" 2>/dev/null
    wait "$other_pid" 2>/dev/null
  fi
  other_pid=""
}
trap 'stop_other; cleanup' EXIT

focused() { xdotool getwindowfocus 2>/dev/null; }

start_game
if ! wait_menu 30; then
  fail "no menu"
  finish
fi
key Return
if ! wait_round 15; then
  fail "the round did not start"
  finish
fi
game_window=$(xdotool search --onlyvisible --pid "$game_pid" 2>/dev/null | head -n 1)
[ -n "$game_window" ] || fail "the game's window was not found"
[ "$(focused)" = "$game_window" ] || fail "the game's window does not have the focus in the round"
sleep 2 # the first wave comes in

# Another program's window takes the focus.
xlogo -name e2e_other_window -geometry 300x200+100+100 2>/dev/null &
other_pid=$!
other_window=""
for _ in $(seq 1 50); do
  other_window=$(xdotool search --onlyvisible --classname e2e_other_window 2>/dev/null | head -n 1)
  [ -n "$other_window" ] && break
  sleep 0.2
done
[ -n "$other_window" ] || fail "the other window did not show"
xdotool windowfocus "$other_window"
sleep 0.5
[ "$(focused)" = "$other_window" ] || fail "the other window did not get the focus"
shot away1
read -r -a away <<<"$(score_state away1)"
for letter in a b c d e f g h i j k l m n o p q r s t u v w x y z; do key "$letter"; done
running || fail "the game ended while the focus was elsewhere"
shot away2
read -r -a still <<<"$(score_state away2)"
[ "${still[1]}" = "${away[1]}" ] || fail "keys typed into the other window changed the score"
cmp -s "$work/away1.rgb" "$work/away2.rgb" && fail "the screen stood still while the focus was elsewhere"

# The focus comes back.
xdotool windowfocus "$game_window"
sleep 0.5
stop_other
[ "$(focused)" = "$game_window" ] || fail "the game's window did not get the focus back"
type_until_scored "${away[1]}" back
[ -n "$hit" ] && echo "scored with '$hit' after the focus came back" ||
  fail "no letter typed after the focus came back changed the score"
running || fail "the game ended after the focus came back"
key Escape
wait_menu 10 || fail "Escape did not return to the menu"
key Escape
wait_exit 15
[ "$game_status" -eq 0 ] || fail "the game ended with status $game_status"
finish
