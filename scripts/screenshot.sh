#!/usr/bin/env bash
# Makes docs/screenshot.png: the player on the bundled story under Xvfb at
# 1024x768, after a few clicks on the text.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
display=:57
Xvfb $display -screen 0 1024x768x24 -nolisten tcp > /dev/null 2>&1 &
xvfb=$!
trap 'kill $player $xvfb 2> /dev/null || true' EXIT
sleep 1
DISPLAY=$display SDL_AUDIODRIVER=dummy "$build/yomite" > /dev/null 2>&1 &
player=$!
sleep 3
for _ in 1 2 3; do
  DISPLAY=$display xdotool mousemove 500 600 click 1
  sleep 1.5
done
DISPLAY=$display import -window root docs/screenshot.png
echo "wrote docs/screenshot.png"
