#!/usr/bin/env bash
# Key to audible sound through a real sound server: the game on Xorg with openbox and PulseAudio,
# the server's output recorded, and for 20 hits in a round the time from the key's delivery
# (xdotool having returned) to the first sample of the hit sound in the recording.
# Usage: bash bench/key_to_sound.sh [GAME] [TOOLS_DIR]   (defaults: build/bin/letterfight, build/tests)
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tests/desktop/desktop_lib.sh" "${1:-$root/build/bin/letterfight}" "${2:-$root/build/tests}"
hits_wanted=20
start_recorded_desktop
start_desktop_game
wait_menu 30 || { echo "no menu"; exit 1; }
key Return
wait_round 15 || { echo "no round"; exit 1; }
sleep 2
# What the server holds of the game's stream: SDL's buffer on the way to the speaker.
pactl list sink-inputs | grep -E "Buffer Latency|Sink Latency" | sed 's/^[[:space:]]*/sound server: /'

# Types a to z until the score rises; the time the scoring key was delivered goes to
# $work/keys.
: >"$work/keys"
hits=0
points=0
while [ $hits -lt $hits_wanted ] && running; do
  for letter in a b c d e f g h i j k l m n o p q r s t u v w x y z; do
    xdotool key "$letter"
    delivered=$EPOCHREALTIME
    sleep 0.15 # the hit shows in the next frames
    shot round_wait
    was=$points
    points=$(score_value round_wait)
    if [ "$points" -gt "$was" ]; then
      echo "$delivered" >>"$work/keys"
      hits=$((hits + 1))
      break
    fi
  done
  sleep 0.6 # the hit sound ends before the next key
done
key Escape
wait_menu 10
key Escape
wait_exit 10
stop_server "$recorder"

sox -V1 "$work/game/tubo5.ogg" -t raw -r 44100 -e signed -b 16 -c 2 "$work/tubo5.raw" 
/usr/bin/python3 "$DESKTOP_DIR/desktop_read.py" find "$work/sound.raw" "$work/sound.time" \
  "$work/tubo5.raw" | cut -d' ' -f2- | tr ' ' '\n' | cut -d: -f1 >"$work/onsets"
/usr/bin/python3 - "$work/keys" "$work/onsets" <<'PY'
import statistics, sys
keys = [float(x) for x in open(sys.argv[1]).read().split()]
onsets = sorted(float(x) for x in open(sys.argv[2]).read().split())
delays = []
for k in keys:
    after = [o - k for o in onsets if 0 <= o - k < 0.5]
    if after:
        delays.append(after[0] * 1000)
print(f"hits {len(keys)}, hit sounds found {len(delays)}")
if delays:
    print(f"key to sound: median {statistics.median(delays):.1f} ms, best {min(delays):.1f} ms, "
          f"worst {max(delays):.1f} ms")
PY
