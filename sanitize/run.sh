#!/usr/bin/env bash
# Builds the network layer's suite with the sanitizers and runs it:
#   sanitize/run.sh BUILD_DIR address|thread
# Exits non-zero on any test failure or sanitizer report.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?build directory}
kind=${2:?address or thread}
generator=()
if command -v ninja >/dev/null 2>&1; then
  generator=(-G Ninja)
fi
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$here" -B "$build" "${generator[@]}" "${launcher[@]}" >/dev/null
case "$kind" in
  address)
    cmake --build "$build" --target protocol_asan >/dev/null
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      "$build/protocol_asan" --gtest_brief=1
    ;;
  thread)
    cmake --build "$build" --target protocol_tsan >/dev/null
    # The receive thread, its queue and the senders; the rest is single-threaded.
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
      setarch "$(uname -m)" -R "$build/protocol_tsan" --gtest_brief=1
    ;;
  *)
    echo "unknown sanitizer: $kind" >&2
    exit 2
    ;;
esac
