#!/usr/bin/env bash
# Builds the .deb: a Release build installed under /usr, packed by CPack.
#   scripts/package.sh        leaves build-deb/tallyhound_VERSION_ARCH.deb
source "$(dirname "$0")/common.sh"
ensure_packages dpkg-dev file
configure_and_build build-deb -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DTALLYHOUND_TESTS=OFF -DTALLYHOUND_BENCH=OFF
(cd "$ROOT/build-deb" && cpack -G DEB)
ls "$ROOT"/build-deb/*.deb
