#!/usr/bin/env bash
# A window manager that gives new windows no focus: with another program's window active and
# openbox told to focus nothing that appears (a second ordinary window shows it), the
# full-screen game still ends up with the keyboard, shows its menu in 1024 x 768, takes keys,
# and ends as usual with the desktop's mode back.
# Usage: desktop_no_focus.sh GAME TOOLS_DIR
source "$(dirname "$0")/desktop_lib.sh" "$1" "$2"
need_tools xlogo xdotool
copy_game
start_xorg
start_wm openbox-no-focus.xml
start_pulse

show_other_window desktop_other_window

xlogo -name desktop_new_window -geometry 200x100+500+100 2>/dev/null &
add_server $!
wait_for 10 sh -c 'xdotool search --onlyvisible --classname desktop_new_window | grep -q .' ||
  fail "the second window did not show"
sleep 0.5
[ "$(xdotool getactivewindow)" = "$other" ] || fail "the window manager focused a new window"

start_desktop_game
if ! wait_menu 30; then
  fail "no menu within 30 s (mode $(current_mode))"
  desktop_finish
fi
first=("${menu[@]}")
game=$(game_window)
wait_for 5 sh -c "[ \"\$(xdotool getactivewindow)\" = $game ]" ||
  fail "the game is not the active window (the active one is $(xdotool getactivewindow))"
read -r name _ <<<"$(current_mode)"
[ "$name" = 1024x768_85 ] || fail "the menu shows in $name"
key Down
shot focused
read -r -a m <<<"$(menu_state focused)"
[ "${m[0]}" -gt "${first[0]}" ] && [ "${m[4]}" -eq 3 ] ||
  fail "Down did not select the second entry: ${m[*]}"
key Escape
wait_exit 10
[ "$game_status" -eq 0 ] || fail "Escape in the menu ended the game with status $game_status"
wait_mode 1920x1080 2 || fail "the display is in $(current_mode) 2 s after the game ended"
desktop_finish
