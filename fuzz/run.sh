#!/usr/bin/env bash
# Builds the fuzzers (with clang when there is one) and runs each for a short,
# bounded time: first the datagram fuzzer, then the project-file fuzzer.
# Exits non-zero when either finds a crash.
#   fuzz/run.sh BUILD_DIR [DATAGRAM_SECONDS] [PROJECT_SECONDS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?build directory}
datagram_seconds=${2:-20}
project_seconds=${3:-15}
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

# The project fuzzer starts from a small valid project it writes itself.
project_corpus="$build/corpus-project"
mkdir -p "$build/corpus" "$project_corpus"
"$build/project_fuzzer" -write_seed="$project_corpus"
# The kept inputs (every crash ever found among them) seed both runs too; new
# inputs go to the first folder only, so these stay as they are.
datagram_kept="$here/regressions/datagram"
project_kept="$here/regressions/project"

if [[ ${#compiler[@]} -gt 0 ]]; then
  echo "== datagram_fuzzer, ${datagram_seconds} s"
  "$build/datagram_fuzzer" -max_total_time="$datagram_seconds" -max_len=4096 -seed=1 \
    -artifact_prefix="$build/datagram-" -print_final_stats=1 "$build/corpus" "$datagram_kept"
  # Room for the seed's two scene records and a little more.
  echo "== project_fuzzer, ${project_seconds} s"
  "$build/project_fuzzer" -max_total_time="$project_seconds" -max_len=240000 -seed=1 \
    -artifact_prefix="$build/project-" -print_final_stats=1 "$project_corpus" "$project_kept"
else
  "$build/datagram_fuzzer" 20000 "$datagram_kept"
  "$build/project_fuzzer" 2000 "$project_corpus" "$project_kept"
fi
