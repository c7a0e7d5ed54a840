#!/usr/bin/env bash
# The display server going away under the game, in the menu and in a round: the game ends
# within 2 s with one line on standard error and a failure status, and never hangs. On Xorg
# the mode guardian ends with it.
# Usage: desktop_server_gone.sh GAME TOOLS_DIR
source "$(dirname "$0")/desktop_lib.sh" "$1" "$2"
copy_game
start_pulse

# server  where  signal
cases=(
  "xvfb menu KILL"
  "xvfb round TERM"
  "xorg menu TERM"
  "xorg round KILL"
)
for entry in "${cases[@]}"; do
  read -r server where signal <<<"$entry"
  name="$server $where $signal"
  "start_$server"
  stack=("${server_pids[-1]}")
  if [ "$server" = xorg ]; then
    start_wm
    stack+=("${server_pids[-1]}")
  fi
  start_desktop_game
  if ! wait_menu 30; then
    fail "$name: no menu within 30 s"
    wait_exit 1
  else
    if [ "$where" = round ]; then
      key Return
      wait_round 15 || fail "$name: Enter did not start the round"
    fi
    guardian=$(pgrep -P "$game_pid" -x "mode guardian")
    [ "$server" = xorg ] && [ -z "$guardian" ] && fail "$name: no guardian beside the game"
    gone_at=$EPOCHREALTIME
    kill "-$signal" "${stack[0]}"
    wait_exit 10
    took=$(awk -v a="$gone_at" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.2f", b - a }')
    echo "$name: status $game_status after $took s, standard error: $(head -c 200 "$work/err")"
    if [ "$game_status" -eq 999 ]; then
      fail "$name: the game still ran 10 s after the server went away"
    elif awk -v t="$took" 'BEGIN { exit !(t > 2) }'; then
      fail "$name: the game took $took s to end"
    fi
    # A failure status of the game's own, not a signal's.
    [ "$game_status" -ge 1 ] && [ "$game_status" -lt 128 ] ||
      fail "$name: status $game_status"
    [ "$(cat "$work/err")" = "letterfight: lost the connection to the X server :$desktop_display" ] ||
      fail "$name: standard error is not the one line on the lost connection"
    [ -n "$guardian" ] && ! wait_for 5 sh -c "! kill -0 $guardian 2>/dev/null" &&
      fail "$name: the guardian outlived the game"
  fi
  # Whatever of this stack is left (the window manager, the server itself when it did not go).
  for pid in "${stack[@]}"; do stop_server "$pid"; done
  rm -f "/tmp/.X${desktop_display}-lock" "/tmp/.X11-unix/X${desktop_display}"
done
desktop_finish
