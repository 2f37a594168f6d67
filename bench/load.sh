#!/usr/bin/env bash
# The console under a full rack: 16 KR-960 and 16 KR-9X emulated units
# metering every 50 ms on loopback while the program runs on a virtual
# display with a 199-scene project open.
#   bench/load.sh BUILD_DIR [SECONDS]
# Prints the program's CPU (all threads, and the GUI thread alone) over the
# measured stretch, its peak memory, the datagrams the units sent and the ones
# the kernel dropped at the console's socket, and the same stream's cost into
# a bare receive loop (the unit emulator's own receiver) for comparison.
set -euo pipefail
build=$(cd "${1:?build directory}" && pwd)
seconds=${2:-60}
warmup=5
port=$((20000 + RANDOM % 20000))
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

display=()
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null 2>&1; then
  Xvfb :77 -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  display=(env DISPLAY=:77)
  sleep 1
elif [ -z "${DISPLAY:-}" ]; then
  display=(env QT_QPA_PLATFORM=offscreen)
fi

ticks=$(getconf CLK_TCK)
cpu_of() { awk '{print $14 + $15}' "$1"; }  # utime + stime in clock ticks

# The project sets the meter period the console asks of every unit.
"$build/bench/make_project" "$work/load.qsx" 199 50

HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
CORVANE_PC_PORT=$port CORVANE_UNIT_PORT=$((port + 1)) CORVANE_NO_STARTUP_QUESTION=1 \
  "${display[@]}" "$build/corvane" "$work/load.qsx" >"$work/console.log" 2>&1 &
console=$!
pids+=($console)
sleep 1

kr960=$(seq -s, 1 16)
kr9x=$(seq -s, 17 32)
"$build/tools/unit-emulator/unit-emulator" --pc-port "$port" --unit-port $((port + 1)) \
  --kr960 "$kr960" --kr9x "$kr9x" --seconds $((seconds + warmup + 1)) >"$work/emulator.log" 2>&1 &
emulator=$!
pids+=($emulator)

sleep "$warmup"
cpu0=$(cpu_of /proc/$console/stat)
gui0=$(cpu_of /proc/$console/task/$console/stat)
t0=$(date +%s.%N)
sleep "$seconds"
cpu1=$(cpu_of /proc/$console/stat)
gui1=$(cpu_of /proc/$console/task/$console/stat)
t1=$(date +%s.%N)
peak=$(awk '/VmHWM/ {print $2}' /proc/$console/status)
hexport=$(printf '%04X' "$port")
drops=$(awk -v p=":$hexport" '$2 ~ p"$" {print $NF}' /proc/net/udp | head -1)
wait "$emulator" || true

awk -v c0="$cpu0" -v c1="$cpu1" -v g0="$gui0" -v g1="$gui1" -v t0="$t0" -v t1="$t1" \
    -v hz="$ticks" -v peak="$peak" -v drops="${drops:-unknown}" 'BEGIN {
  wall = t1 - t0
  printf "measured           %.1f s after %d s warm-up\n", wall, '"$warmup"'
  printf "total CPU          %.1f %% of one core\n", 100 * (c1 - c0) / hz / wall
  printf "GUI-thread CPU     %.1f %% of one core\n", 100 * (g1 - g0) / hz / wall
  printf "peak memory        %.1f MB\n", peak / 1024
  printf "socket drops       %s datagrams\n", drops
}'
awk '/ reports / {
  for (i = 1; i <= NF; ++i) {
    if ($i == "reports") sent += $(i + 1)
    if ($i == "period") periods[$(i + 1) " ms"] = 1
  }
  ++units
} END {
  list = ""; for (p in periods) list = list (list == "" ? "" : ", ") p
  printf "units              %d, reporting every %s\n", units, list
  printf "datagrams sent     %d\n", sent
}' "$work/emulator.log"
