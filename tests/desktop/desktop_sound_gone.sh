#!/usr/bin/env bash
# The sound server going away in a round: the game goes on without sound (the round runs, keys
# score, Escape leads back to the menu and out with status 0), and nothing hangs or crashes.
# Usage: desktop_sound_gone.sh GAME TOOLS_DIR
source "$(dirname "$0")/desktop_lib.sh" "$1" "$2"
copy_game
start_xorg
start_wm
start_pulse
pulse=${server_pids[-1]}

start_desktop_game
if ! wait_menu 30; then
  fail "no menu within 30 s"
  desktop_finish
fi
wait_for 10 sh -c "pactl list sink-inputs | grep -q 'application.process.id = \"$game_pid\"'" ||
  fail "the game plays nothing into the sound server"
key Return
if ! wait_round 15; then
  fail "Enter did not start the round"
  desktop_finish
fi
sleep 1
kill -KILL "$pulse"
stop_server "$pulse"
sleep 2
running || fail "the game ended when the sound server went away"
# The round still moves and takes keys; each scored key plays a sound into the void.
type_until_hit 0 typed
[ -n "$hit" ] && echo "scored with '$hit' after the sound server went" ||
  fail "no letter typed after the sound server went scored"
key Escape
wait_menu 10 || fail "Escape did not return to the menu"
key Escape
wait_exit 10
[ "$game_status" -eq 0 ] || fail "Escape in the menu ended the game with status $game_status"
echo "standard error: $(head -c 300 "$work/err")"
desktop_finish
