#!/usr/bin/env bash
# Sound through a real sound server: the game, started with no audio driver chosen, plays into
# PulseAudio, and a recording of the server's output holds the menu music, then the effects
# for Down, Enter and a hit, each just after its key.
# Usage: desktop_sound.sh GAME TOOLS_DIR
source "$(dirname "$0")/desktop_lib.sh" "$1" "$2"
need_tools sox
copy_game
start_xorg
start_wm
start_pulse
start_recording

now() { echo "$EPOCHREALTIME"; }
started_at=$(now)
start_desktop_game
if ! wait_menu 30; then
  fail "no menu within 30 s"
  desktop_finish
fi
pactl list sink-inputs | grep -q "application.process.id = \"$game_pid\"" ||
  fail "the game plays nothing into the sound server"
sleep 1
down_at=$(now)
key Down
sleep 1
key Up # back to the round's entry
sleep 1
enter_at=$(now)
key Return
wait_round 15 || fail "Enter did not start the round"
sleep 2 # the first letters come in
typing_at=$(now)
type_until_scored "${score[1]}" typed
typed_at=$(now)
[ -n "$hit" ] || fail "no typed letter scored"
sleep 0.5
key Escape
wait_menu 10 || fail "Escape did not return to the menu"
key Escape
wait_exit 10
[ "$game_status" -eq 0 ] || fail "Escape in the menu ended the game with status $game_status"
stop_server "$recorder"

# The game's own sounds as the server carries them: 44100 Hz 16-bit stereo. Three seconds of
# the menu music are enough to find where it began.
raw() { sox "$work/game/$1.ogg" -t raw -r 44100 -e signed -b 16 -c 2 "$work/$1.raw" "${@:2}"; }
raw backgroundmusic_menu trim 0 3
for sound in laser fx1 tubo5; do raw "$sound"; done
declare -A onset
while read -r name hits; do
  echo "$name: ${hits:-not found}"
  first=${hits%% *}
  onset[${name%.raw}]=${first%%:*}
done < <(/usr/bin/python3 "$DESKTOP_DIR/desktop_read.py" find "$work/sound.raw" "$work/sound.time" \
  "$work"/{backgroundmusic_menu,laser,fx1,tubo5}.raw)

# Each sound begins after the moment that sets it off, and soon after: within half a second of
# its key for the effects.
after() { # NAME FROM TO
  local at=${onset[$1]:-}
  if [ -z "$at" ]; then
    fail "$1 is not in the recording"
    return
  fi
  awk -v s="$at" -v a="$2" -v b="$3" 'BEGIN { exit !(s >= a && s <= b) }' ||
    fail "$1 begins at $at, outside $2 .. $3"
  awk -v s="$at" -v a="$2" -v n="$1" 'BEGIN { printf "%s begins %.3f s after its cue\n", n, s - a }'
}
plus() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a + b }'; }
after backgroundmusic_menu "$started_at" "$down_at"
after laser "$down_at" "$(plus "$down_at" 0.5)"
after fx1 "$enter_at" "$(plus "$enter_at" 0.5)"
after tubo5 "$typing_at" "$(plus "$typed_at" 0.5)"
desktop_finish
