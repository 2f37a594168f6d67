#!/usr/bin/env bash
# The console under a full rack, and how fast it starts and opens a big
# project. Runs bench/console_load (the program's own start-up and window in
# one process with 16 KR-960 and 16 KR-9X emulated units metering every
# 50 ms on loopback) on a private virtual display with a 199-scene project:
#   1. the overview shown, 2. the channel strips shown, 3. the console's
#   response to keys while a flood of bad datagrams comes on top, 4. a unit
#   hopping between free unit IDs 2000 times a second beside a rack: the
#   rack units stay on line and polled, 5. the same stream into a bare
#   receive loop, 6. start-up to the window on screen, five times without
#   and five times with the project, then opening it again and recalling
#   scenes.
#   bench/load.sh BUILD_DIR [SECONDS]
# Use a Release build for the figures (docs/performance.md says how).
set -euo pipefail
build=$(cd "${1:?build directory}" && pwd)
seconds=${2:-60}
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null 2>&1; then
  display=:$((70 + RANDOM % 20))
  Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=$display
  sleep 1
elif [ -z "${DISPLAY:-}" ]; then
  export QT_QPA_PLATFORM=offscreen
fi

# Settings and registrations go to the scratch folder, not the operator's.
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# The project sets the meter period the console asks of every unit.
"$build/bench/make_project" "$work/load.qsx" 199 50
load=("$build/bench/console_load")

echo "== overview, ${seconds} s"
"${load[@]}" run "$work/load.qsx" overview "$seconds"
echo "== channel strips, ${seconds} s"
"${load[@]}" run "$work/load.qsx" strips "$seconds"
echo "== a flood of 20000 datagrams a second that raise notices, on top of the rack, ${seconds} s"
"${load[@]}" flood "$seconds" 20000
echo "== a unit hopping between free IDs 2000 times a second, beside the rack, ${seconds} s"
"${load[@]}" hop "$seconds" 2000
echo "== bare receive loop, ${seconds} s"
"${load[@]}" bare "$seconds"

median() { sort -n | awk '{ v[NR] = $1 } END { printf "%.1f ms (median of %d)\n", v[int((NR + 1) / 2)], NR }'; }
startup() {
  for _ in 1 2 3 4 5; do
    CORVANE_BENCH_T0=$(date +%s%N) "${load[@]}" startup "$@" >"$work/startup.txt"
    awk '/start-up to window shown/ { print $(NF - 1) }' "$work/startup.txt"
  done
}
echo "== start-up"
printf 'to window shown, no project      %s\n' "$(startup | median)"
printf 'to window shown, 199 scenes      %s\n' "$(startup "$work/load.qsx" | median)"
grep -v 'start-up' "$work/startup.txt"
