#!/usr/bin/env bash
# What the README says about the desktop files and the uninstaller stays
# what the program and corvane-uninstall do:
#   statements_test.sh SOURCE_DIR
set -euo pipefail
src=${1:?source directory}
fail() { echo "README statements test: $*" >&2; exit 1; }
# The README as running text: line breaks and runs of blanks as one blank.
text=$(tr -s ' \n' '  ' <"$src/README.md")

# The desktop entry it names is the one the program writes.
entry=$(sed -n 's/.*kDesktopFileName\[\] = "\(.*\)";/\1/p' "$src/src/app/file_association.h")
[ -n "$entry" ] || fail "the program names no desktop entry"
grep -qF "\`$entry\`" <<<"$text" || fail "the README does not name the desktop entry $entry"

# corvane-uninstall removes the registration of the user who runs it only,
# so every user who ran the console runs it once.
grep -q 'registration the console made for the user who runs it' <<<"$text" \
  || fail "the README does not say whose registration corvane-uninstall removes"
grep -q 'each of those users runs `corvane-uninstall` once' <<<"$text" \
  || fail "the README does not say that each user runs corvane-uninstall once"
grep -q 'remove_user' "$src/tools/desktop-files/corvane-uninstall" \
  && grep -q 'XDG_DATA_HOME:-$HOME/.local/share' "$src/tools/desktop-files/corvane-uninstall" \
  || fail "corvane-uninstall no longer removes the running user's registration"

# No menu command or key of the console starts the uninstaller.
if grep -qiE "console's own uninstall|uninstall command starts" <<<"$text"; then
  fail "the README says the console starts the uninstaller"
fi
echo "the README describes the desktop entry $entry and corvane-uninstall as they are"
