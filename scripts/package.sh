#!/usr/bin/env bash
# Builds the Debian package quil-lib_<version>_amd64.deb into the build folder (or
# $QUIL_BUILD_DIR) and prints its path. Install it with: apt install ./quil-lib_*.deb
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QUIL_BUILD_DIR:-$root/build}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target quil quil-rtf quil-lib installed-data \
    desktop-icons
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/quil-lib_*_amd64.deb | head -n 1)
dpkg-deb --field "$deb" Package Version Depends
echo "$deb"
