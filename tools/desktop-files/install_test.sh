#!/usr/bin/env bash
# Installs the build into a scratch root, checks that the desktop sees a
# program that opens ".qsx" files, then uninstalls and checks that nothing of
# it is left while the user's own data stays.
#   install_test.sh BUILD_DIR
set -euo pipefail
build=${1:?build directory}
root=$(mktemp -d)
trap 'chmod -R u+w "$root" 2>/dev/null; rm -rf "$root"' EXIT
prefix=/opt/corvane-test
top="$root$prefix"
share="$top/share"
fail() { echo "install test: $*" >&2; exit 1; }
# Every file and folder under a folder, for before-and-after comparisons.
listing() { (cd "$1" && find . -mindepth 1 | LC_ALL=C sort); }

# Another program's files already in the prefix, which the uninstaller keeps.
mkdir -p "$top/bin" "$top/share/doc/other-tool"
echo tool >"$top/bin/other-tool"
echo notes >"$top/share/doc/other-tool/README"
before=$(listing "$top")

# An earlier version installed under the former names: installing over it
# leaves the desktop one entry of the console.
former="applications/Quellon-Corvane.desktop mime/packages/quellon-corvane.xml
        icons/hicolor/scalable/apps/quellon-corvane.svg metainfo/Quellon-Corvane.metainfo.xml"
for f in $former; do
  mkdir -p "$(dirname "$share/$f")"
  echo earlier >"$share/$f"
done

DESTDIR="$root" cmake --install "$build" --prefix "$prefix" >/dev/null
for f in $former; do
  [ ! -e "$share/$f" ] || fail "share/$f of an earlier version is still installed"
done

for f in bin/corvane bin/corvane-uninstall \
         share/applications/com.quellon.Corvane.desktop \
         share/mime/packages/com.quellon.Corvane.xml \
         share/icons/hicolor/scalable/apps/com.quellon.Corvane.svg \
         share/doc/Corvane/README.md \
         "share/doc/Corvane/Corvane Quickstart.pdf" \
         "share/doc/Corvane/Corvane User Guide.pdf" \
         "share/doc/Corvane/Corvane Link Help.pdf" \
         share/metainfo/com.quellon.Corvane.metainfo.xml; do
  [ -e "$top/$f" ] || fail "$f was not installed"
done
head -c 5 "$top/share/doc/Corvane/Corvane User Guide.pdf" | grep -q '%PDF-' || fail "the User Guide is not a PDF"
[ -x "$top/bin/corvane" ] || fail "the program is not executable"
grep -qx "Exec=\"$prefix/bin/corvane\" %f" "$share/applications/com.quellon.Corvane.desktop" \
  || fail "the desktop entry does not run the installed program"
grep -qx 'MimeType=application/x-corvane-project;' "$share/applications/com.quellon.Corvane.desktop" \
  || fail "the desktop entry does not name the project type"
# The software centre's entry names the installed desktop entry, and its id is that entry's name.
metainfo="$share/metainfo/com.quellon.Corvane.metainfo.xml"
grep -q '<id>com.quellon.Corvane</id>' "$metainfo" || fail "the metainfo id is not the desktop entry's name"
# Its release is the version the program and its documents name.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "the build names no version"
grep -q "<release version=\"$version\" date=\"[0-9-]*\"" "$metainfo" \
  || fail "the metainfo does not release version $version"
launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
[ -n "$launchable" ] && [ -e "$share/applications/$launchable" ] \
  || fail "the metainfo launches '$launchable', which was not installed"

# Every picture the installed README shows is there, beside it where its
# link points, and every picture installed is one it shows.
readme="$share/doc/Corvane/README.md"
shown=0
while IFS= read -r link; do
  [ -s "$share/doc/Corvane/$link" ] || fail "the installed README shows $link, which is not installed there"
  shown=$((shown + 1))
done < <(grep -o '!\[[^]]*\]([^)]*)' "$readme" | sed 's/.*](\(.*\))/\1/')
[ "$shown" -ge 1 ] || fail "the installed README shows no picture"
while IFS= read -r picture; do
  [ -s "$picture" ] || fail "${picture#$top/} is empty"
  grep -qF "](${picture#$share/doc/Corvane/})" "$readme" || fail "${picture#$top/} is installed but shown nowhere"
done < <(find "$share/doc/Corvane" -type f \( -name '*.png' -o -name '*.svg' -o -name '*.jpg' \))

# Every relative link of the installed README, pictures and plain links
# alike, leads to a file installed where the link points, inside the
# installation; a Markdown file it links is read the same way in turn.
# Links with a scheme (https:, mailto:) and links within a page (#...) lead
# nowhere on disk.
md_links() {
  awk '/^ *(```|~~~)/ { fenced = !fenced; next } !fenced' "$1" >"$root/unfenced"
  grep -oE '\]\([^)]*\)' "$root/unfenced" | sed -E 's/^\]\([[:space:]]*//; s/\)$//; s/^<([^>]*)>.*/\1/; t; s/[[:space:]].*//'
  sed -nE 's/^ {0,3}\[[^]]+\]:[[:space:]]*<?([^[:space:]>]+)>?.*/\1/p' "$root/unfenced"
}
docs=("$readme")
read_docs=" $readme "
links_checked=0
while [ ${#docs[@]} -gt 0 ]; do
  doc=${docs[0]}
  docs=("${docs[@]:1}")
  while IFS= read -r target; do
    if [ -z "$target" ] || [[ $target == '#'* || $target =~ ^[A-Za-z][A-Za-z0-9+.-]*: ]]; then
      continue
    fi
    path=${target%%#*}
    path=${path%%\?*}
    path=$(printf '%b' "${path//%/\\x}")
    [[ $path != /* ]] || fail "${doc#$top/} links $target, an absolute path outside the installation"
    file=$(realpath -m "$(dirname "$doc")/$path")
    [[ $file == "$top"/* ]] || fail "${doc#$top/} links $target, which lies outside the installation"
    [ -f "$file" ] && [ -s "$file" ] || fail "${doc#$top/} links $target, which is not installed there"
    links_checked=$((links_checked + 1))
    if [[ $file == *.md && $read_docs != *" $file "* ]]; then
      docs+=("$file")
      read_docs+="$file "
    fi
  done < <(md_links "$doc")
done
[ "$links_checked" -ge 3 ] || fail "only $links_checked links of the installed README were found"

if command -v desktop-file-validate >/dev/null 2>&1; then
  desktop-file-validate "$share/applications/com.quellon.Corvane.desktop" || fail "invalid desktop entry"
fi

# The shared MIME database built from the package knows the type by name and by magic.
if command -v update-mime-database >/dev/null 2>&1; then
  update-mime-database "$share/mime" >/dev/null 2>&1 || fail "the MIME package does not build"
  grep -q 'application/x-corvane-project' "$share/mime/globs2" || fail "no glob for the type"
  grep -q '\*\.qsx' "$share/mime/globs2" || fail "the glob is not *.qsx"
  [ -s "$share/mime/magic" ] || fail "no magic for the type"
fi
# As an install straight onto the machine leaves it: the desktop's caches built.
if command -v update-desktop-database >/dev/null 2>&1; then
  update-desktop-database "$share/applications" >/dev/null 2>&1 || fail "the desktop entries' cache does not build"
fi

# The uninstaller removes what was installed and the user's registration,
# and keeps the user's projects and settings.
data="$root/home-data"
mkdir -p "$data/Quellon/Corvane"
echo keep >"$data/Quellon/Corvane/Corvane.ini"
user_before=$(cd "$data" && find . -type f | LC_ALL=C sort)
# The registration the console makes for its user at start, with the caches
# it refreshes, and one an earlier version left under the former names.
mkdir -p "$data/applications" "$data/mime/packages" "$data/icons/hicolor/scalable/apps"
cp "$share/applications/com.quellon.Corvane.desktop" "$data/applications/"
cp "$share/mime/packages/com.quellon.Corvane.xml" "$data/mime/packages/"
cp "$share/icons/hicolor/scalable/apps/com.quellon.Corvane.svg" "$data/icons/hicolor/scalable/apps/"
cp "$share/applications/com.quellon.Corvane.desktop" "$data/applications/Quellon-Corvane.desktop"
cp "$share/mime/packages/com.quellon.Corvane.xml" "$data/mime/packages/quellon-corvane.xml"
if command -v update-mime-database >/dev/null 2>&1; then update-mime-database "$data/mime" >/dev/null 2>&1; fi
if command -v update-desktop-database >/dev/null 2>&1; then update-desktop-database "$data/applications" >/dev/null 2>&1; fi

# Asking for help, or a mistyped argument, removes nothing: --help says what
# the command does, and anything it does not know is refused with that text.
uninstall="$top/bin/corvane-uninstall"
installed=$(listing "$top")
registered=$(listing "$data")
unchanged() {
  [ "$(listing "$top")" = "$installed" ] || fail "$1 removed installed files"
  [ "$(listing "$data")" = "$registered" ] || fail "$1 removed the user's registration"
}
help=$(XDG_DATA_HOME="$data" "$uninstall" --help) || fail "--help failed"
grep -q '^Usage: corvane-uninstall ' <<<"$help" || fail "--help shows no usage: $help"
grep -qF "$prefix" <<<"$help" || fail "--help does not name the installation it removes"
unchanged --help
refused() {
  if XDG_DATA_HOME="$data" "$uninstall" "$@" >/dev/null 2>"$root/refused"; then
    fail "'$*' was not refused"
  fi
  grep -q '^Usage: corvane-uninstall ' "$root/refused" || fail "'$*' was refused without the usage"
  unchanged "'$*'"
}
refused --bogus
refused -x
refused help
refused ""
refused --user-only --system-only

# An ordinary user of an installation only an administrator may change:
# --help asks for no administrator, and the plain form removes the user's
# registration and hands the rest to pkexec once.
mkdir "$root/pkexec"
printf '#!/bin/sh\necho "$@" >>"%s"\n' "$root/pkexec/log" >"$root/pkexec/pkexec"
chmod 755 "$root/pkexec/pkexec"
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$root"
  chown -R 65534:65534 "$data" "$root/pkexec"
  # At most a few processes, should the uninstaller call itself again and again.
  as_user() { (ulimit -u 64; exec timeout 20 setpriv --reuid=65534 --regid=65534 --clear-groups -- "$@"); }
else
  chmod a-w "$top/bin"
  as_user() { timeout 20 "$@"; }
fi
as_user env PATH="$root/pkexec:$PATH" XDG_DATA_HOME="$data" "$uninstall" --help >/dev/null \
  || fail "--help failed for an ordinary user"
[ ! -e "$root/pkexec/log" ] || fail "--help asked for an administrator"
unchanged "--help of an ordinary user"
as_user env PATH="$root/pkexec:$PATH" XDG_DATA_HOME="$data" "$uninstall" \
  || fail "the uninstaller failed for an ordinary user"
[ "$(cat "$root/pkexec/log")" = "$uninstall --system-only" ] \
  || fail "the administrator's part was not asked for once: $(cat "$root/pkexec/log")"
[ ! -e "$data/applications/com.quellon.Corvane.desktop" ] || fail "the ordinary user's registration stayed"
[ "$(listing "$top")" = "$installed" ] || fail "an ordinary user removed installed files"
chmod u+w "$top/bin"

# The plain form removes everything.
XDG_DATA_HOME="$data" "$top/bin/corvane-uninstall" || fail "the uninstaller failed"
for f in bin/corvane bin/corvane-uninstall \
         share/applications/com.quellon.Corvane.desktop \
         share/mime/packages/com.quellon.Corvane.xml \
         share/icons/hicolor/scalable/apps/com.quellon.Corvane.svg \
         share/doc/Corvane; do
  [ ! -e "$top/$f" ] || fail "$f is still there after uninstalling"
done
for f in applications/com.quellon.Corvane.desktop applications/Quellon-Corvane.desktop \
         mime/packages/com.quellon.Corvane.xml mime/packages/quellon-corvane.xml; do
  [ ! -e "$data/$f" ] || fail "the user's registration $f is still there"
done
[ "$(cat "$data/Quellon/Corvane/Corvane.ini")" = keep ] || fail "the user's settings were touched"
user_after=$(cd "$data" && find . -type f | LC_ALL=C sort)
[ "$user_after" = "$user_before" ] \
  || fail "left in the user's data: $(comm -13 <(echo "$user_before") <(echo "$user_after") | tr '\n' ' ')"
after=$(listing "$top")
[ "$after" = "$before" ] \
  || fail "left in the prefix: $(comm -13 <(echo "$before") <(echo "$after") | tr '\n' ' ')"
echo "install test: installed and uninstalled cleanly under $prefix"
