#!/usr/bin/env bash
# Makes the Debian package from a finished build in build/ (or $BUILD_DIR)
# and checks that it declares the Qt 6 runtime and the Japanese font; prints
# the package's path.
# Install it with: apt install ./build/vobmarks_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
(cd "$BUILD_DIR" && cpack -G DEB >/dev/null)
deb=$(ls "$BUILD_DIR"/vobmarks_*.deb | tail -n 1)
depends=$(dpkg-deb --field "$deb" Depends)
for lib in libqt6widgets6 libqt6gui6 libqt6core6 fonts-ipafont-gothic; do
  grep -q "$lib" <<<"$depends" || { echo "package: $deb does not depend on $lib" >&2; exit 1; }
done
echo "$deb"
