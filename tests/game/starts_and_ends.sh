#!/usr/bin/env bash
# Starts the game from a directory other than its own and expects a clean end: status 0, and
# nothing on standard error when the sound device opens. With no sound card at all, the sound
# library may complain on standard error; the game must still end cleanly.
set -u
game="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

failed=0
run() {
  local label="$1" quiet="$2"
  shift 2
  env "$@" timeout 60 "$game" >"$work/out" 2>"$work/err"
  local status=$?
  if [ "$status" -ne 0 ]; then
    echo "$label: letterfight ended with status $status"
    cat "$work/err"
    failed=1
  elif [ "$quiet" = quiet ] && [ -s "$work/err" ]; then
    echo "$label: letterfight wrote to standard error:"
    cat "$work/err"
    failed=1
  else
    echo "$label: ended with status 0"
  fi
}

run "sound device" quiet SDL_AUDIODRIVER=dummy
run "no sound device" noisy SDL_AUDIODRIVER=alsa AUDIODEV=nonexistent
exit $failed
