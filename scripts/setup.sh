#!/usr/bin/env bash
# Installs the Debian packages the build, the game and the tests need, when any is missing.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  libsdl2-dev libpng-dev zlib1g-dev libfreetype-dev libjpeg62-turbo-dev
  libvorbis-dev libogg-dev libgl-dev libgl1-mesa-dri
  libgtest-dev libgmock-dev libbenchmark-dev libstb-dev
  fonts-liberation2 fonts-dejavu-core fonts-dejavu-extra
  xvfb xauth xdotool x11-utils x11-apps imagemagick sox libsox-fmt-base
  desktop-file-utils dpkg-dev python3 python3-numpy libx11-dev libxrandr-dev
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils openbox
  pulseaudio pulseaudio-utils weston xwayland
  clang libclang-rt-14-dev
)

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
