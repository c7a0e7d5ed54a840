# Shared by the desktop tests: a private desktop stack of real servers (Xorg with the dummy video
# driver, openbox, PulseAudio, or weston with Xwayland), each started here and ended by its PID,
# and the game started on it as a player starts it: no SDL variable set.
# Usage: source desktop_lib.sh GAME_BINARY
source "$(dirname "${BASH_SOURCE[0]}")/../game/e2e_lib.sh" "$1"
# The test tools built beside the tests (randr_watch, close_request).
randr_watch=${2:-}/randr_watch
close_request=${2:-}/close_request
DESKTOP_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
server_pids=()

stop_server() { # PID: ends one server and forgets it
  local i
  for i in "${!server_pids[@]}"; do
    [ "${server_pids[i]}" = "$1" ] || continue
    kill "$1" 2>/dev/null
    wait "$1" 2>/dev/null
    unset 'server_pids[i]'
  done
}

desktop_cleanup() {
  if [ -n "$game_pid" ] && kill -0 "$game_pid" 2>/dev/null; then kill -9 "$game_pid" 2>/dev/null; fi
  local i pids=("${server_pids[@]}")
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do stop_server "${pids[i]}"; done
  [ -n "${desktop_display:-}" ] && rm -f "/tmp/.X${desktop_display}-lock" "/tmp/.X11-unix/X${desktop_display}"
  cleanup
}
trap desktop_cleanup EXIT

add_server() { # PID
  server_pids+=("$1")
}

# Skips (77) when a tool of the stack is missing, or fails when REQUIRE_DISPLAY=1 says the
# machine must have it (the test command's set-up installs every one).
need_tools() {
  local t missing=()
  for t in "$@"; do command -v "$t" >/dev/null || missing+=("$t"); done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "${REQUIRE_DISPLAY:-0}" = 1 ]; then
    echo "FAIL: missing ${missing[*]}"
    exit 1
  fi
  echo "skipped: missing ${missing[*]}"
  exit 77
}

# Polls COMMAND... every 0.1 s for up to $1 seconds; true once it succeeds.
wait_for() {
  local limit=$(($1 * 10)) i=0
  shift
  while [ $i -lt $limit ]; do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
    i=$((i + 1))
  done
  return 1
}

free_display() {
  local n=${1:-40}
  while [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ]; do n=$((n + 1)); done
  echo "$n"
}

# Xorg with the dummy video driver: a 1920 x 1080 desktop that offers other modes, 1024 x 768 at
# 60 and 85 Hz among them, or those of config file $1 here. Sets DISPLAY.
start_xorg() {
  need_tools Xorg xrandr xdpyinfo
  desktop_display=$(free_display 40)
  Xorg ":$desktop_display" -config "$DESKTOP_DIR/${1:-xorg-dummy.conf}" -noreset -nolisten tcp \
    -logfile "$work/xorg.log" >"$work/xorg.out" 2>&1 &
  add_server $!
  export DISPLAY=":$desktop_display"
  if ! wait_for 60 xdpyinfo; then
    echo "FAIL: Xorg did not start on $DISPLAY:"
    tail -n 20 "$work/xorg.out"
    exit 1
  fi
}

# Xvfb, the one-mode server the other end-to-end tests use, on a private display. Sets DISPLAY.
start_xvfb() {
  need_tools Xvfb xdpyinfo
  desktop_display=$(free_display 40)
  Xvfb ":$desktop_display" -screen 0 1024x768x24 -nolisten tcp -noreset >"$work/xvfb.out" 2>&1 &
  add_server $!
  export DISPLAY=":$desktop_display"
  if ! wait_for 60 xdpyinfo; then
    echo "FAIL: Xvfb did not start on $DISPLAY:"
    tail -n 20 "$work/xvfb.out"
    exit 1
  fi
}

# openbox, ready once it has announced itself on the root window; with config file $1 here
# instead of its own when given.
start_wm() {
  need_tools openbox xprop
  local config=()
  [ -n "${1:-}" ] && config=(--config-file "$DESKTOP_DIR/$1")
  openbox --sm-disable "${config[@]}" >"$work/openbox.log" 2>&1 &
  add_server $!
  if ! wait_for 30 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'; then
    echo "FAIL: openbox did not start:"
    cat "$work/openbox.log"
    exit 1
  fi
}

# PulseAudio of its own with a null sink "letterfight" as the default; the game finds it through
# XDG_RUNTIME_DIR as a desktop session's programs do.
start_pulse() {
  need_tools pulseaudio pactl parec
  export XDG_RUNTIME_DIR="$work/run" HOME="$work/home"
  mkdir -p "$XDG_RUNTIME_DIR" "$HOME"
  chmod 700 "$XDG_RUNTIME_DIR"
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit \
    --load=module-native-protocol-unix --load="module-null-sink sink_name=letterfight" \
    --load=module-always-sink >"$work/pulse.log" 2>&1 &
  add_server $!
  if ! wait_for 30 pactl info; then
    echo "FAIL: PulseAudio did not start:"
    cat "$work/pulse.log"
    exit 1
  fi
  pactl set-default-sink letterfight
}

# Records what the sound server plays (the null sink's monitor) into $work/sound.raw, with
# $work/sound.time holding the wall-clock time of its first sample.
start_recording() {
  rm -f "$work/sound.raw" "$work/sound.time"
  # (parec complains of the broken pipe when the recording ends: nothing to see.)
  parec -d letterfight.monitor --raw --format=s16le --rate=44100 --channels=2 --latency-msec=10 \
    2>/dev/null |
    /usr/bin/python3 "$DESKTOP_DIR/desktop_read.py" record "$work/sound.raw" "$work/sound.time" &
  add_server $!
  recorder=$!
  wait_for 10 test -s "$work/sound.time" || { echo "FAIL: parec recorded nothing"; exit 1; }
}

# The game copied without the round's music, on Xorg with openbox and PulseAudio, the sound
# server's output being recorded: the hit sound, short and quiet beside the music, then stands
# alone in the recording, and the way a sound takes to the speaker is the same without it.
start_recorded_desktop() {
  need_tools sox
  copy_game
  rm "$work/game/backgroundmusic_game.ogg"
  start_xorg
  start_wm
  start_pulse
  start_recording
}

# The RandR watch: every mode the screen's CRTC takes, one line each, in $work/modes.
start_mode_watch() {
  "$randr_watch" >"$work/modes" 2>&1 &
  add_server $!
  wait_for 10 grep -q ready "$work/modes" || { echo "FAIL: the mode watch did not start"; exit 1; }
}

# The game from another directory with nothing SDL-specific in its environment.
start_desktop_game() {
  (cd "$work/elsewhere" && exec env -u SDL_VIDEODRIVER -u SDL_AUDIODRIVER -u SDL_DISKAUDIOFILE \
    "$@" "$game" >"$work/out" 2>"$work/err") &
  game_pid=$!
}

# The starred mode of the connected output, as "NAME RATE" ("1024x768_85 85.00").
current_mode() {
  xrandr 2>/dev/null | awk '/ connected/ { on = 1; next } /^[^ ]/ { on = 0 }
    on && /\*/ { for (i = 2; i <= NF; i++) if ($i ~ /\*/) { r = $i; gsub(/[*+]/, "", r); print $1, r; exit } }'
}

# Waits up to $2 seconds until the mode's name is $1; sets mode_wait to the seconds it took.
wait_mode() {
  local start=$EPOCHREALTIME limit=$(($2 * 20)) i=0
  while [ $i -lt $limit ]; do
    read -r mode_name mode_rate <<<"$(current_mode)"
    if [ "$mode_name" = "$1" ]; then
      mode_wait=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.2f", b - a }')
      return 0
    fi
    sleep 0.05
    i=$((i + 1))
  done
  return 1
}

# The screen's top-left 1024 x 768, where the full-screen game lies whatever the desktop's size.
shot() {
  xwd -root -silent >"$work/$1.xwd"
  /usr/bin/convert "xwd:$work/$1.xwd" -crop 1024x768+0+0 +repage -depth 8 "rgb:$work/$1.rgb"
}
save_shot() { /usr/bin/convert "xwd:$work/$1.xwd" -crop 1024x768+0+0 +repage "$2"; }

# The seconds the round's clock shows in capture $1 (-1 when none is drawn).
clock_state() { /usr/bin/python3 "$DESKTOP_DIR/desktop_read.py" clock "$work/$1.rgb" "$work/game/arial.ttf"; }

# The round's score in capture $1 (-1 when none is drawn).
score_value() { /usr/bin/python3 "$DESKTOP_DIR/desktop_read.py" score "$work/$1.rgb" "$work/game/arial.ttf"; }

# Types a to z, one at a time, starting from score $1, until a key makes the score rise (a
# typed letter that is not on the screen costs points, one that is scores); sets hit to the
# letter that scored (empty when none did) and points to the score then. Capture $2 holds the
# screen after the last key.
type_until_hit() {
  local letter
  hit=""
  points=$1
  for letter in a b c d e f g h i j k l m n o p q r s t u v w x y z; do
    key "$letter"
    shot "$2"
    local was=$points
    points=$(score_value "$2")
    if [ "$points" -gt "$was" ]; then
      hit=$letter
      return 0
    fi
  done
  return 1
}

# From the menu: Enter, then, once the first letters are in, letters typed until one scores.
# Ends the test when no round starts; says so and is false when nothing scored. A round starts
# at 0, below which a miss cannot take it, so here any change of the score line is a hit; that
# needs no digits read, which a capture scaled from another screen size may blur.
play_to_first_hit() {
  key Return
  if ! wait_round 15; then
    fail "Enter did not start the round"
    desktop_finish
  fi
  sleep 2 # the first letters come in
  type_until_scored "${score[1]}" typed
  [ -n "$hit" ] && echo "scored with '$hit'" && return 0
  fail "no typed letter scored"
  return 1
}

# Shows another program's window (xlogo, class name $1) and makes it the active one; sets other.
show_other_window() {
  xlogo -name "$1" -geometry 300x200+100+100 2>/dev/null &
  add_server $!
  wait_for 10 sh -c "xdotool search --onlyvisible --classname $1 | grep -q ." ||
    fail "the other window did not show"
  other=$(xdotool search --onlyvisible --classname "$1" | head -n 1)
  xdotool windowactivate "$other"
  wait_for 5 sh -c "[ \"\$(xdotool getactivewindow)\" = $other ]" ||
    fail "the other window did not become the active one"
}

game_window() { xdotool search --onlyvisible --pid "$game_pid" 2>/dev/null | head -n 1; }

desktop_finish() {
  if [ $failed -ne 0 ]; then
    local f
    for f in xorg.out openbox.log pulse.log weston.out weston.log; do
      [ -s "$work/$f" ] && { echo "--- $f:"; tail -n 15 "$work/$f"; }
    done
  fi
  # KEEP=DIR keeps a failed run's captures, recordings and logs for a look.
  [ $failed -ne 0 ] && [ -n "${KEEP:-}" ] && cp -r "$work" "$KEEP"
  finish
}

# weston's headless compositor with Xwayland on a 1920 x 1080 output. weston picks the X display
# itself (the first free one) and starts Xwayland on the first X client; both are ready once
# xdpyinfo answers there. Sets DISPLAY, weston_pid and xwayland_pid. Xwayland is weston's child
# and ends with it; it inherits weston's blocked SIGTERM and SIGINT, so only signals such as
# SIGKILL or SIGSEGV end it on its own. weston starts a new Xwayland after one has gone, but
# weston 10 may then abort in its window manager (a cairo assertion), so a test that takes
# Xwayland away starts a new weston for what comes after.
start_weston_xwayland() {
  need_tools weston Xwayland xdpyinfo
  local run="$work/wayland"
  mkdir -p "$run"
  chmod 700 "$run"
  # Xorg and Xvfb make the socket folder themselves; weston only binds inside it.
  [ -d /tmp/.X11-unix ] || mkdir -m 1777 /tmp/.X11-unix
  # weston adds to its log; this start's lines are the ones after the lines there are now.
  touch "$work/weston.log"
  local from=$(($(wc -l <"$work/weston.log") + 1))
  XDG_RUNTIME_DIR="$run" weston --backend=headless-backend.so --xwayland --socket=letterfight \
    --width=1920 --height=1080 --log="$work/weston.log" >>"$work/weston.out" 2>&1 &
  weston_pid=$!
  add_server $weston_pid
  if ! wait_for 30 sh -c "tail -n +$from '$work/weston.log' | grep -q 'xserver listening on display'"; then
    echo "FAIL: weston did not offer an X display:"
    tail -n 20 "$work/weston.log" "$work/weston.out"
    exit 1
  fi
  desktop_display=$(tail -n +$from "$work/weston.log" |
    sed -n 's/.*xserver listening on display :\([0-9]*\).*/\1/p' | head -n 1)
  export DISPLAY=":$desktop_display"
  if ! wait_for 30 xdpyinfo; then
    echo "FAIL: Xwayland did not answer on $DISPLAY:"
    tail -n 20 "$work/weston.log" "$work/weston.out"
    exit 1
  fi
  xwayland_pid=$(tail -n +$from "$work/weston.log" |
    sed -n 's/.*Spawned Xwayland server, pid \([0-9]*\).*/\1/p' | head -n 1)
  [ -n "$xwayland_pid" ] || { echo "FAIL: weston did not say which Xwayland it started"; exit 1; }
}
