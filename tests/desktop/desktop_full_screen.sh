#!/usr/bin/env bash
# On a real X server with display modes and a window manager, the game switches the display to
# 1024 x 768 at 85 Hz while it runs, draws its menu and a round correctly in that mode, and after
# BEENDEN the desktop is back at 1920 x 1080, switched once there and once back.
# Usage: desktop_full_screen.sh GAME TOOLS_DIR [SHOTS_DIR]
source "$(dirname "$0")/desktop_lib.sh" "$1" "$2"
shots=${3:-}
copy_game
start_xorg
start_wm
start_pulse
read -r desktop_mode _ <<<"$(current_mode)"
[ "$desktop_mode" = 1920x1080 ] || fail "the desktop starts in $desktop_mode, not 1920x1080"
start_mode_watch

start_desktop_game
if ! wait_menu 30; then
  fail "no menu within 30 s"
  desktop_finish
fi
read -r name rate <<<"$(current_mode)"
echo "menu shown in $name at $rate Hz"
[ "$name" = 1024x768_85 ] && [ "${rate%.*}" = 85 ] ||
  fail "the menu shows in $name at $rate Hz, not 1024x768 at 85 Hz"
check_first_menu
[ $((first[3] - first[2])) -gt 250 ] || fail "menu: the light-red entry is too narrow: ${first[*]}"
[ -n "$shots" ] && save_shot menu_wait "$shots/desktop_menu.png"

play_to_first_hit
[ -n "$shots" ] && save_shot typed "$shots/desktop_round.png"
read -r name _ <<<"$(current_mode)"
[ "$name" = 1024x768_85 ] || fail "the round runs in $name"

key Escape
wait_menu 10 || fail "Escape did not return to the menu"
for step in 1 2 3 4; do
  key Down
  sleep 0.2
done
key Return
wait_exit 10
[ "$game_status" -eq 0 ] || fail "BEENDEN ended the game with status $game_status"
wait_mode 1920x1080 2 && echo "desktop mode back after ${mode_wait} s" ||
  fail "the desktop is in $(current_mode) 2 s after BEENDEN"
sleep 0.5
switches=$(grep -v ready "$work/modes" | grep -v off | tr '\n' ' ')
[ "$switches" = "1024x768 1920x1080 " ] || fail "the screen took the modes: $switches"
desktop_finish
