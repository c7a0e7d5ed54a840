#!/usr/bin/env bash
# Every asset file missing at once: the game shows its menu in the built-in font, plays a
# silent round on a black screen and ends with status 0.
# Usage: e2e_no_assets.sh GAME
source "$(dirname "$0")/e2e_lib.sh" "$1"
need_display
copy_game
find "$work/game" -type f ! -name letterfight -delete
[ "$(ls "$work/game")" = letterfight ] || fail "assets left beside the game: $(ls "$work/game")"

start_game
if wait_menu 30; then
  width=$((menu[3] - menu[2]))
  # "LETTER FIGHT" in the 8-pixel built-in font at 1.5 times: 144 pixels; in Arial over 300.
  [ "$width" -lt 200 ] && [ "$width" -gt 100 ] || fail "the selected entry is $width px wide"
  [ "${menu[4]}" -eq 4 ] || fail "expected four more entries below, got ${menu[*]}"
  key Return
  if wait_round 15; then
    zero=("${score[@]}")
    sleep 2 # the first wave
    for letter in a b c d e f g h i j k l m n o p q r s t u v w x y z; do key "$letter"; done
    running || fail "the game ended while typing"
    shot typed
    read -r -a s <<<"$(score_state typed)"
    [ "${s[0]}" -gt 50 ] || fail "no score line after typing: ${s[*]}"
    key Escape
    wait_menu 10 || fail "Escape did not return to the menu"
  else
    fail "the round did not start"
  fi
  key Escape
else
  fail "no menu"
fi
wait_exit 15
[ "$game_status" -eq 0 ] || fail "status $game_status"
[ "$(loudness 0)" -eq 0 ] || fail "without sound files the game was not silent"
finish
