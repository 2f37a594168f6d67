#!/bin/sh
# A script step names a unit by its index in command-line order, not by its
# unit ID: the help says so, an index is obeyed and an ID is refused.
#   script_index_test.sh UNIT_EMULATOR
set -u
emulator=${1:?unit-emulator}
fail() { echo "script index test: $*" >&2; exit 1; }

"$emulator" --help | grep -q "U is a unit's index" || fail "--help does not say that U is a unit's index"
# One KR-960 with unit ID 5 is unit 0.
out=$("$emulator" --unit-port 0 --pc-port 9 --kr960 5 --seconds 1 --script "0 silence 0; 0 silence 5") \
  || fail "the emulator did not run"
echo "$out" | grep -q "script: silence 0$" || fail "index 0 was not obeyed: $out"
echo "$out" | grep -q "script: silence 5 -- ignored" || fail "unit ID 5 was taken for an index: $out"
echo "script index test: a script step names a unit by its index"
