#!/usr/bin/env bash
# Installs the build into a temporary prefix as a user would (cmake --install), then checks the
# layout (the game and every file it loads in lib/letterfight/, bin/letterfight a relative link
# to it, the icons and the desktop entry where desktops look), validates the desktop entry,
# and starts the installed game through the link from an unrelated directory: it must end
# with status 0.
set -u
build="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}

if ! cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
  echo "cmake --install failed:"
  cat "$work/install.log"
  exit 1
fi

game_dir="$prefix/lib/letterfight"
[ -x "$game_dir/letterfight" ] || fail "no executable $game_dir/letterfight"
for name in arial.ttf background_menu.png background.png backgroundmusic_menu.ogg \
  backgroundmusic_game.ogg laser.ogg buiu.ogg fx1.ogg tubo5.ogg; do
  [ -s "$game_dir/$name" ] || fail "$name is not installed beside the game"
done

link="$prefix/bin/letterfight"
if [ ! -L "$link" ]; then
  fail "$link is not a link"
else
  case "$(readlink "$link")" in
    /*) fail "$link is an absolute link; the installed tree would not survive being moved" ;;
  esac
  [ "$(readlink -f "$link")" = "$(readlink -f "$game_dir/letterfight")" ] ||
    fail "$link does not lead to $game_dir/letterfight"
fi

for size in 256 48; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/letterfight.png"
  [ -s "$icon" ] || fail "no icon $icon"
done
desktop="$prefix/share/applications/letterfight.desktop"
if [ ! -f "$desktop" ]; then
  fail "no desktop entry $desktop"
elif ! command -v desktop-file-validate >/dev/null; then
  fail "desktop-file-validate is missing (package desktop-file-utils, see scripts/setup.sh)"
elif ! desktop-file-validate "$desktop"; then
  fail "desktop-file-validate rejects $desktop"
fi

# Started through the link from elsewhere, the game has to find its directory by itself.
mkdir "$work/elsewhere"
cd "$work/elsewhere"
SDL_AUDIODRIVER=dummy timeout 60 "$link" >"$work/out" 2>"$work/err"
status=$?
if [ "$status" -ne 0 ]; then
  fail "the installed game ended with status $status"
  cat "$work/err"
else
  echo "installed game started from $(pwd) ended with status 0"
fi
exit $failed
