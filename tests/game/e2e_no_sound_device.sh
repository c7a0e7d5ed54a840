#!/usr/bin/env bash
# No sound device at all: an ALSA device that does not exist, and an audio driver SDL does not
# know. The game plays silently: menu, a round with typing, Escape twice, status 0.
# Usage: e2e_no_sound_device.sh GAME
source "$(dirname "$0")/e2e_lib.sh" "$1"
need_display
copy_game

for device in "SDL_AUDIODRIVER=alsa AUDIODEV=nonexistent" "SDL_AUDIODRIVER=no-such-driver"; do
  # Word splitting makes the VAR=value pairs separate arguments on purpose.
  # shellcheck disable=SC2086
  start_game $device
  if wait_menu 30; then
    key Return
    if wait_round 15; then
      for letter in a e i o u; do key "$letter"; done
      running || fail "$device: the game ended while typing"
      key Escape
      wait_menu 10 || fail "$device: Escape did not return to the menu"
    else
      fail "$device: the round did not start"
    fi
    key Escape
  else
    fail "$device: no menu"
  fi
  wait_exit 15
  [ "$game_status" -eq 0 ] || fail "$device: status $game_status"
  [ "$(sound_bytes)" -eq 0 ] || fail "$device: sound reached the disk driver's file"
  echo "$device: status $game_status"
done
finish
