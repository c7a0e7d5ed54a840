# Shared by the end-to-end scripts: a private copy of the built game, starting it under the
# given X display with sound going to a file, keys, screen captures and checks.
# Usage: source e2e_lib.sh GAME_BINARY
set -u
[ -n "${E2E_TRACE:-}" ] && { PS4='+$EPOCHREALTIME '; set -x; }
E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_GAME_SOURCE=$1
work=$(mktemp -d)
game_pid=""
failed=0

cleanup() {
  if [ -n "$game_pid" ] && kill -0 "$game_pid" 2>/dev/null; then kill -9 "$game_pid" 2>/dev/null; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  failed=1
}

# Skips (status 77) without a display, unless REQUIRE_DISPLAY=1 makes that a failure.
need_display() {
  if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    if [ "${REQUIRE_DISPLAY:-0}" = 1 ]; then
      echo "FAIL: no X display (DISPLAY=${DISPLAY:-unset})"
      exit 1
    fi
    echo "skipped: no X display"
    exit 77
  fi
}

# Copies the game and its assets into $work/game; the tests may then remove files from it.
copy_game() {
  local from
  from=$(dirname "$E2E_GAME_SOURCE")
  mkdir -p "$work/game" "$work/elsewhere"
  cp "$E2E_GAME_SOURCE" "$work/game/letterfight"
  for f in arial.ttf background.png background_menu.png backgroundmusic_game.ogg \
    backgroundmusic_menu.ogg buiu.ogg fx1.ogg laser.ogg tubo5.ogg; do
    [ -e "$from/$f" ] && cp "$from/$f" "$work/game/"
  done
  game="$work/game/letterfight"
}

# Starts the game from another directory, sound into $work/sound.raw; extra VAR=value arguments
# go to its environment.
start_game() {
  rm -f "$work/sound.raw"
  (cd "$work/elsewhere" && exec env SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=disk \
    SDL_DISKAUDIOFILE="$work/sound.raw" "$@" "$game" >"$work/out" 2>"$work/err") &
  game_pid=$!
}

# Waits up to $1 seconds for the game to end and sets game_status (999: still running, killed).
wait_exit() {
  local limit=$(($1 * 10)) i=0
  while kill -0 "$game_pid" 2>/dev/null && [ $i -lt $limit ]; do
    sleep 0.1
    i=$((i + 1))
  done
  if kill -0 "$game_pid" 2>/dev/null; then
    kill -9 "$game_pid" 2>/dev/null
    wait "$game_pid" 2>/dev/null
    game_status=999
  else
    wait "$game_pid"
    game_status=$?
  fi
  game_pid=""
}

running() { kill -0 "$game_pid" 2>/dev/null; }

key() {
  xdotool key --delay 60 "$@"
  sleep 0.25
}

# Captures the screen as $work/$1.xwd and $work/$1.rgb. (xwd: `import -window root` takes
# seconds here while the game keeps a core busy.)
shot() {
  xwd -root -silent >"$work/$1.xwd"
  /usr/bin/convert "xwd:$work/$1.xwd" -depth 8 "rgb:$work/$1.rgb"
}

# Saves capture $1 as the PNG file $2.
save_shot() { /usr/bin/convert "xwd:$work/$1.xwd" "$2"; }

menu_state() { python3 "$E2E_DIR/e2e_screen.py" menu "$work/$1.rgb"; }
score_state() { python3 "$E2E_DIR/e2e_screen.py" score "$work/$1.rgb"; }
sound_bytes() { stat -c %s "$work/sound.raw" 2>/dev/null || echo 0; }
loudness() { python3 "$E2E_DIR/e2e_screen.py" loudness "$work/sound.raw" "$@"; }

# Waits up to $1 seconds until the menu shows a light-red entry; sets menu (top bottom left
# right below above).
wait_menu() {
  local limit=$(($1 * 4)) i=0
  menu="-1"
  while [ $i -lt "$limit" ] && running; do
    shot menu_wait
    read -r -a menu <<<"$(menu_state menu_wait)"
    [ "${menu[0]}" -ge 0 ] && return 0
    sleep 0.25
    i=$((i + 1))
  done
  return 1
}

# Keeps the menu wait_menu found in first, and checks it as the menu first shows: the light-red
# entry above four white ones.
check_first_menu() {
  first=("${menu[@]}")
  [ "${first[4]}" -eq 4 ] && [ "${first[5]}" -eq 0 ] ||
    fail "menu: expected the light-red entry above four white ones, got ${first[*]}"
}

# Types a to z, one at a time, until the score line differs from digest $1; sets hit to the
# letter that scored (empty when none did). Capture $2 holds the screen after the last key.
type_until_scored() {
  local letter s
  hit=""
  for letter in a b c d e f g h i j k l m n o p q r s t u v w x y z; do
    key "$letter"
    shot "$2"
    read -r -a s <<<"$(score_state "$2")"
    if [ "${s[1]}" != "$1" ]; then
      hit=$letter
      return 0
    fi
  done
  return 1
}

# Waits up to $1 seconds for the round's score line; sets score (count digest).
wait_round() {
  local limit=$(($1 * 4)) i=0
  while [ $i -lt "$limit" ] && running; do
    shot round_wait
    {
      read -r -a menu
      read -r -a score
    } < <(python3 "$E2E_DIR/e2e_screen.py" round "$work/round_wait.rgb")
    [ "${score[0]}" -gt 50 ] && [ "${menu[0]}" -lt 0 ] && return 0
    sleep 0.25
    i=$((i + 1))
  done
  return 1
}

finish() {
  if [ $failed -ne 0 ]; then
    echo "--- standard error of the last run:"
    cat "$work/err" 2>/dev/null
  fi
  exit $failed
}
