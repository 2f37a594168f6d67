#!/usr/bin/env bash
# Installs the build into a scratch root, checks that the desktop sees a
# program that opens ".qsx" files, then uninstalls and checks that nothing of
# it is left while the user's own data stays.
#   install_test.sh BUILD_DIR
set -euo pipefail
build=${1:?build directory}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
prefix=/opt/corvane-test
DESTDIR="$root" cmake --install "$build" --prefix "$prefix" >/dev/null
top="$root$prefix"
share="$top/share"
fail() { echo "install test: $*" >&2; exit 1; }

for f in bin/corvane bin/corvane-uninstall \
         share/applications/Quellon-Corvane.desktop \
         share/mime/packages/quellon-corvane.xml \
         share/icons/hicolor/scalable/apps/quellon-corvane.svg \
         share/doc/Corvane/README.md \
         "share/doc/Corvane/Corvane Quickstart.pdf" \
         "share/doc/Corvane/Corvane User Guide.pdf" \
         "share/doc/Corvane/Corvane Link Help.pdf"; do
  [ -e "$top/$f" ] || fail "$f was not installed"
done
head -c 5 "$top/share/doc/Corvane/Corvane User Guide.pdf" | grep -q '%PDF-' || fail "the User Guide is not a PDF"
[ -x "$top/bin/corvane" ] || fail "the program is not executable"
grep -qx "Exec=\"$prefix/bin/corvane\" %f" "$share/applications/Quellon-Corvane.desktop" \
  || fail "the desktop entry does not run the installed program"
grep -qx 'MimeType=application/x-corvane-project;' "$share/applications/Quellon-Corvane.desktop" \
  || fail "the desktop entry does not name the project type"
if command -v desktop-file-validate >/dev/null 2>&1; then
  desktop-file-validate "$share/applications/Quellon-Corvane.desktop" || fail "invalid desktop entry"
fi

# The shared MIME database built from the package knows the type by name and by magic.
if command -v update-mime-database >/dev/null 2>&1; then
  update-mime-database "$share/mime" >/dev/null 2>&1 || fail "the MIME package does not build"
  grep -q 'application/x-corvane-project' "$share/mime/globs2" || fail "no glob for the type"
  grep -q '\*\.qsx' "$share/mime/globs2" || fail "the glob is not *.qsx"
  [ -s "$share/mime/magic" ] || fail "no magic for the type"
fi

# The uninstaller removes what was installed and the user's registration,
# and keeps the user's projects and settings.
data="$root/home-data"
mkdir -p "$data/applications" "$data/Quellon/Corvane"
echo keep >"$data/Quellon/Corvane/Corvane.ini"
echo entry >"$data/applications/Quellon-Corvane.desktop"
XDG_DATA_HOME="$data" "$top/bin/corvane-uninstall" || fail "the uninstaller failed"
for f in bin/corvane bin/corvane-uninstall \
         share/applications/Quellon-Corvane.desktop \
         share/mime/packages/quellon-corvane.xml \
         share/icons/hicolor/scalable/apps/quellon-corvane.svg \
         share/doc/Corvane; do
  [ ! -e "$top/$f" ] || fail "$f is still there after uninstalling"
done
[ ! -e "$data/applications/Quellon-Corvane.desktop" ] || fail "the user's registration is still there"
[ "$(cat "$data/Quellon/Corvane/Corvane.ini")" = keep ] || fail "the user's settings were touched"
echo "install test: installed and uninstalled cleanly under $prefix"
