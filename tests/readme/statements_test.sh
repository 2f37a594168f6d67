#!/usr/bin/env bash
# What the README says about the desktop files, the uninstaller, the unit
# network and the help commands stays what the program and its tools do:
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
# The port opens once the start-up question is answered, not when the window
# is built: the timer that opens it is armed where the start finishes.
grep -q '200 ms after the start-up question is answered' <<<"$text" \
  || fail "the README does not say when the port opens"
awk '/::FinishStartup\(\)/,/^}/' "$src/src/app/main_dialog.cpp" | grep -q 'arm(kTimerStartNetwork, 200)' \
  || fail "the port no longer opens 200 ms after the start is finished"
grep -q 'KR-960, KR-960/8 and KR-9X units it hears are added' <<<"$text" \
  || fail "the README does not say that KR-9X units are served like the others"

# Help documents are in the data folder only where the operator put them,
# and the help commands need a PDF viewer that the set-up does not install.
grep -q 'help documents only where you put copies there yourself' <<<"$text" \
  || fail "the README says the data folder holds the help documents"
grep -q 'A PDF viewer is needed for these commands, and the set-up installs none' <<<"$text" \
  || fail "the README does not say that a PDF viewer is needed"
if grep -qE '\b(evince|okular|atril|mupdf|zathura|qpdfview|xpdf)\b' "$src/tools/setup-debian.sh"; then
  fail "the set-up installs a PDF viewer, which the README says it does not"
fi
echo "the README describes the desktop entry $entry, corvane-uninstall, the port and the help commands as they are"
