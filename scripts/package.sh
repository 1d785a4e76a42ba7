#!/usr/bin/env bash
# Makes the Debian package of yomite in a build folder of its own (the
# player, yomite-check, yomite-trace, the bundled story, the desktop entry,
# icons, metainfo, manual pages and licence, all under /usr) and prints its
# path. Install it with:  sudo apt-get install ./build-package/yomite_*.deb
# usage: scripts/package.sh [BUILD_DIR]   (default build-package)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}

bash scripts/setup.sh --package
# Only what the package holds is built: the install step must not wait for
# every test, benchmark and fuzzer.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DBUILD_TESTING=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
cmake --build "$build" --target yomite yomite-check yomite-trace yomite_icons
rm -f "$build"/yomite_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/yomite_*.deb)
echo "package: $deb"
dpkg-deb --field "$deb" Depends Recommends
