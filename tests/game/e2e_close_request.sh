#!/usr/bin/env bash
# A close request on the game's window (the close button, Alt+F4) ends the game with status 0,
# from the menu and from a round.
# Usage: e2e_close_request.sh GAME CLOSE_REQUEST_TOOL
source "$(dirname "$0")/e2e_lib.sh" "$1"
close_request=$2
need_display
copy_game

for where in menu round; do
  start_game
  if ! wait_menu 30; then
    fail "$where: no menu"
  else
    if [ "$where" = round ]; then
      key Return
      wait_round 15 || fail "round: the round did not start"
    fi
    sent=0
    for attempt in 1 2 3 4 5; do
      if "$close_request" "$game_pid"; then
        sent=1
        break
      fi
      sleep 0.5
    done
    if [ $sent -eq 0 ]; then
      fail "$where: the close request could not be sent; the windows:"
      xwininfo -root -children
    fi
  fi
  wait_exit 15
  [ "$game_status" -eq 0 ] || fail "$where: a close request ended the game with status $game_status"
  echo "$where: status $game_status"
done
finish
