#!/usr/bin/env bash
# Runs one libFuzzer target by hand: installs clang and its fuzzing runtime when missing, builds
# the fuzz preset (clang, ASan, UBSan) when needed, then fuzzes for the given seconds, starting
# from the checked-in seeds.
#   bash scripts/fuzz.sh pixmap|sample|font|input [seconds] [extra libFuzzer options...]
# The growing corpus stays in build-fuzz/corpus/<target>; findings land in
# build-fuzz/findings/<target>/.
set -euo pipefail

target=${1:?"usage: $0 pixmap|sample|font|input [seconds] [libFuzzer options...]"}
seconds=${2:-600}
shift $(($# >= 2 ? 2 : 1))
case "$target" in
  pixmap | sample | font | input) ;;
  *) echo "unknown target: $target (pixmap, sample, font or input)" >&2; exit 2 ;;
esac

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh fuzz
build=$root/build-fuzz
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset fuzz
fi
cmake --build --preset fuzz -j2 --target "fuzz_$target"

corpus=$build/corpus/$target
findings=$build/findings/$target
mkdir -p "$corpus" "$findings"

# The two leaks outside our code are suppressed as in the sanitizer test suites; nothing else.
export LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
# Nothing here needs a display or a sound device.
export SDL_AUDIODRIVER=dummy
unset DISPLAY

exec "$build/fuzz/fuzz_$target" "$corpus" "$root/fuzz/corpus/$target" \
  -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$findings/" "$@"
