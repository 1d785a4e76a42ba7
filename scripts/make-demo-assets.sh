#!/usr/bin/env bash
# Remakes the demo story's pictures (demo/dat/*.jpg) and music (demo/dat/bgm.mid)
# from their generators in tools/gen. The story scripts demo/dat/*.dat are written
# by hand and are not touched.
#
#   scripts/make-demo-assets.sh            builds the generators alone in a temporary folder
#   scripts/make-demo-assets.sh BUILD_DIR  uses (and brings up to date) a configured build
#                                          of this repository
#   --out DIR                              writes into DIR instead of demo/dat (the test
#                                          compares what it makes with the committed files)
#
# The generators are deterministic, so a rerun on the same libjpeg-turbo leaves
# `git status` clean; commit whatever it changes together with the generator change.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$root/demo/dat"

usage() {
  echo "usage: $0 [--out DIR] [BUILD_DIR]" >&2
  exit 2
}
if [ "${1-}" = "--out" ]; then
  [ $# -ge 2 ] || usage
  mkdir -p "$2"
  out="$(cd "$2" && pwd)"
  shift 2
fi
if [ $# -gt 1 ]; then usage; fi

if [ $# -eq 1 ]; then
  build="$(cd "$1" && pwd)"
  cmake --build "$build" --target yomite-gen-pictures yomite-gen-music
  bin="$build/tools/gen"
else
  tmp="$(mktemp -d)"
  trap 'rm -rf "$tmp"' EXIT
  # A project of the generators alone, so they build whatever state the rest is in.
  cat >"$tmp/CMakeLists.txt" <<EOF
cmake_minimum_required(VERSION 3.22)
project(yomite_gen CXX)
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
add_compile_options(-Wall -Wextra)
add_subdirectory("$root/tools/gen" gen)
EOF
  generator=()
  if command -v ninja >/dev/null; then generator=(-G Ninja); fi
  if command -v ccache >/dev/null; then generator+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
  cmake -S "$tmp" -B "$tmp/build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$tmp/build"
  bin="$tmp/build/gen"
fi

mkdir -p "$out"
"$bin/yomite-gen-pictures" "$out"
"$bin/yomite-gen-music" "$out/bgm.mid"
echo "make-demo-assets: wrote the pictures and bgm.mid in ${out#"$root"/}"
