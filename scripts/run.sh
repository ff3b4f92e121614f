#!/usr/bin/env bash
# Builds Zantovel and starts it. Usage: scripts/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
bash scripts/deps.sh "${BUILD_PACKAGES[@]}"

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZANTOVEL_TESTS=OFF >/dev/null
cmake --build build/release --target zantovel
exec build/release/app/zantovel
