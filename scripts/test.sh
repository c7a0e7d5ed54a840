#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Without a display it starts Xvfb at the
# game's screen size for the run; display tests fail rather than skip (REQUIRE_DISPLAY=1).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh

export REQUIRE_DISPLAY=1
export SDL_VIDEODRIVER=x11
xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  n=99
  while [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
  done
  xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start on $DISPLAY" >&2; exit 1; }
fi

cd build
ctest --output-on-failure -j"$(nproc)" --timeout 600 "$@"
