#!/usr/bin/env bash
# Makes the Debian package of yomite in a build folder of its own (the
# player, yomite-check, yomite-trace, the bundled story, the desktop entry,
# icons, metainfo, manual pages and licence, all under /usr) and prints its
# path, then runs lintian on it (an error fails). Install it with:
#   sudo apt-get install ./build-package/yomite_*.deb
# usage: scripts/package.sh [BUILD_DIR]   (default build-package)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}

bash scripts/setup.sh --package

# The maintainer is whoever makes the package, named as Debian's own tools
# name them: DEBFULLNAME and DEBEMAIL, else the clone's git identity.
if [ -n "${DEBFULLNAME:-}" ] && [ -n "${DEBEMAIL:-}" ]; then
  contact="$DEBFULLNAME <$DEBEMAIL>"
elif name=$(git config user.name) && email=$(git config user.email); then
  contact="$name <$email>"
else
  echo "package: name its maintainer: set DEBFULLNAME and DEBEMAIL" >&2
  exit 1
fi

# Only what the package holds is built: the install step must not wait for
# every test, benchmark and fuzzer. The player goes to /usr/games. The
# compiler and linker flags are Debian's own, hardening included.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DYOMITE_INSTALL_GAMESDIR=games -DYOMITE_PACKAGE_CONTACT="$contact" \
  -DBUILD_TESTING=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
cmake --build "$build" --target yomite yomite-check yomite-trace yomite_icons yomite_man \
  yomite_changelog
rm -f "$build"/yomite_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/yomite_*.deb)
echo "package: $deb"
dpkg-deb --field "$deb" Maintainer Depends Recommends

# What Debian's own checker says; an error fails the packaging. lintian
# would rather not run as root, and needs no privilege.
lint=(lintian --pedantic --display-info --fail-on error "$deb")
if [ "$(id -u)" -eq 0 ] && id nobody > /dev/null 2>&1; then
  chmod a+r "$deb"
  runuser -u nobody -- "${lint[@]}"
else
  "${lint[@]}"
fi
echo "package: lintian found no error"
