#!/usr/bin/env bash
# Takes the pictures of the help documents from the real console: starts it on
# a private X server (Xvfb) with emulated units, works it with xdotool and
# saves each picture with ImageMagick into docs/help/pictures (or OUT_DIR).
# Run it again whenever the look of the console changes.
#   tools/help-pictures.sh BUILD_DIR [OUT_DIR]
# Needs: xvfb, xdotool, imagemagick (import, convert).
set -euo pipefail
build=$(realpath "${1:?build directory}")
out=$(realpath "${2:-$(dirname "$0")/../docs/help/pictures}")
mkdir -p "$out"
display=:$((90 + RANDOM % 100))
pc_port=$((30000 + RANDOM % 20000))
home=$(mktemp -d)
pids=()
cleanup() { kill "${pids[@]}" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$home"; }
trap cleanup EXIT

Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp -noreset >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
sleep 1
"$build/tools/unit-emulator/unit-emulator" --pc-port "$pc_port" --unit-port $((pc_port + 1)) \
  --kr960 1,2 --kr960-8 3 --kr9x 17,18 --seconds 120 >/dev/null 2>&1 &
pids+=($!)
XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home \
  CORVANE_PC_PORT=$pc_port CORVANE_UNIT_PORT=$((pc_port + 1)) "$build/corvane" >/dev/null 2>&1 &
pids+=($!)
sleep 3

window() { xdotool search --name "$1" | tail -1; }
# shot NAME WINDOW [CROP]: saves a window (or a part of it, WxH+X+Y) as NAME.png.
shot() {
  local file=$out/$1.png
  import -window "$2" "$file"
  if [ -n "${3:-}" ]; then convert "$file" -crop "$3" +repage "$file"; fi
  convert "$file" -strip -colors 192 "$file"
  echo "saved $file"
}
# key WINDOW KEYS: keys typed into a window.
key() {
  xdotool windowfocus "$1" 2>/dev/null || true
  xdotool key "$2"
  sleep 0.5
}
# click WINDOW X Y: a left click at a point of a window.
click() {
  xdotool mousemove --window "$1" "$2" "$3" click 1
  sleep 0.5
}

question=$(window '^Decision')
# The box's lower corners are rounded: the picture stops above them, where
# the bare screen behind the box would show.
shot startup-question "$question" 326x160+0+0
click "$question" 204 117   # No
sleep 3

main=$(window ' Corvane - ')
shot main-window "$main"
shot scene-panel "$main" 294x178+26+40
# The whole strip with its scroll bar, and the UNITS and view buttons under it.
shot status-strip "$main" 760x176+500+44
shot overview-strip "$main" 84x150+0+252

# The channel strips: the view button, then one strip close up.
click "$main" 878 195
sleep 2
shot channel-strips "$main"
shot one-strip "$main" 84x470+0+262

# Store a scene: the New Scene button, then the naming box.
click "$main" 85 195
sleep 1
naming=$(window '.')
shot new-scene-question "$naming"
key "$naming" Escape
sleep 1
name=$(window '^Enter Scene Name')
shot scene-name "$name"
xdotool windowfocus "$name" 2>/dev/null || true
xdotool type --delay 50 "Soundcheck"
key "$name" Return
sleep 1
shot scene-stored "$main" 294x178+26+40

# The link matrix with the first four channels in group 1.
key "$main" ctrl+l
sleep 1.5
matrix=$(window '^Link Matrix')
for x in 216 238 260 282; do click "$matrix" "$x" 107; done
shot link-matrix "$matrix"
