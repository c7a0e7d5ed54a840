#!/usr/bin/env bash
# SIGTERM in the middle of a round: the game ends with "Received Signal" on standard error and
# status 255, and the desktop has its own display mode again.
# Usage: e2e_sigterm.sh GAME
source "$(dirname "$0")/e2e_lib.sh" "$1"
need_display
copy_game

desktop=$(xdpyinfo | awk '/dimensions:/ { print $2 }')
start_game
if ! wait_menu 30; then
  fail "no menu"
  finish
fi
key Return
wait_round 15 || fail "the round did not start"
running || fail "the game ended before the signal"
kill -TERM "$game_pid"
wait_exit 15
[ "$game_status" -eq 255 ] || fail "SIGTERM ended the game with status $game_status"
grep -q "Received Signal" "$work/err" || fail "no \"Received Signal\" on standard error"
mode=$(xdpyinfo | awk '/dimensions:/ { print $2 }')
[ "$mode" = "$desktop" ] || fail "the display is $mode after the game, $desktop before"
echo "status $game_status, display $mode"
finish
