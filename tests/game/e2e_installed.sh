#!/usr/bin/env bash
# The installed game (cmake --install into a scratch prefix) starts through its bin/ link,
# finds its files, shows the menu and ends with status 0 on Escape.
# Usage: e2e_installed.sh BUILD_DIR
set -u
build=$1
source "$(dirname "$0")/e2e_lib.sh" "$build/bin/letterfight"
need_display
if ! cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1; then
  cat "$work/install.log"
  fail "cmake --install failed"
  finish
fi
mkdir -p "$work/elsewhere"
game="$work/prefix/bin/letterfight"
start_game
if wait_menu 30; then
  [ $((menu[3] - menu[2])) -gt 250 ] || fail "installed: not drawn in arial.ttf"
  key Escape
else
  fail "installed: no menu"
fi
wait_exit 15
[ "$game_status" -eq 0 ] || fail "installed: status $game_status"
finish
