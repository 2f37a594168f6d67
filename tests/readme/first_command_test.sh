#!/usr/bin/env bash
# The README's first command builds what running the console needs and
# nothing of the tests, benchmarks, fuzzers or the unit emulator: it is
# configured in a scratch folder as the README says, and the build it asks
# for is listed without being run. The unit-emulator example builds what it
# runs beyond that, listed the same way.
#   first_command_test.sh SOURCE_DIR
set -euo pipefail
src=${1:?source directory}
fail() { echo "first command test: $*" >&2; exit 1; }

line=$(awk '/^```sh$/{getline; print; exit}' "$src/README.md")
[ -n "$line" ] || fail "the README opens with no command"
case "$line" in
  "bash tools/setup-debian.sh && "*" && ./build/corvane") ;;
  *) fail "the first command does not set up, build and start the console: $line" ;;
esac

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# The configure step of the command runs on the scratch folder; its build
# step only lists the commands it would run.
IFS='&' read -ra steps <<<"${line//&&/&}"
for step in "${steps[@]}"; do
  step=$(echo "$step" | sed 's/^ *//; s/ *$//')
  step=${step//-B build /-B $scratch/build }
  step=${step//--build build/--build $scratch/build}
  case "$step" in
    "cmake -S "*) (cd "$src" && eval "$step") >"$scratch/configure.log" 2>&1 \
                    || { cat "$scratch/configure.log" >&2; fail "configuring failed: $step"; } ;;
    "cmake --build "*) (cd "$src" && eval "$step -- -t commands") >"$scratch/plan.log" 2>&1 \
                         || { cat "$scratch/plan.log" >&2; fail "the build cannot be planned: $step"; } ;;
  esac
done
[ -s "$scratch/plan.log" ] || fail "the first command builds nothing"
outputs=$(grep -o -- ' -o [^ ]*' "$scratch/plan.log" | sed 's/^ -o //')
grep -qx "corvane" <<<"$outputs" || fail "the console is not built"
if grep -E "^(tests|bench|fuzz|sanitize|tools/unit-emulator)/" <<<"$outputs" | head -5 >&2; then
  fail "the first command builds more than the console needs (above)"
fi

# The unit-emulator example works right after the first command: whatever
# program of the build folder it runs, the first command or the example's
# own build step has built it.
example=$(awk '/^```sh$/{block=""; inblock=1; next} /^```$/{if (block ~ /unit-emulator/) {printf "%s", block; exit} inblock=0} inblock{block=block $0 "\n"}' "$src/README.md")
[ -n "$example" ] || fail "the README shows no unit-emulator example"
built="$outputs"
while IFS= read -r step; do
  case "$step" in
    "cmake --build build "*)
      step=${step//--build build/--build $scratch/build}
      (cd "$src" && eval "$step -- -t commands") >"$scratch/example.log" 2>&1 \
        || { cat "$scratch/example.log" >&2; fail "the example's build cannot be planned: $step"; }
      built+=$'\n'$(grep -o -- ' -o [^ ]*' "$scratch/example.log" | sed 's/^ -o //') ;;
  esac
done <<<"$example"
for program in $(grep -o '\./build/[^ ]*' <<<"$example" | sed 's:^\./build/::' | sort -u); do
  grep -qx "$program" <<<"$built" || fail "the example runs ./build/$program, which nothing before it builds"
done
echo "the first command builds $(wc -l <<<"$outputs") files, none of the tests, benchmarks or tools;" \
     "the unit-emulator example builds what it runs"
