#!/usr/bin/env bash
# Plays the built game as a player would: the menu and its selection, a round started with
# Enter, a letter typed that scores and sounds, Escape back to the menu, and BEENDEN.
# Usage: e2e_play.sh GAME [SHOTS_DIR]  (SHOTS_DIR receives menu.png and round.png)
source "$(dirname "$0")/e2e_lib.sh" "$1"
shots=${2:-}
need_display
copy_game
# Without the round's music the only sound in a round is the hit sound; the game must also do
# without that file.
rm "$work/game/backgroundmusic_game.ogg"
start_game

if ! wait_menu 30; then
  fail "no menu with a light-red entry within 30 s"
  finish
fi
check_first_menu
[ $((first[3] - first[2])) -gt 250 ] ||
  fail "menu: the light-red entry is $((first[3] - first[2])) px wide, too narrow for arial.ttf"
[ -n "$shots" ] && save_shot menu_wait "$shots/menu.png"

key Down
shot down
read -r -a m <<<"$(menu_state down)"
[ "${m[0]}" -gt $((first[0] + 30)) ] && [ "${m[4]}" -eq 3 ] && [ "${m[5]}" -eq 1 ] ||
  fail "Down did not select the second entry: ${m[*]} (first entry at ${first[0]})"
key Up
shot up
read -r -a m <<<"$(menu_state up)"
[ "${m[0]}" -eq "${first[0]}" ] && [ "${m[4]}" -eq 4 ] || fail "Up did not select the first entry again: ${m[*]}"

key Return
if ! wait_round 15; then
  fail "Enter on LETTER FIGHT did not start the round"
  finish
fi
zero=("${score[@]}")
sleep 2 # the first letter comes after a second; the confirm sound dies away
quiet_from=$(sound_bytes)
hit=""
for letter in a b c d e f g h i j k l m n o p q r s t u v w x y z; do
  before=$(sound_bytes)
  key "$letter"
  sleep 0.3
  if [ "$(loudness "$before")" -gt 1000 ]; then
    hit=$letter
    break
  fi
done
if [ -z "$hit" ]; then
  fail "typing every letter from a to z played no hit sound"
else
  echo "hit with '$hit'"
  # Misses are silent: what was heard came with the hit.
  quiet=$(loudness "$quiet_from" "$before")
  [ "$quiet" -lt 300 ] || fail "the round was not silent before the hit (peak $quiet)"
  shot scored
  read -r -a s <<<"$(score_state scored)"
  [ "${s[1]}" != "${zero[1]}" ] || fail "the score line did not change after the hit"
  [ -n "$shots" ] && save_shot scored "$shots/round.png"
fi

key Escape
if wait_menu 10; then
  [ "${menu[0]}" -eq "${first[0]}" ] || fail "back in the menu, the first entry is not selected: ${menu[*]}"
else
  fail "Escape did not return to the menu"
fi

# One key per frame at least: presses of one key within a frame count once.
for step in 1 2 3 4; do
  key Down
  sleep 0.2
done
shot beenden
read -r -a m <<<"$(menu_state beenden)"
[ "${m[4]}" -eq 0 ] && [ "${m[5]}" -eq 4 ] || fail "four Downs did not select BEENDEN: ${m[*]}"
key Return
wait_exit 10
[ "$game_status" -eq 0 ] || fail "BEENDEN: the game ended with status $game_status"
finish
