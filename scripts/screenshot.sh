#!/usr/bin/env bash
# Makes docs/screenshot.png: the player on the bundled story (demo/dat) under
# Xvfb at 1024x768, after a few clicks on the text.
# usage: scripts/screenshot.sh [BUILD_DIR]   (default build; needs BUILD_DIR/yomite)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
player=$build/yomite
[ -x "$player" ] || { echo "screenshot: no $player; build it first" >&2; exit 1; }

# A display number nobody uses.
n=90
while [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ]; do n=$((n + 1)); done
display=:$n
Xvfb $display -screen 0 1024x768x24 -nolisten tcp > /dev/null 2>&1 &
xvfb=$!
player_pid=
trap 'kill $player_pid $xvfb 2> /dev/null || true' EXIT
export DISPLAY=$display
for _ in $(seq 100); do xdpyinfo > /dev/null 2>&1 && break; sleep 0.1; done

# The player reads dat beside its real path: give it the bundled story there.
work=$(mktemp -d)
trap 'kill $player_pid $xvfb 2> /dev/null || true; rm -rf "$work"' EXIT
cp "$player" "$work/yomite"
ln -s "$PWD/demo/dat" "$work/dat"
SDL_AUDIODRIVER=dummy "$work/yomite" > /dev/null 2>&1 &
player_pid=$!
xdotool search --sync --onlyvisible --class yomite > /dev/null
sleep 2  # the first lines run on by themselves, ten a second
for _ in 1 2 3; do
  xdotool mousemove 500 600 click 1
  sleep 1.5
done
import -window root docs/screenshot.png
echo "wrote docs/screenshot.png"
