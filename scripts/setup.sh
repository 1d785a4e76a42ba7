#!/usr/bin/env bash
# Installs the Debian packages yomite needs. Installs only what is missing,
# so running it twice is harmless.
#
#   scripts/setup.sh            what building and playing need
#   scripts/setup.sh --tests    and what the tests, the fuzzers and CI need
#   scripts/setup.sh --package  and what making the Debian package needs
set -euo pipefail

usage="usage: scripts/setup.sh [--tests] [--package]"
tests=0
package=0
for arg in "$@"; do
  case "$arg" in
    --tests) tests=1 ;;
    --package) package=1 ;;
    -h | --help) echo "$usage"; exit 0 ;;
    *) echo "setup: unknown option '$arg'" >&2; echo "$usage" >&2; exit 2 ;;
  esac
done

packages=(
  # build
  build-essential cmake ninja-build pkg-config
  # platform libraries
  libsdl2-dev libsdl2-ttf-dev libwayland-dev libfluidsynth-dev
  libturbojpeg0-dev libjpeg62-turbo-dev libfontconfig-dev libfreetype-dev zlib1g-dev
  # a Japanese user-interface font and a General MIDI soundfont
  fonts-ipafont-gothic fontconfig timgm6mb-soundfont
)
if [ $tests -eq 1 ]; then
  packages+=(
    # the tests and benchmarks
    libgtest-dev libgmock-dev libbenchmark-dev
    # fuzzing (clang's libFuzzer) and the layout check
    clang clang-format libclang-rt-14-dev
    # headless end-to-end tests: a display server, clicks, screenshots
    xvfb xauth xdotool imagemagick x11-utils python3
    # story graph pictures in the checker's tests
    graphviz
    # a Latin font alone, for the test of a system without a Japanese font
    fonts-dejavu-core
    # the validators of the installed desktop entry and metainfo
    desktop-file-utils appstream
    # the desktop matrix: window managers and panels, a session bus for
    # xfwm4, RandR's tool, an ssh server for X forwarding, a Wayland
    # compositor
    openbox tint2 xfwm4 xfce4-panel twm dbus-daemon x11-xserver-utils openssh-server
    openssh-client weston
    # the music through a real sound server (tests/desktop/sound_server.py)
    pulseaudio pulseaudio-utils
  )
fi
if [ $package -eq 1 ]; then
  # CPack's Debian generator finds the libraries' packages with
  # dpkg-shlibdeps (dpkg-dev), which needs file; lintian checks the package.
  packages+=(dpkg-dev file lintian)
fi

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

# Installing needs root: as root apt-get runs as is, otherwise through sudo.
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo > /dev/null; then
    echo "setup: installing needs root: run this as root, or install sudo; missing: ${missing[*]}" >&2
    exit 1
  fi
  SUDO="sudo"
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
