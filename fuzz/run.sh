#!/usr/bin/env bash
# Builds the datagram fuzzer (with clang when there is one) and runs it for a
# short, bounded time. Exits non-zero when it finds a crash.
#   fuzz/run.sh BUILD_DIR [SECONDS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?build directory}
seconds=${2:-20}
compiler=()
if command -v clang++ >/dev/null 2>&1; then
  compiler=(-DCMAKE_CXX_COMPILER=clang++)
fi
generator=()
if command -v ninja >/dev/null 2>&1; then
  generator=(-G Ninja)
fi
cmake -S "$here" -B "$build" "${generator[@]}" "${compiler[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" >/dev/null
fuzzer="$build/datagram_fuzzer"
if "$fuzzer" -help=1 >/dev/null 2>&1; then
  corpus="$build/corpus"
  mkdir -p "$corpus"
  "$fuzzer" -max_total_time="$seconds" -max_len=4096 -seed=1 -print_final_stats=1 "$corpus"
else
  "$fuzzer" 20000
fi
