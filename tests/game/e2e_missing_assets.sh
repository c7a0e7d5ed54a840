#!/usr/bin/env bash
# The game without some of its files: without "arial.ttf" it draws in the built-in font;
# without a sound or a picture it plays and draws what it has and goes on.
# Usage: e2e_missing_assets.sh GAME
source "$(dirname "$0")/e2e_lib.sh" "$1"
need_display
copy_game

rm "$work/game/arial.ttf"
start_game
if wait_menu 30; then
  width=$((menu[3] - menu[2]))
  # "LETTER FIGHT" in the 8-pixel built-in font at 1.5 times: 144 pixels; in Arial over 300.
  [ "$width" -lt 200 ] && [ "$width" -gt 100 ] || fail "no font file: the selected entry is $width px wide"
  [ "${menu[4]}" -eq 4 ] || fail "no font file: expected four more entries, got ${menu[*]}"
  key Return
  wait_round 15 || fail "no font file: the round did not start"
  key Escape
  wait_menu 10 || fail "no font file: Escape did not return to the menu"
  key Escape
else
  fail "no font file: no menu"
fi
wait_exit 15
[ "$game_status" -eq 0 ] || fail "no font file: status $game_status"

copy_game
rm "$work/game/laser.ogg" "$work/game/tubo5.ogg" "$work/game/background_menu.png" \
  "$work/game/background.png"
start_game
if wait_menu 30; then
  first=${menu[0]}
  key Down
  shot down
  read -r -a m <<<"$(menu_state down)"
  [ "${m[0]}" -gt "$first" ] || fail "no move sound: Down did not move the selection"
  key Up
  sleep 0.2
  key Return
  if wait_round 15; then
    for letter in a e i o u; do key "$letter"; done
    running || fail "no hit sound: the game ended while typing"
    key Escape
    wait_menu 10 || fail "no pictures: Escape did not return to the menu"
  else
    fail "no pictures: the round did not start"
  fi
  key Escape
else
  fail "no pictures or sounds: no menu"
fi
wait_exit 15
[ "$game_status" -eq 0 ] || fail "no pictures or sounds: status $game_status"
finish
