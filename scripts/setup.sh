#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing yomite need.
# Installs only what is missing, so running it twice is harmless.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config clang clang-format libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  # platform libraries
  libsdl2-dev libsdl2-ttf-dev libsdl2-mixer-dev libfluidsynth-dev
  libturbojpeg0-dev libjpeg62-turbo-dev libfontconfig-dev libfreetype-dev
  # a Japanese user-interface font and a General MIDI soundfont
  fonts-ipafont-gothic fontconfig timgm6mb-soundfont
  # headless end-to-end tests: a display server, clicks, screenshots
  xvfb xauth xdotool imagemagick x11-utils python3
  # story graph pictures in the checker's tests
  graphviz
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all ${#packages[@]} packages are installed"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
