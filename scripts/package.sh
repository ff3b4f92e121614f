#!/usr/bin/env bash
# Builds the Debian package: build/package/zantovel_<version>_amd64.deb.
# Usage: scripts/package.sh   (CMAKE_BUILD_PARALLEL_LEVEL=N limits the build to N jobs)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
bash scripts/deps.sh "${BUILD_PACKAGES[@]}" dpkg-dev file

cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DZANTOVEL_TESTS=OFF \
  -DZANTOVEL_BENCH=OFF >/dev/null
cmake --build build/package
(cd build/package && cpack -G DEB >/dev/null)
ls build/package/zantovel_*_amd64.deb
