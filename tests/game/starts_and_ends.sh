#!/usr/bin/env bash
# Starts the game from a directory other than its own and expects a clean end: status 0 and
# nothing on standard error.
set -u
game="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
timeout 60 "$game" >"$work/out" 2>"$work/err"
status=$?
if [ "$status" -ne 0 ]; then
  echo "letterfight ended with status $status"
  cat "$work/err"
  exit 1
fi
if [ -s "$work/err" ]; then
  echo "letterfight wrote to standard error:"
  cat "$work/err"
  exit 1
fi
echo "letterfight ended with status 0"
