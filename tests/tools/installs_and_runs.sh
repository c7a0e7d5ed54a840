#!/usr/bin/env bash
# Installs the build into a temporary prefix as a user would (cmake --install), then checks the
# layout (the game and every file it loads in lib/letterfight/, bin/letterfight a relative link
# to it, the icons, the desktop entry, the metainfo, the manual page and the copyright file where
# they belong), validates the desktop entry and the metainfo,
# and starts the installed game through the link from an unrelated directory: it must end
# with status 0. Skips the start (status 77) without a display unless REQUIRE_DISPLAY=1.
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
# One copyright file covers the game and the font installed as "arial.ttf", with its own
# holders: Liberation Sans when the build found it, DejaVu Sans otherwise.
copyright="$prefix/share/doc/letterfight/copyright"
font_holder="Bitstream, Inc."
[ -f /usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf ] && font_holder="Red Hat, Inc."
if [ ! -f "$copyright" ]; then
  fail "no copyright file $copyright"
else
  grep -q "^License: Zlib" "$copyright" || fail "the copyright file does not give the game's licence"
  sed -n '/^Files: arial.ttf$/,/^$/p' "$copyright" | grep -qF "$font_holder" ||
    fail "the copyright file does not give arial.ttf's holder ($font_holder)"
fi
[ -s "$prefix/share/man/man6/letterfight.6.gz" ] || fail "no manual page in share/man/man6"

# The menu entry and the AppStream metainfo, under one id, as desktops and software centres
# read them.
app_id=org.letterfight.LetterFight
desktop="$prefix/share/applications/$app_id.desktop"
metainfo="$prefix/share/metainfo/$app_id.metainfo.xml"
for tool in desktop-file-validate appstreamcli; do
  command -v $tool >/dev/null || fail "$tool is missing (see scripts/setup.sh test)"
done
if [ ! -f "$desktop" ]; then
  fail "no desktop entry $desktop"
elif ! desktop-file-validate "$desktop"; then
  fail "desktop-file-validate rejects $desktop"
fi
if [ ! -f "$metainfo" ]; then
  fail "no metainfo $metainfo"
else
  appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate rejects $metainfo"
  grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not launch $app_id.desktop"
fi

# Started through the link from elsewhere, the game has to find its directory by itself. A
# game that shows its menu is ended with Escape (keys go to the focused window, hence the
# display and the serial run); one that ends by itself must end with status 0 as well.
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  if [ "${REQUIRE_DISPLAY:-0}" = 1 ]; then
    fail "no X display (DISPLAY=${DISPLAY:-unset}) to start the installed game on"
    exit 1
  fi
  [ $failed -eq 0 ] && { echo "skipped starting the game: no X display"; exit 77; }
  exit $failed
fi
mkdir "$work/elsewhere"
cd "$work/elsewhere"
SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy "$link" >"$work/out" 2>"$work/err" &
pid=$!
for i in $(seq 1 300); do
  kill -0 $pid 2>/dev/null || break
  # Give it 3 s to end on its own, then ask it with Escape every half second.
  if [ "$i" -eq 30 ]; then
    # Still running: it shows its menu. The title painted into the menu's background must be
    # on screen, which it only is when the game found its files beside its real executable.
    import -window root "$work/shot.png" 2>/dev/null
    title() { /usr/bin/convert "$1" -crop 620x110+202+140 -colorspace Gray -format "%[fx:int(255*mean)]" info:; }
    on_screen=$(title "$work/shot.png") painted=$(title "$game_dir/background_menu.png")
    echo "menu title area: luma $on_screen on screen, $painted in background_menu.png"
    [ $((on_screen - painted)) -le 12 ] && [ $((painted - on_screen)) -le 12 ] ||
      fail "the menu's title area shows luma $on_screen, its picture $painted: background not found?"
  fi
  if [ "$i" -gt 30 ] && [ $((i % 5)) -eq 0 ]; then xdotool key Escape 2>/dev/null; fi
  sleep 0.1
done
if kill -0 $pid 2>/dev/null; then
  kill -9 $pid
  wait $pid 2>/dev/null
  fail "the installed game did not end within 30 s"
else
  wait $pid
  status=$?
  if [ "$status" -ne 0 ]; then
    fail "the installed game ended with status $status"
    cat "$work/err"
  else
    echo "installed game started from $(pwd) through its link ended with status 0"
  fi
fi
exit $failed
