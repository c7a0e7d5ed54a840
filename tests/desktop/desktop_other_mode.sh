#!/usr/bin/env bash
# On a display without 1024 x 768 the game takes the closest mode (1280 x 1024 here) and scales
# itself to it: the background fills the whole screen, the menu scaled back to 1024 x 768 lies
# where it lies on a 1024 x 768 screen (Xvfb), centred on the real screen, and so does the
# pointer.
# Usage: desktop_other_mode.sh GAME TOOLS_DIR
source "$(dirname "$0")/desktop_lib.sh" "$1" "$2"
copy_game
start_pulse

# The menu where the requested mode exists.
start_xvfb
start_desktop_game
if ! wait_menu 30; then
  fail "Xvfb: no menu within 30 s"
  desktop_finish
fi
reference=("${menu[@]}")
echo "menu at 1024x768: ${reference[*]}"
key Escape
wait_exit 10
stop_server "${server_pids[-1]}"

start_xorg xorg-dummy-no-1024.conf
start_wm
# Captures of the whole mode, scaled to the 1024 x 768 the checks read.
shot() {
  xwd -root -silent >"$work/$1.xwd"
  /usr/bin/convert "xwd:$work/$1.xwd" -crop 1280x1024+0+0 +repage -resize '1024x768!' -depth 8 \
    "rgb:$work/$1.rgb"
}
start_desktop_game
if ! wait_menu 30; then
  fail "no menu within 30 s (mode $(current_mode))"
  desktop_finish
fi
read -r name _ <<<"$(current_mode)"
[ "$name" = 1280x1024 ] || fail "the game took $name, not the closest mode 1280x1024"
echo "menu at $name, scaled to 1024x768: ${menu[*]}"
where=$(xdotool getmouselocation 2>/dev/null)
[[ "$where" == "x:640 y:512 "* ]] || fail "the pointer is not in the middle of the screen: $where"
for i in 0 1 2 3; do
  d=$((menu[i] - reference[i]))
  [ ${d#-} -le 3 ] || fail "the scaled menu (${menu[*]}) is not where it lies at 1024x768 (${reference[*]})"
done
[ "${menu[4]} ${menu[5]}" = "${reference[4]} ${reference[5]}" ] || fail "the scaled menu has other entries"
centre=$(((menu[2] + menu[3]) * 1280 / 2048))
[ $((centre - 640)) -ge -3 ] && [ $((centre - 640)) -le 3 ] ||
  fail "the selected entry's centre is at x $centre of 1280"
# The bottom-right corner is beyond 1024 x 768: drawn only if the game covers the whole mode.
corner=$(/usr/bin/convert "xwd:$work/menu_wait.xwd" -crop 64x64+1216+960 +repage -format '%[fx:maxima]' info:)
awk -v c="$corner" 'BEGIN { exit !(c > 0.05) }' || fail "the screen's bottom-right corner is black"
key Escape
wait_exit 10
[ "$game_status" -eq 0 ] || fail "Escape in the menu ended the game with status $game_status"
wait_mode 1920x1080 2 || fail "the display is in $(current_mode) 2 s after the game ended"
desktop_finish
