#!/usr/bin/env bash
# Builds Zantovel and starts its window, which needs a display (X11 or Wayland).
# Usage: scripts/run.sh   (CMAKE_BUILD_PARALLEL_LEVEL=N limits the build to N jobs)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
bash scripts/deps.sh "${BUILD_PACKAGES[@]}"

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZANTOVEL_TESTS=OFF >/dev/null
cmake --build build/release --target zantovel
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "built build/release/app/zantovel; its window needs a display, and none is set here."
  echo "Without one, use its command line: build/release/app/zantovel --help"
  exit 1
fi
exec build/release/app/zantovel
