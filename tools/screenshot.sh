#!/usr/bin/env bash
# Starts the console on a private X server and saves a picture of the screen.
#   tools/screenshot.sh BUILD_DIR OUTPUT.png [SECONDS]
set -euo pipefail
build=${1:?build directory}
out=${2:?output picture}
wait_s=${3:-3}
display=:$((90 + RANDOM % 100))
home=$(mktemp -d)
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill $app $xvfb 2>/dev/null || true; rm -rf "$home"' EXIT
sleep 1
DISPLAY=$display XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config "$build/corvane" &
app=$!
sleep "$wait_s"
DISPLAY=$display import -window root "$out"
