#!/usr/bin/env bash
# The game under Xwayland in weston's headless compositor: it opens full screen at the output's
# size (Xwayland only pretends to switch modes) with its picture scaled to it and the pointer
# in its middle, draws its menu, takes keys, plays a round and ends with status 0, and Xwayland
# is still the same process afterwards. When Xwayland goes away under the menu or a round, the
# game ends within 2 s with one line on standard error and a failure status.
# Usage: desktop_xwayland.sh GAME TOOLS_DIR
source "$(dirname "$0")/desktop_lib.sh" "$1" "$2"
need_tools xdotool xwininfo xwd
copy_game
start_weston_xwayland
start_pulse

# A rootless Xwayland has no picture of its root window, so the capture is the game's window:
# the whole output (the game takes the desktop's size there), scaled to the 1024 x 768 the
# checks read. Before the window shows, the capture is black.
shot() {
  local window
  window=$(game_window)
  rm -f "$work/$1.xwd" "$work/$1.rgb"
  if [ -n "$window" ] && xwd -id "$window" -silent >"$work/$1.xwd" 2>/dev/null; then
    /usr/bin/convert "xwd:$work/$1.xwd" -resize '1024x768!' -depth 8 "rgb:$work/$1.rgb" 2>/dev/null
  fi
  [ -s "$work/$1.rgb" ] || head -c $((1024 * 768 * 3)) /dev/zero >"$work/$1.rgb"
}

server_crashes() { grep -c "Segmentation fault at address" "$work/weston.out"; }

# --- A whole game.
first_xwayland=$xwayland_pid
start_desktop_game
if ! wait_menu 30; then
  fail "no menu within 30 s (Xwayland crashes: $(server_crashes))"
  desktop_finish
fi
check_first_menu
size=$(xwininfo -id "$(game_window)" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
[ "$size" = 1920x1080 ] || fail "the game's window is $size, not the output's 1920x1080"
# The picture fills the window: its corners away from the bottom left are drawn too.
corner=$(/usr/bin/convert "xwd:$work/menu_wait.xwd" -crop 64x64+1856+0 +repage -format '%[fx:maxima]' info:)
awk -v c="$corner" 'BEGIN { exit !(c > 0.05) }' || fail "the window's top-right corner is black"
# The warp goes through the game's window, which weston may still hold at the place it first
# gave it (its frame's offset, some tens of pixels) when the game centres the pointer.
where=$(xdotool getmouselocation 2>/dev/null)
read -r px py <<<"$(sed -n 's/^x:\([0-9]*\) y:\([0-9]*\) .*/\1 \2/p' <<<"$where")"
[ -n "$px" ] && [ $((px - 960)) -ge -100 ] && [ $((px - 960)) -le 100 ] &&
  [ $((py - 540)) -ge -100 ] && [ $((py - 540)) -le 100 ] ||
  fail "the pointer is not in the middle of the screen: $where"

key Down
shot down
read -r -a moved <<<"$(menu_state down)"
[ "${moved[4]}" -eq 3 ] && [ "${moved[5]}" -eq 1 ] ||
  fail "Down did not move the selection to the second entry: ${moved[*]}"
key Up
play_to_first_hit
key Escape
wait_menu 10 || fail "Escape did not return to the menu"
key Escape
wait_exit 10
[ "$game_status" -eq 0 ] || fail "Escape in the menu ended the game with status $game_status"
[ -s "$work/err" ] && fail "the game wrote to standard error: $(head -c 300 "$work/err")"
sleep 0.5
kill -0 "$first_xwayland" 2>/dev/null || fail "Xwayland did not outlive the game"
[ "$(server_crashes)" -eq 0 ] || fail "Xwayland crashed: $(grep -A3 'Segmentation' "$work/weston.out")"

# --- Xwayland goes away under the game: killed, or crashing (its own handler for SIGSEGV ends
# it as the server's fault did). SIGTERM does not end it: it comes blocked from weston.
# where  signal
ends=(
  "menu KILL"
  "round KILL"
  "round SEGV"
)
for entry in "${ends[@]}"; do
  read -r where signal <<<"$entry"
  stop_server "$weston_pid"
  start_weston_xwayland
  start_desktop_game
  if ! wait_menu 30; then
    fail "$where/$signal: no menu within 30 s"
    wait_exit 1
    continue
  fi
  if [ "$where" = round ]; then
    key Return
    wait_round 15 || fail "$where/$signal: Enter did not start the round"
    sleep 1
  fi
  running || fail "$where/$signal: the game ended before Xwayland did"
  gone_at=$EPOCHREALTIME
  kill -"$signal" "$xwayland_pid"
  while running && [ "$(awk -v a="$gone_at" -v b="$EPOCHREALTIME" 'BEGIN { print (b - a < 5) }')" = 1 ]; do
    sleep 0.05
  done
  took=$(awk -v a="$gone_at" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.2f", b - a }')
  wait_exit 1
  lines=$(wc -l <"$work/err")
  echo "$where/$signal: status $game_status after $took s, standard error: $(cat "$work/err")"
  awk -v t="$took" 'BEGIN { exit !(t <= 2) }' || fail "$where/$signal: the game took $took s to end"
  [ "$game_status" -ne 0 ] && [ "$game_status" -ne 999 ] ||
    fail "$where/$signal: the game ended with status $game_status"
  [ "$lines" -eq 1 ] && grep -qx "letterfight: lost the connection to the X server $DISPLAY" "$work/err" ||
    fail "$where/$signal: expected the one line about the lost X server, got $lines: $(head -c 300 "$work/err")"
done
desktop_finish
