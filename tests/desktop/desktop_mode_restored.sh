#!/usr/bin/env bash
# However the game ends, the desktop has its own mode (1920 x 1080) back within 2 s, switched
# back exactly once: BEENDEN, Escape in the menu, the close request, SIGTERM (all through the
# exit actions), and a crash, an abort and SIGKILL (where the guardian process restores it).
# Usage: desktop_mode_restored.sh GAME TOOLS_DIR
source "$(dirname "$0")/desktop_lib.sh" "$1" "$2"
copy_game
start_xorg
start_wm
start_pulse
start_mode_watch

# way  expected status
ends=(
  "beenden 0"
  "escape 0"
  "close 0"
  "sigterm 255"
  "sigsegv 255"
  "sigabrt 255"
  "sigkill 137"
)
for entry in "${ends[@]}"; do
  read -r way expected <<<"$entry"
  seen=$(wc -l <"$work/modes")
  start_desktop_game
  if ! wait_menu 30 || ! wait_mode 1024x768_85 5; then
    fail "$way: no menu in 1024x768_85 (mode $(current_mode))"
    wait_exit 1
    continue
  fi
  guardian=$(pgrep -P "$game_pid" -x "mode guardian")
  [ -n "$guardian" ] || fail "$way: no guardian process beside the game"
  case $way in
    beenden)
      for step in 1 2 3 4; do
        key Down
        sleep 0.2
      done
      key Return
      ;;
    escape) key Escape ;;
    close) "$close_request" "$game_pid" || fail "close: the request could not be sent" ;;
    sigterm) kill -TERM "$game_pid" ;;
    sigsegv) kill -SEGV "$game_pid" ;;
    sigabrt) kill -ABRT "$game_pid" ;;
    sigkill) kill -KILL "$game_pid" ;;
  esac
  wait_exit 15
  [ "$game_status" -eq "$expected" ] || fail "$way: status $game_status, expected $expected"
  if wait_mode 1920x1080 2; then
    echo "$way: status $game_status, desktop mode back after $mode_wait s"
  else
    fail "$way: the desktop is in $(current_mode) 2 s after the end"
  fi
  # The guardian has gone too, and nothing switches the mode afterwards.
  wait_for 5 sh -c "! kill -0 $guardian 2>/dev/null" || fail "$way: the guardian outlived the game"
  sleep 0.5
  switches=$(tail -n +$((seen + 1)) "$work/modes" | grep -v off | tr '\n' ' ')
  [ "$switches" = "1024x768 1920x1080 " ] || fail "$way: the screen took the modes: $switches"
done
desktop_finish
