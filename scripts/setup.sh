#!/usr/bin/env bash
# Installs the Debian packages one use of the project needs, when any is missing.
#
#   bash scripts/setup.sh play   building the game and playing it (what play.sh runs)
#   bash scripts/setup.sh test   that, and the test and benchmark tools (what test.sh runs)
#   bash scripts/setup.sh fuzz   building the game, and clang with its fuzzing runtime
#                                (what fuzz.sh and the fuzz build in CI run)
set -euo pipefail

profile=${1:-}

# The compiler, the build tools, the libraries the game links, the OpenGL drivers it renders
# with, and the fonts the build copies as "arial.ttf".
play=(
  g++ cmake make pkg-config
  libsdl2-dev libpng-dev zlib1g-dev libfreetype-dev libjpeg62-turbo-dev
  libvorbis-dev libogg-dev libgl-dev libgl1-mesa-dri libx11-dev libxrandr-dev
  fonts-liberation2 fonts-dejavu-core
)
# GoogleTest and Google Benchmark (stb_image is what the PNG benchmark compares against); the
# X server, input, screen capture and sound tools of the end-to-end tests; the desktop servers
# of the desktop tier; the fonts the font tests load; and what builds and checks the package.
test=(
  libgtest-dev libgmock-dev libbenchmark-dev libstb-dev
  fonts-dejavu-extra
  xvfb xauth xdotool x11-utils x11-apps imagemagick sox libsox-fmt-base python3 python3-numpy
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils openbox
  pulseaudio pulseaudio-utils weston xwayland
  dpkg-dev file lintian groff-base desktop-file-utils appstream
)
# libFuzzer and the sanitizers' runtime; the seed maker uses the tests' GoogleTest fixtures.
fuzz=(clang libclang-rt-14-dev libgtest-dev)

case "$profile" in
  play) packages=("${play[@]}") ;;
  test) packages=("${play[@]}" "${test[@]}") ;;
  fuzz) packages=("${play[@]}" "${fuzz[@]}") ;;
  *)
    echo "usage: $0 play|test|fuzz" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
