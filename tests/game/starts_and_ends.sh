#!/usr/bin/env bash
# Starts the game from a directory other than its own and ends it with Escape: status 0, and
# nothing on standard error when the sound device opens. With no sound card at all the sound
# library may complain on standard error; the game must still run and end cleanly. Without a
# display the game says why on one line and ends with a non-zero status.
# Usage: starts_and_ends.sh GAME
source "$(dirname "$0")/e2e_lib.sh" "$1"
copy_game

# No display: this part runs everywhere.
(cd "$work/elsewhere" && env DISPLAY=:9999 SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
  timeout 30 "$game" >"$work/out" 2>"$work/err")
status=$?
if [ "$status" -eq 0 ] || [ "$status" -eq 124 ]; then
  fail "without a display: status $status"
elif ! grep -q "^letterfight: cannot open the 1024 x 768 screen: " "$work/err"; then
  fail "without a display: no reason on standard error"
else
  echo "no display: status $status, '$(head -1 "$work/err")'"
fi

[ $failed -eq 0 ] || finish
need_display
run() {
  local label="$1" quiet="$2"
  shift 2
  start_game "$@"
  if ! wait_menu 30; then
    fail "$label: no menu"
  else
    key Escape
  fi
  wait_exit 15
  if [ "$game_status" -ne 0 ]; then
    fail "$label: letterfight ended with status $game_status"
  elif [ "$quiet" = quiet ] && [ -s "$work/err" ]; then
    fail "$label: letterfight wrote to standard error: $(cat "$work/err")"
  else
    echo "$label: ended with status 0"
  fi
}
run "sound device" quiet SDL_AUDIODRIVER=dummy
run "no sound device" noisy SDL_AUDIODRIVER=alsa AUDIODEV=nonexistent
finish
