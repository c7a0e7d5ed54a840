#!/usr/bin/env bash
# Installs what building and playing need when it is missing, builds the game, and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh play
bash scripts/build.sh --game
exec build/bin/letterfight
