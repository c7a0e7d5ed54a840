#!/usr/bin/env bash
# Sound through a real sound server: the game, started with no audio driver chosen, plays into
# PulseAudio, and a recording of the server's output holds the menu music, then the effects
# for Down, Enter and a hit, each after its key and before the next step.
# Usage: desktop_sound.sh GAME TOOLS_DIR
source "$(dirname "$0")/desktop_lib.sh" "$1" "$2"
start_recorded_desktop

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
sleep 2
up_at=$(now)
key Up # back to the round's entry
sleep 2
enter_at=$(now)
key Return
wait_round 15 || fail "Enter did not start the round"
sleep 2 # the first letters come in
typing_at=$(now)
type_until_hit 0 typed
typed_at=$(now)
[ -n "$hit" ] || fail "no typed letter scored"
sleep 0.5
key Escape
wait_menu 10 || fail "Escape did not return to the menu"
key Escape
wait_exit 10
[ "$game_status" -eq 0 ] || fail "Escape in the menu ended the game with status $game_status"
stop_server "$recorder"

# The game's own sounds as the server carries them: 44100 Hz 16-bit stereo. The music is
# looked for in half-second pieces of its first three seconds, each short enough to lie between
# two of a loaded machine's underruns; the first piece found tells where the music began. The
# effects are looked for by their first 0.3 s, their loudest part against the music beneath.
raw() { sox -V1 "$work/game/$1.ogg" -t raw -r 44100 -e signed -b 16 -c 2 "$work/$2.raw" "${@:3}"; }
pieces=()
for at in 0 0.5 1 1.5 2 2.5; do
  raw backgroundmusic_menu "music@$at" trim "$at" 0.5
  pieces+=("$work/music@$at.raw")
done
for sound in laser fx1 tubo5; do raw "$sound" "$sound" trim 0 0.3; done
declare -A onset
while read -r name hits; do
  name=${name%.raw}
  first=${hits%% *}
  first=${first%%:*}
  if [ "${name%@*}" = music ]; then
    # The music plays alone in the menu, so a piece of it matches all but perfectly; weaker
    # likenesses are the music resembling itself elsewhere. An underrun only delays what
    # follows it, so the earliest start any piece gives is the nearest to the truth.
    for hit in $hits; do
      awk -v s="${hit#*:}" 'BEGIN { exit !(s >= 0.8) }' || continue
      began=$(awk -v t="${hit%%:*}" -v o="${name#*@}" 'BEGIN { printf "%.3f", t - o }')
      echo "menu music from ${name#*@} s at $hit: begun at $began"
      prior=${onset[backgroundmusic_menu]:-}
      if [ -z "$prior" ] || awk -v a="$began" -v b="$prior" 'BEGIN { exit !(a < b) }'; then
        onset[backgroundmusic_menu]=$began
      fi
      break
    done
    continue
  fi
  echo "$name: ${hits:-not found}"
  onset[$name]=$first
done < <(/usr/bin/python3 "$DESKTOP_DIR/desktop_read.py" find "$work/sound.raw" "$work/sound.time" \
  "${pieces[@]}" "$work"/{laser,fx1,tubo5}.raw)

# Each sound begins after the moment that sets it off and before the next one: the windows
# come from the test's own steps, so a slow machine delays a sound without failing it.
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
after laser "$down_at" "$up_at"
after fx1 "$enter_at" "$typing_at"
after tubo5 "$typing_at" "$(plus "$typed_at" 1)"
desktop_finish
