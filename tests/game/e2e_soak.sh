#!/usr/bin/env bash
# Soak under AddressSanitizer: 20 round trips between the menu and a round, then a full round
# of 180 s with random typing at about 10 keys a second, which ends the program; then a second
# run that ends through BEENDEN. Each run ends with status 0 and no sanitizer report, and the
# resident memory at the end of the long round is within 10 % of what it was after the first
# round began. Without AddressSanitizer there is nothing to watch for: skipped (status 77).
# Usage: e2e_soak.sh GAME sanitize=SANITIZERS
source "$(dirname "$0")/e2e_lib.sh" "$1"
case "${2:-}" in
  sanitize=*address*) ;;
  *)
    echo "skipped: the game is not built with AddressSanitizer (${2:-})"
    exit 77
    ;;
esac
need_display
copy_game
# ASan holds freed blocks back (256 MB by default) to catch late uses; that would show here as
# growth that is not the game's. A small quarantine still catches uses soon after the free.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}:quarantine_size_mb=16"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$E2E_DIR/../sanitizers/lsan.supp:print_suppressions=0}"

rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$game_pid/status" 2>/dev/null; }
sanitizer_report() {
  grep -E "ERROR: (Address|Leak)Sanitizer|runtime error:|SUMMARY: (Address|Undefined)" "$work/err" |
    head -n 5
}
letters=(a b c d e f g h i j k l m n o p q r s t u v w x y z)

start=$SECONDS
trips_rss=""
start_game
if ! wait_menu 60; then
  fail "no menu"
  finish
fi
for trip in $(seq 1 20); do
  key Return
  if ! wait_round 20; then
    fail "trip $trip: the round did not start"
    finish
  fi
  [ "$trip" -eq 1 ] && rss_start=$(rss)
  trips_rss+=" $(rss)"
  for _ in 1 2 3; do key "${letters[RANDOM % 26]}"; done
  key Escape
  if ! wait_menu 20; then
    fail "trip $trip: Escape did not return to the menu"
    finish
  fi
done
echo "20 round trips in $((SECONDS - start)) s; resident memory (kB) as each round began:$trips_rss"

key Return
round_start=$SECONDS
wait_round 20 || fail "the long round did not start"
rss_end=""
round_rss=""
next_mark=0
keys=0
# Random letters, ten a second on average, until the round ends the program (at most 30 s
# late).
while running && [ $((SECONDS - round_start)) -lt 210 ]; do
  now=$(rss)
  # The end of the round is its last seconds: once it is over, the exit (and LeakSanitizer's
  # scan at exit) takes memory of its own.
  if [ -n "$now" ] && [ $((SECONDS - round_start)) -le 176 ]; then
    rss_end=$now
    rss_end_at=$((SECONDS - round_start))
  fi
  if [ $((SECONDS - round_start)) -ge $next_mark ]; then
    round_rss+=" $((SECONDS - round_start)) s: $now;"
    next_mark=$((next_mark + 30))
  fi
  due=$(((SECONDS - round_start + 1) * 10 - keys))
  [ $due -gt 20 ] && due=20
  if [ $due -le 0 ]; then
    sleep 0.2
    continue
  fi
  batch=()
  for _ in $(seq 1 $due); do batch+=("${letters[RANDOM % 26]}"); done
  xdotool key --delay 60 "${batch[@]}"
  keys=$((keys + due))
done
round_time=$((SECONDS - round_start))
echo "resident memory (kB) in the long round:$round_rss"
wait_exit 10
[ "$game_status" -eq 0 ] || fail "the long round ended with status $game_status"
[ "$round_time" -ge 175 ] || fail "the round ended after $round_time s, before its 180 s"
report=$(sanitizer_report)
[ -z "$report" ] || fail "sanitizer report in the first run: $report"
[ -n "$rss_end" ] || { fail "no resident memory read in the long round"; finish; }
change=$((rss_end - rss_start))
echo "long round: $round_time s, $keys keys; resident memory $rss_start kB -> $rss_end kB at $rss_end_at s" \
  "($((change * 100 / rss_start)) %)"
[ $((${change#-} * 10)) -le "$rss_start" ] ||
  fail "resident memory went from $rss_start kB to $rss_end kB, more than 10 % apart"

# The second run ends through the menu's last entry.
start_game
if wait_menu 60; then
  for _ in 1 2 3 4; do
    key Down
    sleep 0.2
  done
  key Return
else
  fail "second run: no menu"
fi
wait_exit 30
[ "$game_status" -eq 0 ] || fail "BEENDEN ended the game with status $game_status"
report=$(sanitizer_report)
[ -z "$report" ] || fail "sanitizer report in the second run: $report"
echo "soak: $((SECONDS - start)) s in all"
finish
