#!/usr/bin/env bash
# Configures and builds into build/ (the game and what it loads land in build/bin/).
#   bash scripts/build.sh          the game, the tests and the benchmarks (setup.sh test's packages)
#   bash scripts/build.sh --game   the game alone (setup.sh play's packages are enough)
# Further arguments go to CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
parts=(-DLETTERFIGHT_TESTS=ON -DLETTERFIGHT_BENCH=ON)
if [ "${1:-}" = "--game" ]; then
  parts=(-DLETTERFIGHT_TESTS=OFF -DLETTERFIGHT_BENCH=OFF)
  shift
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${parts[@]}" "$@" >/dev/null
cmake --build build -j"$(nproc)"
