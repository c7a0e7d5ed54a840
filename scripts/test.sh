#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Without a display it starts Xvfb at the
# game's screen size for the run; display tests fail rather than skip (REQUIRE_DISPLAY=1).
#
#   bash scripts/test.sh                     the normal build in build/, every test
#   bash scripts/test.sh --sanitize address  AddressSanitizer + UBSan build in build-asan/, every test
#   bash scripts/test.sh --sanitize thread   ThreadSanitizer build in build-tsan/, audio and system tests
#
# Further arguments go to CTest, e.g. `bash scripts/test.sh -L audio`.
set -euo pipefail
cd "$(dirname "$0")/.."

sanitize=""
if [ "${1:-}" = "--sanitize" ]; then
  sanitize="${2:?--sanitize needs address or thread}"
  shift 2
fi

bash scripts/setup.sh test
ctest_args=()
case "$sanitize" in
  "")
    bash scripts/build.sh
    build_dir=build
    ;;
  address)
    cmake --preset asan >/dev/null
    cmake --build --preset asan -j"$(nproc)"
    build_dir=build-asan
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
    export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
    # The desktop tier runs the same game code on other servers; the normal build covers it.
    ctest_args=(-LE "^desktop$")
    ;;
  thread)
    cmake --preset tsan >/dev/null
    cmake --build --preset tsan -j"$(nproc)"
    build_dir=build-tsan
    export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
    ctest_args=(-L "^(audio|system)$")
    ;;
  *)
    echo "Unknown sanitizer '$sanitize': use address or thread" >&2
    exit 2
    ;;
esac

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
  # -noreset: by default the server resets whenever its last client leaves, and a test that
  # connects during that reset is refused; parallel tests come and go all the time.
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
  done
  xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start on $DISPLAY" >&2; exit 1; }
fi

cd "$build_dir"
ctest --output-on-failure -j"$(nproc)" --timeout 600 "${ctest_args[@]}" "$@"
